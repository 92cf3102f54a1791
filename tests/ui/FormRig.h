#pragma once

#include "ScriptedKorvex.h"
#include "files/FileDialogs.h"
#include "support/FakeWaiter.h"
#include "support/RecordingPrompter.h"

#include "core/MainModel.h"
#include "ui/Form1.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

// File dialogs that answer with the names a test gives; none is Cancel.
struct NamedFileDialogs : FileDialogs
{
    std::optional<QString> openName;
    std::optional<QString> saveName;
    std::optional<QString> openFileName() override { return openName; }
    std::optional<QString> saveFileName() override { return saveName; }
};

// Types text into a widget one key press at a time, as the keyboard would
// deliver it (any character, Latin-1 or not).
inline void typeInto(QWidget *widget, const QString &text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
    }
}

// The real window over a scripted device, virtual time, scripted file
// dialogs and a recording prompter. Its settings file and program directory
// are a fresh temporary directory.
struct FormRig
{
    // Files to place in the program directory before the window is made.
    explicit FormRig(const std::function<void(const QString &programDir)> &prepare = {})
    {
        if (prepare)
            prepare(dir.path());
        Form1Collaborators with;
        with.prompter = &prompter;
        with.port = &port;
        with.waiter = &waiter;
        with.fileDialogs = &dialogs;
        with.iniPath = iniPath();
        with.programDir = dir.path();
        with.choosePrinter = [this](QPrinter &printer) {
            return choosePrinter ? choosePrinter(printer) : false;
        };
        with.describePort = [](int port) { return QStringLiteral("/dev/fake%1").arg(port); };
        form = std::make_unique<Form1>(with);
    }

    QString iniPath() const { return dir.filePath(QStringLiteral("Korvex.ini")); }

    template <typename W = QWidget> W *find(const QString &name) const
    {
        W *widget = form->findChild<W *>(name);
        if (!widget)
            qFatal("no control named %s", qPrintable(name));
        return widget;
    }
    template <typename W = QWidget> W *row(const char *name, int index) const
    {
        return find<W>(QLatin1String(name) + QLatin1Char('_') + QString::number(index));
    }
    QAction *action(const char *name) const { return find<QAction>(QLatin1String(name)); }

    // Runs extra at every tick of virtual time.
    void onTick(const std::function<void(qint64 now)> &extra) { waiter.onAdvance = extra; }

    KeyRows &rows() { return form->model().rows(); }

    QTemporaryDir dir;
    FakeWaiter waiter;
    RecordingPrompter prompter;
    ScriptedKorvex port{waiter};
    NamedFileDialogs dialogs;
    std::function<bool(QPrinter &)> choosePrinter;
    std::unique_ptr<Form1> form;
};
