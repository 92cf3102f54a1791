#pragma once

#include "RecordingPrompter.h"
#include "device/DeviceSession.h"
#include "ui/SessionBinding.h"
#include "ui/model/KeyStringChecker.h"
#include "ui/model/MainModel.h"

// The device operations wired as the window wires them, with the row check in
// place and the window's binding of what they report, over a port and a
// waiter that the derived rig owns. COM1, 9600 baud, no parity (a
// pseudo-terminal has none).
struct OperationsRig
{
    // The derived rig sets the port up once it has made it.
    OperationsRig(SerialPort &port, Waiter &waiter) : ops(port, waiter, binding) {}
    static inline const AppSettings Com1{1, QStringLiteral("9600"), QStringLiteral("N"), 0};
    // "key|string", as typed.
    void setRow(int i, const QByteArray &row)
    {
        model.rows().setKeyName(i, row.split('|').value(0));
        model.rows().setKeyString(i, row.split('|').value(1));
    }
    // "key|string|icon", the icon "v" for the check mark, "?" for the
    // question mark, "-" for none shown.
    QByteArray row(int i) const
    {
        const KeyRows &rows = model.rows();
        return rows.keyName(i) + '|' + rows.keyString(i) + '|' +
               "-?v"[rows.iconShown(i) ? int(rows.icon(i)) : 0];
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
