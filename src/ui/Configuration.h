#pragma once

#include "core/AppSettings.h"
#include "core/SettingsFile.h"

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class Prompter;
class Waiter;

// The serial settings and descriptions dialog. It edits a copy of the
// settings, stores it in the settings file on SAVE and only then hands it to
// its caller to apply.
class Configuration : public QDialog
{
    Q_OBJECT

public:
    struct Actions
    {
        // The stored settings, to apply to the port and the labels (reports
        // its own failures).
        std::function<void(const AppSettings &)> apply;
        // The descriptions option changed: it takes effect at once, whether
        // the dialog is then saved or closed.
        std::function<void(bool enabled)> setDescriptionsEnabled;
        // Hides the main window's description box without committing it.
        std::function<void()> hideDescription;
        // The device that port n reaches, for the line under the port list.
        std::function<QString(int port)> describePort;
    };

    Configuration(const AppSettings &current, const SettingsFile &settingsFile, Waiter &waiter,
                  Prompter &prompter, Actions actions, QWidget *parent = nullptr);

    // The settings as chosen so far; after SAVE, as stored.
    const AppSettings &settings() const { return m_settings; }

    void ConfigSave_Click();
    void ConfigAbort_Click();

    void reject() override;

private:
    void Form_Load();
    void DescripEnable_Click();
    void showPortDevice();
    void saveSteps();

    AppSettings m_settings;
    SettingsFile m_settingsFile;
    Waiter &m_waiter;
    Prompter &m_prompter;
    Actions m_actions;

    QComboBox *m_cboPort;
    QComboBox *m_cboBaud;
    QComboBox *m_cboParity;
    QCheckBox *m_descripEnable;
    QPushButton *m_configSave;
    QPushButton *m_configAbort;
    QLabel *m_portDevice;
    bool m_saving = false;
};
