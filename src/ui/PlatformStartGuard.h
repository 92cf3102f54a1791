#pragma once

#include <QtGlobal>

// Qt ends a program whose display cannot be reached in an abort (status
// 134), after lines about plugins and reinstalling that never name the
// display. A guard lives while the application object is made: Qt's messages
// are held back meanwhile, and a fatal one ends the program with status 2 and
// one line that names the display and how to get one. Once the application
// object exists, the guard's end passes the held messages on as Qt would
// have printed them.
class PlatformStartGuard
{
public:
    // program: the command as typed, for the hint.
    explicit PlatformStartGuard(const char *program);
    ~PlatformStartGuard();
    PlatformStartGuard(const PlatformStartGuard &) = delete;
    PlatformStartGuard &operator=(const PlatformStartGuard &) = delete;

private:
    QtMessageHandler m_previous;
};
