#pragma once

#include "core/KeyOverride.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class CfgLineReader;
class QIODevice;

// How much of an input a reading takes at most.
struct CfgReadLimits
{
    // A real record is a two-digit number, a key name, at most 24 notation
    // characters and a description: far below this. A longer line means the
    // input is not a .cfg file (a binary file, a file of one huge line).
    qint64 maxLineBytes = 1 << 20;
    // A file is read up to the size it had when opened, or this much when
    // that is larger, so a .cfg file of any number of records loads
    // completely while an input that keeps growing still comes to an end.
    qint64 minInputBytes = qint64(64) << 20;
};

// One record line of a .cfg file: at least a row number and a key name.
struct CfgRecord
{
    // What the first field says.
    enum class RowNumber {
        Valid,      // a row, 1 to 16
        NotANumber, // a decimal number (sign, fraction, blanks) or nothing: not a record at all
        OutOfRange, // a number, but no row: reported
    };

    qint64 line = 0;          // 1-based
    QList<QByteArray> fields; // row number, key name, output string, description: 2 to 4
    RowNumber rowNumber = RowNumber::NotANumber;
    int index = -1; // the row's index, 0 to 15, when valid

    const QByteArray &key() const { return fields.at(1); }
    std::optional<QByteArray> string() const;
    std::optional<QByteArray> description() const;
    // "row number 17 is not between 1 and 16", for an OutOfRange record.
    QString rowNumberProblem() const;
};

// Reads the records of a .cfg input one line at a time: a UTF-8 byte-order
// mark skipped, CR, LF or CR LF ending a line, comments and empty lines
// passed over, and the input's bounds kept (see CfgReadLimits). At most one
// line is held in memory.
class CfgReader
{
public:
    enum class Step {
        Record,  // a line with a TAB: a row number and a key name at least
        Ignored, // a comment ("#") or an empty line
        Other,   // any other line: no record, though maybe meant as one
        End,     // the input ended
        Stopped, // a bound was reached: stopReason() says which; nothing more is read
    };

    // inputSize: the input's size when known, 0 otherwise.
    CfgReader(QIODevice &input, qint64 inputSize, const CfgReadLimits &limits = {});
    ~CfgReader();

    // Throws KorvexError when the input reports a read error.
    Step next(CfgRecord *record);
    const QString &stopReason() const { return m_stopReason; }
    // The line last read, 1-based.
    qint64 lineNumber() const;

private:
    std::unique_ptr<CfgLineReader> m_lines;
    qint64 m_maxLineBytes;
    QString m_stopReason;
};

// A .cfg file as a command applies it to a device: the rows its records name,
// later records winning, and its problems, each with its line: what the
// window would report, key names no device knows, and lines the window would
// pass over that are neither comments, empty nor rows. The first problems
// are kept, the rest only counted, so a file of any size is read in bounded
// memory.
struct CfgFileRows
{
    static constexpr int KeptProblems = 20;

    KeyOverrides rows{};
    RowSet named;         // the rows some record names
    QStringList problems; // "line 4: ...", at most KeptProblems
    qint64 moreProblems = 0;
    QString error; // the input could not be read: "path: why"

    bool hasProblems() const { return !problems.isEmpty(); }
};
// path names a regular file, or is "-" for the input given instead.
CfgFileRows readCfgRows(const QString &path, QIODevice *standardInput = nullptr);
// The rows of an input already open; size as CfgReader takes it.
CfgFileRows readCfgRows(QIODevice &input, qint64 size, const CfgReadLimits &limits = {});
