#pragma once

#include "RecordingPrompter.h"
#include "device/DeviceSession.h"
#include "ui/SessionBinding.h"
#include "ui/model/KeyStringChecker.h"
#include "ui/model/MainModel.h"

#include <QTest>

// A row as the window shows it: key, output string and the icon shown, if any.
enum ShownIcon { NoIcon, QuestionMark, CheckMark };
struct ShownRow
{
    QByteArray key, string;
    ShownIcon icon = NoIcon;
    auto tie() const { return std::tie(key, string, icon); }
    bool operator==(const ShownRow &other) const { return tie() == other.tie(); }
    friend char *toString(const ShownRow &row) { return QTest::toString(row.tie()); }
};

// The device operations wired as the window wires them, with the row check in
// place and the window's binding of what they report, over a port and a
// waiter that the derived rig owns. COM1, 9600 baud, no parity (a
// pseudo-terminal has none).
struct OperationsRig
{
    // The derived rig sets the port up once it has made it.
    OperationsRig(SerialPort &port, Waiter &waiter) : ops(port, waiter, binding) {}
    static inline const AppSettings Com1{1, QStringLiteral("9600"), QStringLiteral("N"), 0};
    // As typed: its key, then its string.
    void setRow(int i, const ShownRow &row)
    {
        model.rows().setKeyName(i, row.key);
        model.rows().setKeyString(i, row.string);
    }
    ShownRow row(int i) const
    {
        const KeyRows &rows = model.rows();
        return {rows.keyName(i), rows.keyString(i), rows.iconShown(i) ? ShownIcon(rows.icon(i)) : NoIcon};
    }
    // Every prompt, and the code version once reported; one a line.
    QByteArray shown() const
    {
        QStringList shown = prompter.prompts;
        if (model.text(MainModel::Text::CodeLabel) != MainModel::InitialCodeLabel)
            shown << model.text(MainModel::Text::CodeLabel);
        return shown.join(QLatin1Char('\n')).toLatin1();
    }
    // The rows as the window hands them to sending and verifying.
    RowLookup screen() const
    {
        return [rows = &model.rows()](int i) { return rows->keyOverride(i); };
    }

    RecordingPrompter prompter;
    MainModel model;
    KeyStringChecker checker{model.rows(), prompter};
    SessionBinding binding{model, prompter};
    DeviceSession ops;
};
