#pragma once

#include "core/AppSettings.h"
#include "core/SettingsFile.h"
#include "device/DeviceSession.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <memory>

class CfgFileCommands;
class ClickLabel;
class DescriptionBox;
class DescriptionEdit;
class DeviceSession;
class FileDialogs;
class HelpPane;
class KbdKeyField;
class KeyStringChecker;
class KeyStringField;
class MainModel;
class Prompter;
class QAction;
class QFrame;
class QKeyEvent;
class QLabel;
class QPrinter;
class QProgressBar;
class QPushButton;
class SerialPort;
class SessionBinding;
class StatusIcon;
class StatusLogView;
class Waiter;

// What the window works with, made by the program (app/main.cpp) or by a
// test. They must outlive the window.
struct Form1Collaborators
{
    Prompter *prompter = nullptr;
    SerialPort *port = nullptr;
    Waiter *waiter = nullptr;
    FileDialogs *fileDialogs = nullptr;
    QString iniPath;
    // Where the status pictures and the help pages lie.
    QString programDir;
    // Lets the operator choose a printer; false when cancelled. Empty: the
    // system's printer dialog.
    std::function<bool(QPrinter &printer)> choosePrinter;
    // The device COMn reaches, shown in the Configuration dialog. Empty: the
    // machine's own mapping.
    std::function<QString(int port)> describePort;
    // The printing module. Empty: korvexprint beside the program.
    QString printModule;
    // This user's own Korvex.ini, which takes what cannot be saved to iniPath
    // (see SettingsFile). Empty: there is none.
    QString userIniPath;
};

// The main window: a view over MainModel. Each handler is one call into the
// layer below it. Form1.cpp holds the handlers, Form1Layout.cpp builds the
// controls and Form1Bindings.cpp shows the model in them.
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit Form1(const Form1Collaborators &with, QWidget *parent = nullptr);
    ~Form1() override;

    MainModel &model() { return *m_model; }

    void Command1_Click();
    void Command2_Click();
    void VerifyBtn_Click();
    void GetVersionBtn_Click();
    void FOpen_Click();
    // Opens a .cfg file named outside the window (on the command line) as
    // File > Open does once its dialog has given that name (not empty).
    void openCfgFile(const QString &path);
    void FSave_Click();
    void SaveAs_Click();
    void Config_Click();
    void ClearAll_Click();
    void prscr_Click();
    void StringCount_Click(int index);
    void ShowHelpPane();
    void OverView_Click();
    void EnterKey_Click();
    void CreateString_Click();
    void VerifyOp_Click();
    void CloseHelp_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls();
    void buildCaptions();
    void buildProgressAndLog();
    void buildCommands();
    void buildSettingsFrame();
    DescriptionEdit *descriptionEdit();
    void buildRows();
    void buildMenus();
    void bindModel();
    void KbdKey_KeyDown(int index, QKeyEvent *event);
    RowLookup screenRows() const;
    void showRow(int index);
    void showProgress();
    void showText(int which);
    void showValue(QLabel *label, const QString &value);
    void showDescriptionBox();
    void setCommandsEnabled(bool enabled);
    void parkFocus(QWidget *wanted);

    Prompter *m_prompter = nullptr;
    Waiter *m_waiter = nullptr;
    SettingsFile m_settingsFile;
    AppSettings m_settings;
    QString m_programDir;
    std::function<bool(QPrinter &)> m_choosePrinter;
    std::function<QString(int)> m_describePort;
    QString m_printModule;

    std::unique_ptr<MainModel> m_model;
    std::unique_ptr<KeyStringChecker> m_checker;
    std::unique_ptr<SessionBinding> m_binding;
    std::unique_ptr<DeviceSession> m_device;
    std::unique_ptr<CfgFileCommands> m_files;
    DescriptionBox *m_descriptionBox = nullptr;

    QWidget *m_client = nullptr;
    std::array<StatusIcon *, 16> m_icons{};
    std::array<KbdKeyField *, 16> m_keyFields{};
    std::array<KeyStringField *, 16> m_stringFields{};
    std::array<ClickLabel *, 16> m_counts{};
    QPushButton *m_command1 = nullptr;
    QPushButton *m_command2 = nullptr;
    QPushButton *m_verifyBtn = nullptr;
    QPushButton *m_getVersionBtn = nullptr;
    QLabel *m_codeLabel = nullptr;
    StatusLogView *m_statusBox = nullptr;
    QLabel *m_progressLabel = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QLabel *m_percentLabel = nullptr;
    QLabel *m_commLabel = nullptr;
    QLabel *m_baudLabel = nullptr;
    QLabel *m_parityLabel = nullptr;
    QLabel *m_cfgLabel = nullptr;
    DescriptionEdit *m_strDes = nullptr;
    QFrame *m_strLine = nullptr;
    HelpPane *m_help = nullptr;
    QAction *m_fOpen = nullptr;
    QAction *m_clearAll = nullptr;
    QAction *m_config = nullptr;
    QPointer<QWidget> m_focusBeforeBusy;
    QPointer<QWidget> m_focusBeforeDescription;
};
