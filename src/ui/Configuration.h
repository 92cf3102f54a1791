#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class Prompter;
class Waiter;

// The serial settings and descriptions dialog. It edits AppSettings, stores
// them in the settings file on SAVE and hands the rest to its callers.
class Configuration : public QDialog
{
    Q_OBJECT

public:
    struct Actions
    {
        // Re-applies the serial settings to the port (reports its own failures).
        std::function<void()> setupCommPort;
        // Hides the main window's description box without committing it.
        std::function<void()> hideDescription;
        // The device that port n reaches, for the line under the port list.
        std::function<QString(int port)> describePort;
    };

    Configuration(const QString &iniPath, Waiter &waiter, Prompter &prompter, Actions actions,
                  QWidget *parent = nullptr);

    void ConfigSave_Click();
    void ConfigAbort_Click();

    void reject() override;

private:
    void Form_Load();
    void DescripEnable_Click();
    void showPortDevice();
    void saveSteps();

    QString m_iniPath;
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
