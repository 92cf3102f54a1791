#pragma once

#include "FakeKorvex.h"
#include "files/FileDialogs.h"
#include "RecordingPrompter.h"

#include "core/MainModel.h"
#include "ui/Configuration.h"
#include "ui/Form1.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

// Types any text, Latin-1 or not, one key press a character.
inline void typeInto(QWidget *widget, const QString &text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

// The real window over a fake device on virtual time (unless a real waiter is
// given), a recording prompter and a fresh program directory.
struct FormRig : FileDialogs
{
    explicit FormRig(Waiter *realWaiter = nullptr)
    {
        Form1Collaborators with{&prompter,
                                &port,
                                realWaiter ? realWaiter : &waiter,
                                this,
                                dir.filePath(QStringLiteral("Korvex.ini")),
                                dir.path(),
                                [this](QPrinter &printer) { return choosePrinter(printer); },
                                [](int n) { return QStringLiteral("/dev/fake%1").arg(n); },
                                QStringLiteral(KORVEX_PRINT_MODULE)};
        form = std::make_unique<Form1>(with);
    }
    std::optional<QString> openFileName(const QString &) override { return openName; }
    std::optional<QString> saveFileName(const QString &) override { return {}; }

    template <typename W = QWidget> W *find(const char *name) const
    {
        return form->findChild<W *>(QLatin1String(name));
    }
    template <typename W = QWidget> W *row(const char *name, int i) const
    {
        return form->findChild<W *>(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i));
    }
    QAction *action(const char *name) const { return find<QAction>(name); }
    KeyRows &rows() { return form->model().rows(); }
    // Row i as its widgets show it: "key|string|length|icon"; a hidden icon is
    // "-" and the picture it would show ("?" or "v"), if any.
    QString shown(int i) const
    {
        QWidget *icon = row("Image1", i);
        const QString hidden = QLatin1Char('-') + QStringLiteral(" ?v").at(int(form->model().rows().icon(i)));
        return QStringList{row<QLineEdit>("KbdKey", i)->text(), row<QLineEdit>("KeyString", i)->text(),
                           row<QLabel>("StringCount", i)->text(),
                           icon->isHidden() ? hidden.trimmed() : icon->accessibleDescription()}
            .join(QLatin1Char('|'));
    }
    // Runs `inDialog` on the open Configuration dialog, then presses `button`.
    void configure(const std::function<void(Configuration *)> &inDialog, const char *button = "ConfigAbort")
    {
        QTimer::singleShot(0, form.get(), [this, inDialog, button] {
            auto *dialog = form->findChild<Configuration *>();
            inDialog(dialog);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
        });
        action("Config")->trigger();
    }
    // Turns the descriptions option on or off, as the operator does.
    void setDescriptions(bool on)
    {
        configure([on](Configuration *dialog) { dialog->findChild<QCheckBox *>()->setChecked(on); });
    }
    // Runs extra at every tick of virtual time, after the device's bytes arrived.
    void onTick(const std::function<void()> &extra)
    {
        waiter.onAdvance = [deliver = waiter.onAdvance, extra](qint64 now) { deliver(now), extra(); };
    }

    QTemporaryDir dir;
    FakeWaiter waiter;
    RecordingPrompter prompter;
    FakeSerialPort port{waiter};
    FakeKorvex device{port};
    std::function<bool(QPrinter &)> choosePrinter;
    std::optional<QString> openName; // what File > Open chooses; nothing is Cancel
    std::unique_ptr<Form1> form;
};
