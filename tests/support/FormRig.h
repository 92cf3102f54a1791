#pragma once

#include "FakeKorvex.h"
#include "RecordingPrompter.h"
#include "ScriptedFileDialogs.h"
#include "TestFiles.h"

#include "ui/Configuration.h"
#include "ui/Form1.h"
#include "ui/model/MainModel.h"

#include <QtTest>
#include <QtWidgets>

// Types any text, Latin-1 or not, one key press a character.
inline void typeInto(QWidget *widget, const QString &text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

// A row as its widgets show it: key, output string, the length and the icon
// as assistive technology reads them (no icon shown: empty), and the picture
// the icon holds, shown or not.
struct RowView
{
    QByteArray key, string, length;
    RowIcon picture = RowIcon::None;
    QByteArray icon{};
    auto tie() const { return std::tie(key, string, length, picture, icon); }
    bool operator==(const RowView &other) const { return tie() == other.tie(); }
    friend char *toString(const RowView &row) { return QTest::toString(row.tie()); }
};

// The real window over a fake device on virtual time (unless a real waiter is
// given), a recording prompter, scripted file dialogs and a fresh program
// directory.
struct FormRig
{
    // ini: what the settings file holds when the window starts, if anything.
    explicit FormRig(Waiter *realWaiter = nullptr, const QByteArray &ini = {})
    {
        if (!ini.isEmpty())
            writeFile(dir.filePath(QStringLiteral("Korvex.ini")), ini);
        Form1Collaborators with{&prompter,
                                &device,
                                realWaiter ? realWaiter : &waiter,
                                &dialogs,
                                dir.filePath(QStringLiteral("Korvex.ini")),
                                dir.path(),
                                [this](QPrinter &printer) { return choosePrinter(printer); },
                                [](int n) { return QStringLiteral("/dev/fake%1").arg(n); },
                                QStringLiteral(KORVEX_PRINT_MODULE),
                                {}};
        form = std::make_unique<Form1>(with);
    }
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
    RowView shown(int i) const
    {
        QWidget *icon = row("Image1", i);
        return {row<QLineEdit>("KbdKey", i)->text().toLatin1(),
                row<QLineEdit>("KeyString", i)->text().toLatin1(),
                row("StringCount", i)->accessibleDescription().toLatin1(), form->model().rows().icon(i),
                icon->isHidden() ? QByteArray() : icon->accessibleDescription().toLatin1()};
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

    QTemporaryDir dir;
    FakeWaiter waiter;
    RecordingPrompter prompter;
    FakeKorvex device{waiter};
    ScriptedFileDialogs dialogs;
    std::function<bool(QPrinter &)> choosePrinter;
    std::unique_ptr<Form1> form;
};
