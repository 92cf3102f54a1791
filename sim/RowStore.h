#pragma once

#include <array>
#include <string>

// The sixteen rows the device holds, optionally kept in a text file so that
// a simulated device keeps its rows across restarts like the real one.
//
// File format, one line per row, '#' starts a comment line:
//   <index 0-15> <scancode, two hex digits> [<output bytes in hex>]
// e.g. "3 1C 4142" is row 3 with scancode 1C and the bytes "AB"; "4 FF" is a
// row with no key.
class RowStore
{
public:
    static constexpr int RowCount = 16;
    static constexpr unsigned char NoKey = 0xFF;

    struct Row
    {
        unsigned char scancode = NoKey;
        std::string bytes;
    };

    // Reads the rows from path. A missing file leaves every row empty; a
    // file that cannot be read or is not in the format above is refused
    // with a message in error, so that the first save cannot overwrite rows
    // that were only misread.
    bool load(const std::string &path, std::string &error);

    // Stores a row in memory and, when a file was loaded, rewrites the file:
    // a temporary beside it, then a rename, so that a crash never leaves a
    // half-written file. Returns false with a message when the file could not
    // be written; the row is held in memory all the same.
    bool set(int index, const Row &row, std::string &error);

    const Row &row(int index) const { return m_rows[static_cast<std::size_t>(index)]; }

private:
    bool save(std::string &error) const;

    std::array<Row, RowCount> m_rows;
    std::string m_path;
};
