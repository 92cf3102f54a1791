#pragma once

// Which bytes and characters are shown as themselves, for each place that
// shows them: one rule per purpose, in plain C++ so that the simulator's log
// and the program's agree by construction.

// A byte shown as its own character when device bytes are written in the
// notation (a row read, a reply in a message, a trace): 33 to 126, the
// printable characters but the space, which would pass unseen.
constexpr bool byteShownAsItself(unsigned char byte)
{
    return byte > 32 && byte < 127;
}

// A scancode the status log shows as its own character: 33 to 125. The log
// writes a tilde's code (126) as a group, as it always has.
constexpr bool scancodeShownAsItself(unsigned char byte)
{
    return byte > 32 && byte < 126;
}

// A control character, which a line on screen must show rather than obey:
// C0 and DEL; a terminal also acts on C1 (0x80 to 0x9F), which a screen
// shows as nothing at all. Typing may enter any other character.
enum class Controls { C0, C0AndC1 };
constexpr bool isControl(char16_t character, Controls controls = Controls::C0)
{
    return character < 0x20 || character == 0x7F ||
           (controls == Controls::C0AndC1 && character >= 0x80 && character <= 0x9F);
}
