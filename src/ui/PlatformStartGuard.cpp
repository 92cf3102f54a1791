#include "ui/PlatformStartGuard.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace {

struct Held
{
    QtMsgType type;
    QByteArray category;
    QString text;
};

// One guard at a time, as there is one application object; Qt may report
// from another thread while it starts, hence the lock.
std::mutex heldLock;
QList<Held> held;
const char *programName = "";

QByteArray environment(const char *name)
{
    const QByteArray value = qgetenv(name);
    return value.isEmpty() ? QByteArray(name) + " is not set" : QByteArray(name) + '=' + value;
}

void holdMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    std::lock_guard<std::mutex> lock(heldLock);
    if (type != QtFatalMsg) {
        held.append({type, context.category, text});
        return;
    }
    // Qt's most telling reason is the first one its platform plugins gave
    // ("could not connect to display :1"); its own last words only say that
    // no plugin could start.
    QString reason = text.section(QLatin1Char('\n'), 0, 0);
    for (const Held &message : std::as_const(held)) {
        if (message.category.startsWith("qt.qpa")) {
            reason = message.text;
            break;
        }
    }
    QByteArray where = environment("DISPLAY");
    for (const char *name : {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            where += ", " + environment(name);
    }
    std::fprintf(stderr,
                 "KORVEXConfig: cannot open a window (%s): %s. Run it in a desktop session, or on a virtual "
                 "display: Xvfb :1 & DISPLAY=:1 %s\n",
                 where.constData(), reason.trimmed().toLocal8Bit().constData(), programName);
    std::fflush(stderr);
    // Instead of Qt's abort, which would follow this handler: status 2 as
    // for any start that cannot go on, and no core dump. Nothing is left to
    // save, no window was ever shown.
    std::_Exit(2);
}

QtMessageHandler startHolding(const char *program)
{
    programName = program;
    return qInstallMessageHandler(holdMessage);
}

} // namespace

PlatformStartGuard::PlatformStartGuard(const char *program) : m_previous(startHolding(program)) {}

PlatformStartGuard::~PlatformStartGuard()
{
    qInstallMessageHandler(m_previous);
    QList<Held> messages;
    {
        std::lock_guard<std::mutex> lock(heldLock);
        messages.swap(held);
    }
    for (const Held &message : std::as_const(messages)) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        m_previous(message.type, context, message.text);
    }
}
