#include "ui/SessionBinding.h"

#include "core/KorvexError.h"
#include "device/DeviceSession.h"
#include "keys/KeyStringNotation.h"
#include "ui/model/MainModel.h"
#include "ui/model/Prompter.h"

namespace {

QString failureText(SessionObserver::Stage stage)
{
    switch (stage) {
    case SessionObserver::Stage::SetUp:
        return QStringLiteral("Error setting up comm port - ");
    case SessionObserver::Stage::Attach:
        return QStringLiteral("Error checking for KORVEX attachment- ");
    case SessionObserver::Stage::Read:
        return QStringLiteral("Error retrieve current key overrides - ");
    case SessionObserver::Stage::Send:
        return QStringLiteral("Error sending to KORVEX. ");
    case SessionObserver::Stage::Verify:
        return QStringLiteral("Error verifying values. ");
    case SessionObserver::Stage::Version:
        return QStringLiteral("Error getting code version. ");
    }
    return {};
}

QString rowNumber(int index)
{
    return QString::number(index + 1);
}

} // namespace

SessionBinding::SessionBinding(MainModel &model, Prompter &prompter) : m_model(model), m_prompter(prompter) {}

void SessionBinding::busyChanged(bool busy)
{
    m_model.setBusy(busy);
}

void SessionBinding::settingsApplied(const AppSettings &settings)
{
    m_model.setText(MainModel::Text::CommLabel, QStringLiteral("COM") + QString::number(settings.Port));
    m_model.setText(MainModel::Text::BaudLabel, settings.Baud);
    if (const QString parity = parityName(settings.Parity); !parity.isEmpty())
        m_model.setText(MainModel::Text::ParityLabel, parity);
}

void SessionBinding::failed(Stage stage, const KorvexError &error)
{
    const QString hint = error.kind() == KorvexError::Kind::SettingsRefused
                             ? QStringLiteral(" Choose other settings in Configuration.")
                             : QString();
    m_prompter.message(failureText(stage) + error.description() + hint);
}

void SessionBinding::logCleared()
{
    m_model.log().clear();
    m_lastLine = -1;
}

void SessionBinding::logAdded(const QByteArray &line)
{
    m_model.log().Add2Status(line);
    m_lastLine = m_model.log().lastIndex();
}

void SessionBinding::logExtended(const QByteArray &tail)
{
    // The log may have been cleared meanwhile (Clear All during a wait).
    StatusLog &log = m_model.log();
    if (m_lastLine >= 0 && m_lastLine < log.count())
        log.setLine(m_lastLine, log.line(m_lastLine) + tail);
}

void SessionBinding::deviceAbsent()
{
    m_prompter.beep();
}

void SessionBinding::progressStarted()
{
    ProgressModel &progress = m_model.progress();
    progress.setVisible(true);
    progress.setPercentText(QStringLiteral("0%"));
    progress.setMaximum(15);
    progress.setValue(0);
}

void SessionBinding::progressStep(int row)
{
    m_model.progress().step(row);
}

void SessionBinding::progressEnded()
{
    m_model.progress().setVisible(false);
}

void SessionBinding::rowsUnconfirmed()
{
    m_model.rows().markAllUnconfirmed(true);
}

void SessionBinding::rowCleared(int index)
{
    m_model.rows().setKeyString(index, QByteArray());
}

void SessionBinding::rowRead(int index, const QByteArray &key, const QByteArrayList &units)
{
    KeyRows &rows = m_model.rows();
    rows.setKeyName(index, key);
    rows.setIcon(index, RowIcon::CheckMark);
    // Unit by unit, so the row's check runs after each one as it would for
    // typing. The seventh unit draws the too-long message and is cut back;
    // what follows in this reply is dropped rather than drawing the same
    // message once per byte.
    for (int i = 0; i < units.size() && i <= MaxOutputUnits; ++i)
        rows.setKeyString(index, rows.keyString(index) + units.at(i));
}

void SessionBinding::rowVerified(int index, const RowOutcome &outcome)
{
    KeyRows &rows = m_model.rows();
    switch (outcome.kind) {
    case RowOutcome::Kind::Match:
        rows.setIcon(index, RowIcon::CheckMark);
        return;
    case RowOutcome::Kind::KeyMismatch:
        rows.setIcon(index, RowIcon::QuestionMark);
        m_prompter.message(QLatin1Char('#') + rowNumber(index) +
                           QStringLiteral(" keyboard keyidentifier does not match screen"));
        return;
    case RowOutcome::Kind::StringMismatch:
        rows.setIcon(index, RowIcon::QuestionMark);
        m_prompter.message(QLatin1Char('#') + rowNumber(index) + QStringLiteral(" output string - ") +
                           QString::fromLatin1(outcome.deviceString) +
                           QStringLiteral(" - does not match screen value"));
        return;
    default:
        // No reply proves nothing either way: the row keeps its question mark.
        return;
    }
}

void SessionBinding::versionReported(const QByteArray &reply)
{
    m_model.setText(MainModel::Text::CodeLabel,
                    QStringLiteral("Code Version Reported: ") +
                        QString::fromLatin1(reply.isEmpty() ? QByteArrayLiteral("???") : reply));
}
