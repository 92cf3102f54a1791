#include "ui/Form1.h"

#include "core/Waiter.h"
#include "device/DeviceSession.h"
#include "device/PortMapping.h"
#include "ui/CfgFileCommands.h"
#include "ui/Configuration.h"
#include "ui/DescriptionBox.h"
#include "ui/HelpPane.h"
#include "ui/SessionBinding.h"
#include "ui/StatusLogView.h"
#include "ui/model/KeyStringChecker.h"
#include "ui/model/MainModel.h"
#include "ui/model/Prompter.h"
#include "ui/model/StartUp.h"
#include "ui/print/PrintImage.h"

#include <QCloseEvent>
#include <QDir>
#include <QLibrary>

Form1::Form1(const Form1Collaborators &with, QWidget *parent)
    : QMainWindow(parent), m_prompter(with.prompter), m_waiter(with.waiter),
      m_settingsFile(with.iniPath, with.userIniPath), m_programDir(with.programDir),
      m_choosePrinter(with.choosePrinter), m_describePort(with.describePort)
{
    m_printModule = with.printModule.isEmpty() ? QDir(m_programDir).filePath(QStringLiteral("korvexprint"))
                                               : with.printModule;
    if (!m_describePort)
        m_describePort = [settings = m_settingsFile](int port) { return describeSerialPort(port, settings); };

    setObjectName(QStringLiteral("Form1"));
    m_model = std::make_unique<MainModel>();
    m_checker = std::make_unique<KeyStringChecker>(m_model->rows(), *m_prompter);
    m_binding = std::make_unique<SessionBinding>(*m_model, *m_prompter);
    m_device = std::make_unique<DeviceSession>(*with.port, *m_waiter, *m_binding);
    m_files = std::make_unique<CfgFileCommands>(*m_model, *m_prompter, *with.fileDialogs, *m_waiter,
                                                m_settingsFile);
    m_descriptionBox = new DescriptionBox(m_model->rows(), this);

    buildControls();
    buildMenus();
    bindModel();
    m_help = new HelpPane(this, centralWidget(), m_programDir);

    m_settings = startUp(*m_model, *m_prompter, m_settingsFile,
                         [this](const AppSettings &settings) { m_device->SetupCommPort(settings); });
    m_descriptionBox->setDescriptionsEnabled(m_settings.descriptionsEnabled());
    // Where a stray key changes nothing: not row 1's key field, which would
    // otherwise be first in the focus chain.
    m_statusBox->setFocus();
}

Form1::~Form1()
{
    // The rows' widgets go before the model they listen to.
    delete takeCentralWidget();
}

RowLookup Form1::screenRows() const
{
    // Each row as the screen shows it when the operation reaches it.
    return [rows = &m_model->rows()](int index) { return rows->keyOverride(index); };
}

void Form1::Command1_Click()
{
    m_device->readRows();
}

void Form1::Command2_Click()
{
    m_device->sendRows(screenRows());
}

void Form1::VerifyBtn_Click()
{
    m_device->verifyRows(screenRows());
}

void Form1::GetVersionBtn_Click()
{
    m_device->queryVersion();
}

void Form1::FOpen_Click()
{
    m_files->open();
}

void Form1::openCfgFile(const QString &path)
{
    m_files->openNamed(path);
}

void Form1::FSave_Click()
{
    m_files->save();
}

void Form1::SaveAs_Click()
{
    m_files->saveAs();
}

void Form1::Config_Click()
{
    Configuration::Actions actions;
    actions.apply = [this](const AppSettings &settings) {
        m_settings = settings;
        m_device->SetupCommPort(settings);
    };
    actions.setDescriptionsEnabled = [this](bool enabled) {
        m_settings.EnableStrings = enabled ? 1 : 0;
        m_descriptionBox->setDescriptionsEnabled(enabled);
    };
    actions.hideDescription = [this] { m_descriptionBox->hide(); };
    actions.describePort = m_describePort;
    Configuration dialog(m_settings, m_settingsFile, *m_waiter, *m_prompter, std::move(actions), this);
    dialog.exec();
}

void Form1::ClearAll_Click()
{
    KeyRows &rows = m_model->rows();
    for (int i = 0; i < RowCount; ++i) {
        rows.setKeyName(i, QByteArray());
        rows.setKeyString(i, QByteArray());
        rows.setDescription(i, QByteArray());
    }
    // The pictures become the question mark; an icon not shown yet stays hidden.
    rows.markAllUnconfirmed(false);
    m_descriptionBox->setText(QByteArray());
    m_model->setText(MainModel::Text::CodeLabel, MainModel::InitialCodeLabel);
    m_model->log().clear();
}

void Form1::prscr_Click()
{
    // Cancelling, a printer that cannot start a page and a missing module
    // all end the command silently.
    const auto print = reinterpret_cast<PrintImage>(QLibrary::resolve(m_printModule, PrintImageSymbol));
    if (print)
        print(centralWidget()->grab(), this, m_choosePrinter);
}

void Form1::StringCount_Click(int index)
{
    m_descriptionBox->StringCount_Click(index);
}

void Form1::ShowHelpPane()
{
    m_help->ShowHelpPane();
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    m_help->windowResized();
}

void Form1::OverView_Click()
{
    m_help->showPage(QStringLiteral("OverView.htm"));
}

void Form1::EnterKey_Click()
{
    m_help->showPage(QStringLiteral("EnterKey.htm"));
}

void Form1::CreateString_Click()
{
    m_help->showPage(QStringLiteral("CreateString.htm"));
}

void Form1::VerifyOp_Click()
{
    m_help->showPage(QStringLiteral("Verify.htm"));
}

void Form1::CloseHelp_Click()
{
    m_help->close();
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing in the middle of a send can leave the device half written, so
    // the operator decides.
    if (m_model->isBusy() && !m_prompter->confirm(QStringLiteral(
                                 "An operation with the KORVEX is in progress -- close anyway? Y/N"))) {
        event->ignore();
        return;
    }
    // Whatever waits (a device operation, File > Open between records) would
    // otherwise carry on against a window that is going away: end its wait so
    // it unwinds and lets go of the port.
    m_waiter->abort();
    event->accept();
}
