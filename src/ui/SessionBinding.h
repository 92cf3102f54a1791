#pragma once

#include "device/SessionObserver.h"

class MainModel;
class Prompter;

// What the window shows of a device session: the status log, the progress
// display, the rows, the Settings labels and the code version in the model,
// and failures and mismatches as message boxes, each where the operation
// meets it.
class SessionBinding : public SessionObserver
{
public:
    SessionBinding(MainModel &model, Prompter &prompter);

    void busyChanged(bool busy) override;
    void settingsApplied(const AppSettings &settings) override;
    void failed(Stage stage, const KorvexError &error) override;
    void logCleared() override;
    void logAdded(const QByteArray &line) override;
    void logExtended(const QByteArray &tail) override;
    void deviceAbsent() override;
    void progressStarted() override;
    void progressStep(int row) override;
    void progressEnded() override;
    void rowsUnconfirmed() override;
    void rowCleared(int index) override;
    void rowRead(int index, const QByteArray &key, const QByteArrayList &units) override;
    void rowVerified(int index, const RowOutcome &outcome) override;
    void versionReported(const QByteArray &reply) override;

private:
    MainModel &m_model;
    Prompter &m_prompter;
    int m_lastLine = -1; // the log line the session added last
};
