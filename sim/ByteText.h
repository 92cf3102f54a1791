#pragma once

#include <optional>
#include <string>

// Conversions between bytes and the texts that appear on the simulator's
// command line and in its log. Bytes travel in std::string, one char per byte.
namespace ByteText {

// "41E8" -> the bytes 0x41 0xE8. Upper or lower case, an even number of
// digits, at least one byte; anything else is refused.
std::optional<std::string> fromHex(const std::string &text);

// "0F41" for the bytes 0x0F 0x41.
std::string toHex(const std::string &bytes);

// A command-line text with the escapes \r \n \t \\ and \xHH, so that a reply
// such as "2.14\r\n" can be given from a shell. An unknown or cut-off escape
// is refused.
std::optional<std::string> unescape(const std::string &text);

// Where a scancode sits in the bytes rendered: the fourth byte of a write
// command, the first of a read reply.
enum class Scancode { None, InWrite, InReply };

// Readable form for the log: printable characters as themselves, 0x00 as
// [NUL], every other byte (space included, so that it cannot be overlooked)
// as {HH}. A scancode is written as KORVEXConfig's status log writes it, so
// that the two logs can be compared line for line: in upper-case hex without
// leading zeros ({D}, {0}, {1C}), in a write command always in braces, in a
// reply as itself when 33..125. Long texts are cut after maxBytes with the
// total length appended.
std::string render(const std::string &bytes, Scancode scancode = Scancode::None, std::size_t maxBytes = 64);

} // namespace ByteText
