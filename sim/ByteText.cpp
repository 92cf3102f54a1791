#include "ByteText.h"

#include "core/PrintableBytes.h"

#include <cstdio>

namespace ByteText {
namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::optional<std::string> fromHex(const std::string &text)
{
    if (text.empty() || text.size() % 2 != 0)
        return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

std::string toHex(const std::string &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.push_back(digits[b >> 4]);
        text.push_back(digits[b & 0x0F]);
    }
    return text;
}

std::optional<std::string> unescape(const std::string &text)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes.push_back(text[i]);
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        switch (text[i]) {
        case 'r':
            bytes.push_back('\r');
            break;
        case 'n':
            bytes.push_back('\n');
            break;
        case 't':
            bytes.push_back('\t');
            break;
        case '\\':
            bytes.push_back('\\');
            break;
        case 'x': {
            const auto byte = fromHex(text.substr(i + 1, 2));
            if (!byte)
                return std::nullopt;
            bytes += *byte;
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return bytes;
}

std::string render(const std::string &bytes, Scancode scancode, std::size_t maxBytes)
{
    std::string text;
    const std::size_t shown = bytes.size() < maxBytes ? bytes.size() : maxBytes;
    for (std::size_t i = 0; i < shown; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if ((scancode == Scancode::InWrite && i == 3) ||
            (scancode == Scancode::InReply && i == 0 && !scancodeShownAsItself(b))) {
            char group[8];
            std::snprintf(group, sizeof group, "{%X}", static_cast<unsigned>(b));
            text += group;
        } else if (b == 0x00) {
            text += "[NUL]";
        } else if (byteShownAsItself(b)) {
            text.push_back(static_cast<char>(b));
        } else {
            text += '{' + toHex(std::string(1, static_cast<char>(b))) + '}';
        }
    }
    if (shown < bytes.size()) {
        char tail[64];
        std::snprintf(tail, sizeof tail, "... (%zu bytes)", bytes.size());
        text += tail;
    }
    return text;
}

} // namespace ByteText
