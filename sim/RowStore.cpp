#include "RowStore.h"

#include "ByteText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

std::string systemError(const std::string &what, const std::string &path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

} // namespace

bool RowStore::load(const std::string &path, std::string &error)
{
    m_path = path;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (errno == ENOENT)
            return true;
        error = systemError("cannot read", path);
        return false;
    }

    std::array<bool, RowCount> seen{};
    std::string line;
    for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;

        std::istringstream fields(line);
        std::string indexText, scancodeText, bytesText, extra;
        fields >> indexText >> scancodeText >> bytesText >> extra;
        const bool indexOk = indexText.size() <= 2 && !indexText.empty() &&
                             indexText.find_first_not_of("0123456789") == std::string::npos &&
                             std::stoi(indexText) < RowCount;
        const auto scancode = scancodeText.size() == 2 ? ByteText::fromHex(scancodeText) : std::nullopt;
        const auto bytes = bytesText.empty() ? std::optional<std::string>("") : ByteText::fromHex(bytesText);
        if (!indexOk || !scancode || !bytes || bytes->size() > 6 || !extra.empty()) {
            error = path + ":" + std::to_string(lineNo) +
                    ": not a row (want \"INDEX SCANCODE [BYTES]\" in hex): " + line;
            return false;
        }
        const auto index = static_cast<std::size_t>(std::stoi(indexText));
        if (seen[index]) {
            error = path + ":" + std::to_string(lineNo) + ": row " + indexText + " appears twice";
            return false;
        }
        seen[index] = true;
        m_rows[index].scancode = static_cast<unsigned char>((*scancode)[0]);
        m_rows[index].bytes = m_rows[index].scancode == NoKey ? std::string() : *bytes;
    }
    if (in.bad()) {
        error = systemError("cannot read", path);
        return false;
    }
    return true;
}

bool RowStore::set(int index, const Row &row, std::string &error)
{
    Row &target = m_rows[static_cast<std::size_t>(index)];
    target.scancode = row.scancode;
    target.bytes = row.scancode == NoKey ? std::string() : row.bytes;
    return m_path.empty() || save(error);
}

bool RowStore::save(std::string &error) const
{
#ifdef _WIN32
    // Only the simulator, which lives on a pseudo-terminal, keeps a state
    // file; the Windows build has the firmware for the unit tests alone.
    error = "no state file on this system: " + m_path;
    return false;
#else
    std::string text = "# korvex-sim rows: index, scancode, output bytes (hex)\n";
    for (int i = 0; i < RowCount; ++i) {
        const Row &r = row(i);
        text += std::to_string(i) + ' ' + ByteText::toHex(std::string(1, static_cast<char>(r.scancode)));
        if (!r.bytes.empty())
            text += ' ' + ByteText::toHex(r.bytes);
        text += '\n';
    }

    std::string tempPath = m_path + ".XXXXXX";
    const int fd = ::mkstemp(tempPath.data());
    if (fd < 0) {
        error = systemError("cannot create a temporary file for", m_path);
        return false;
    }
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(tempPath.c_str(), m_path.c_str()) == 0;
    if (!ok) {
        error = systemError("cannot write", m_path);
        ::unlink(tempPath.c_str());
    }
    return ok;
#endif
}
