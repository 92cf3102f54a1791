#include "ui/Form1.h"

#include "core/MainModel.h"
#include "core/Prompter.h"
#include "core/StartUp.h"
#include "core/VisibleText.h"
#include "core/Waiter.h"
#include "device/DeviceSession.h"
#include "device/PortMapping.h"
#include "files/CfgFileCommands.h"
#include "keys/KeyCapture.h"
#include "keys/KeyStringChecker.h"
#include "ui/ClickLabel.h"
#include "ui/Configuration.h"
#include "ui/DescriptionBox.h"
#include "ui/DescriptionEdit.h"
#include "ui/FormLayout.h"
#include "ui/KbdKeyField.h"
#include "ui/KeyStringField.h"
#include "ui/StatusIcon.h"
#include "ui/StatusLogView.h"
#include "ui/Twips.h"
#include "ui/UiFonts.h"
#include "ui/WrapButton.h"
#include "ui/print/PrintImage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLibrary>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QTextBrowser>

namespace {

const QColor LightGrey(0xE0, 0xE0, 0xE0);
const QColor PaleYellow(0xFF, 0xFF, 0xC0);

QString indexed(const char *name, int index)
{
    return QLatin1String(name) + QLatin1Char('_') + QString::number(index);
}

QLabel *caption(QWidget *parent, const QString &name, const QString &text, const QRect &twips,
                const QFont &font, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop)
{
    auto *label = place(new QLabel(text, parent), name, twips, font);
    label->setAlignment(alignment);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setAccessibleName(text);
    return label;
}

void setBackground(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette colours = widget->palette();
    colours.setColor(role, colour);
    widget->setPalette(colours);
}

// A VB-style line: one pixel of the window text colour.
QFrame *line(QWidget *parent, const QString &name)
{
    auto *rule = new QFrame(parent);
    rule->setObjectName(name);
    rule->setFrameShape(QFrame::NoFrame);
    rule->setAutoFillBackground(true);
    setBackground(rule, QPalette::Window, parent->palette().color(QPalette::WindowText));
    return rule;
}

void placeLine(QFrame *rule, int leftTwips, int rightTwips, int yTwips)
{
    const int left = px(qMin(leftTwips, rightTwips));
    const int right = px(qMax(leftTwips, rightTwips));
    rule->setGeometry(left, px(yTwips), qMax(1, right - left + 1), 1);
}

KeyEventData keyEventData(const QKeyEvent &event)
{
    KeyEventData data;
    data.qtKey = event.key();
    data.keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    data.nativeScanCode = event.nativeScanCode();
    data.nativeVirtualKey = event.nativeVirtualKey();
    const QString platform = QGuiApplication::platformName();
    if (event.nativeScanCode() == 0)
        data.source = KeyEventData::Source::QtKeyOnly;
    else if (platform.startsWith(QLatin1String("windows")))
        data.source = KeyEventData::Source::WindowsVirtualKey;
    else if (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland")))
        data.source = KeyEventData::Source::XkbKeycode;
    else
        data.source = KeyEventData::Source::QtKeyOnly;
    return data;
}

} // namespace

Form1::Form1(const Form1Collaborators &with, QWidget *parent)
    : QMainWindow(parent), m_prompter(with.prompter), m_waiter(with.waiter), m_settingsFile(with.iniPath),
      m_programDir(with.programDir), m_choosePrinter(with.choosePrinter), m_describePort(with.describePort)
{
    m_printModule = with.printModule.isEmpty() ? QDir(m_programDir).filePath(QStringLiteral("korvexprint"))
                                               : with.printModule;
    if (!m_describePort)
        m_describePort = [iniPath = with.iniPath](int port) { return serialDevicePath(port, iniPath); };

    setObjectName(QStringLiteral("Form1"));
    m_model = std::make_unique<MainModel>();
    m_checker = std::make_unique<KeyStringChecker>(m_model->rows(), *m_prompter);
    m_device = std::make_unique<DeviceSession>(*m_model, *with.port, *m_waiter, *m_prompter);
    m_files = std::make_unique<CfgFileCommands>(*m_model, *m_prompter, *with.fileDialogs, *m_waiter,
                                                m_settingsFile);
    m_descriptionBox = new DescriptionBox(m_model->rows(), this);

    buildControls();
    buildMenus();
    bindModel();

    m_settings = FormLoad(*m_model, *m_prompter, m_settingsFile,
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

void Form1::buildControls()
{
    // The controls keep their fixed places in the client area; the window
    // around it may grow, and the help pane with it.
    auto *window = new QWidget(this);
    window->setObjectName(QStringLiteral("WindowArea"));
    setCentralWidget(window);
    m_client = new QWidget(window);
    m_client->setObjectName(QStringLiteral("ClientArea"));
    m_client->setFixedSize(px(FormLayout::ClientWidth), px(FormLayout::ClientHeight));
    window->setMinimumSize(m_client->size());

    buildCaptions();
    // The connector lies beneath every other control.
    m_strLine = line(m_client, QStringLiteral("StrLine"));
    m_strLine->setVisible(false);
    buildRows();
    buildProgressAndLog();
    buildCommands();
    buildSettingsFrame();
}

void Form1::buildCaptions()
{
    using namespace FormLayout;
    const QFont normal = dialogFont(9.75);
    caption(m_client, QStringLiteral("Label1"), QStringLiteral("KORVEX KEY-OUTPUT CONFIGURATION"), Title,
            dialogFont(13.5, true), Qt::AlignHCenter | Qt::AlignTop);
    caption(m_client, QStringLiteral("Label10"), QStringLiteral("Moravelle"), Maker,
            namedFont(QStringLiteral("Comic Sans MS"), 14.25), Qt::AlignHCenter | Qt::AlignTop);
    // Column headers, two lines each, centred over their columns. They may
    // be wider than their fields: the system font is wider than the classic one.
    const auto header = [&](const char *name, int column, int x, const QString &text, const QRect &twips) {
        const int wanted =
            toTwips(QFontMetrics(normal).horizontalAdvance(text.section(QLatin1Char(' '), 0, 0)) + 6);
        const int width = qMax(twips.width(), wanted);
        caption(m_client, indexed(name, column), text,
                QRect(x + twips.width() / 2 - width / 2, twips.y(), width, twips.height()), normal,
                Qt::AlignHCenter | Qt::AlignBottom);
    };
    for (int column = 0; column < 2; ++column) {
        header("Label2", column, HeaderX[column][0], QStringLiteral("Keyboard Key"), KeyHeader);
        header("Label4", column, HeaderX[column][1], QStringLiteral("KORVEX RS232 Output String"),
               StringHeader);
        header("Label6", column, HeaderX[column][2], QStringLiteral("String Length"), LengthHeader);
    }
    for (int k = 0; k < 8; ++k)
        placeLine(line(m_client, indexed("Line1", k)), RuleLeft, RuleRight, ruleY(k));
}

void Form1::buildProgressAndLog()
{
    const QFont normal = dialogFont(9.75);
    m_progressLabel = caption(m_client, QStringLiteral("ProgressLabel"), QStringLiteral("Progress"),
                              FormLayout::ProgressLabel, normal);
    m_progressBar =
        place(new QProgressBar(m_client), QStringLiteral("ProgressBar1"), FormLayout::ProgressBar, normal);
    m_progressBar->setTextVisible(false);
    m_progressBar->setAccessibleName(QStringLiteral("Progress"));
    m_percentLabel = caption(m_client, QStringLiteral("PercentLabel"), QStringLiteral("pcnt"),
                             FormLayout::PercentLabel, normal);
    for (QWidget *progress : {static_cast<QWidget *>(m_progressLabel), static_cast<QWidget *>(m_progressBar),
                              static_cast<QWidget *>(m_percentLabel)})
        progress->setVisible(false);

    caption(m_client, QStringLiteral("Label5"), QStringLiteral("Communication Details"),
            FormLayout::LogCaption, normal);
    m_statusBox = place(new StatusLogView(m_client), QStringLiteral("StatusBox"), FormLayout::StatusBox,
                        dialogFont(8.25));
    m_statusBox->setModel(&m_model->log());
    m_statusBox->setAccessibleName(QStringLiteral("Communication Details"));

    m_codeLabel = caption(m_client, QStringLiteral("codelabel"), MainModel::InitialCodeLabel,
                          FormLayout::CodeLabel, normal, Qt::AlignCenter);
    m_codeLabel->setFrameShape(QFrame::Box);
    m_codeLabel->setWordWrap(false);
    setBackground(m_codeLabel, QPalette::WindowText, QColor(0, 0, 0xFF));
}

void Form1::buildCommands()
{
    const auto button = [this](const char *name, const QString &text, const QRect &twips, const QString &tip,
                               void (Form1::*handler)()) {
        auto *b = place(new WrapButton(text, m_client), QLatin1String(name), twips, dialogFont(9.75));
        b->setAccessibleName(text);
        b->setToolTip(tip);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    m_command1 =
        button("Command1", QStringLiteral("Read Existing Key Outputs From KORVEX"), FormLayout::Command1,
               QStringLiteral("Read KORVEX key outputs and write to screen"), &Form1::Command1_Click);
    m_command2 = button("Command2", QStringLiteral("Send Key Outputs To KORVEX"), FormLayout::Command2,
                        QStringLiteral("Send all output strings to KORVEX"), &Form1::Command2_Click);
    m_verifyBtn =
        button("VerifyBtn", QStringLiteral("Verify Key Outputs  in KORVEX"), FormLayout::VerifyBtn,
               QStringLiteral("Verify that KORVEX values match those on-screen"), &Form1::VerifyBtn_Click);
    m_getVersionBtn = button("GetVersionBtn", QStringLiteral("Get KORVEX Code Version"),
                             FormLayout::GetVersionBtn, QString(), &Form1::GetVersionBtn_Click);
}

void Form1::buildSettingsFrame()
{
    auto *frame = place(new QGroupBox(QStringLiteral("Settings"), m_client), QStringLiteral("Frame1"),
                        FormLayout::SettingsFrame, dialogFont(8.25, true));
    frame->setAccessibleName(QStringLiteral("Settings"));
    const QFont frameCaption = dialogFont(8.25, true);
    const QFont frameValue = dialogFont(8.25);
    // Each value follows its caption; captions are as wide as their text.
    const auto pair = [&](const char *captionName, const QString &text, const char *valueName,
                          const QString &value, const FormLayout::FramePair &at) {
        const int captionWidth = toTwips(QFontMetrics(frameCaption).horizontalAdvance(text) + 4);
        const int height = FormLayout::FrameLineHeight;
        caption(frame, QLatin1String(captionName), text, QRect(at.left, at.top, captionWidth, height),
                frameCaption);
        auto *valueLabel = caption(
            frame, QLatin1String(valueName), value,
            QRect(at.left + captionWidth, at.top, at.right - at.left - captionWidth, height), frameValue);
        valueLabel->setWordWrap(false);
        // Read out as the value it shows, with its caption for context.
        valueLabel->setAccessibleDescription(text.chopped(1));
        return valueLabel;
    };
    m_commLabel =
        pair("Label9", QStringLiteral("PORT:"), "CommLabel", QStringLiteral("COM2"), FormLayout::PortPair);
    m_baudLabel = pair("Label7", QStringLiteral("BAUD RATE:"), "BaudLabel", QStringLiteral("9600"),
                       FormLayout::BaudPair);
    m_parityLabel = pair("Label8", QStringLiteral("PARITY:"), "ParityLabel", QStringLiteral("NONE"),
                         FormLayout::ParityPair);
    m_cfgLabel = pair("Label11", QStringLiteral("CONFIG FILE:"), "CfgLabel", QStringLiteral("None"),
                      FormLayout::FilePair);
}

DescriptionEdit *Form1::descriptionEdit()
{
    if (!m_strDes) {
        // Made when first opened: many sessions never write a description.
        m_strDes = new DescriptionEdit(DescriptionBox::MaxChars, m_client);
        m_strDes->setObjectName(QStringLiteral("StrDes"));
        m_strDes->setFont(dialogFont(9.75));
        m_strDes->setAccessibleName(QStringLiteral("String Description"));
        m_strDes->setAutoFillBackground(true);
        setBackground(m_strDes, QPalette::Base, PaleYellow);
        m_strDes->setVisible(false);
        m_strDes->onRefused = [this] { m_prompter->beep(); };
        connect(m_strDes, &DescriptionEdit::bytesEdited, m_descriptionBox, &DescriptionBox::setText);
    }
    return m_strDes;
}

void Form1::buildRows()
{
    const QFont normal = dialogFont(9.75);
    const QFont bold = dialogFont(9.75, true);
    KeyRows &rows = m_model->rows();

    for (int i = 0; i < RowCount; ++i) {
        const QString number = QString::number(i + 1);

        auto *icon = new StatusIcon(QDir(m_programDir).filePath(QStringLiteral("question-mark.gif")),
                                    QDir(m_programDir).filePath(QStringLiteral("checkmark.gif")), m_client);
        m_icons[i] = place(icon, indexed("Image1", i), FormLayout::statusIconRect(i), normal);
        icon->setAccessibleName(QStringLiteral("Status ") + number);

        caption(m_client, indexed("Label3", i), number, FormLayout::rowNumberRect(i), bold,
                Qt::AlignHCenter | Qt::AlignTop);

        auto *key = place(new KbdKeyField(m_client), indexed("KbdKey", i), FormLayout::kbdKeyRect(i), normal);
        m_keyFields[i] = key;
        key->setAccessibleName(QStringLiteral("Keyboard Key ") + number);
        setBackground(key, QPalette::Base, LightGrey);
        if (i == 0)
            key->setToolTip(QStringLiteral("Click field, then press key to override"));
        key->onKey = [this, i](QKeyEvent *event) { KbdKey_KeyDown(i, event); };

        auto *string = place(new KeyStringField(m_client), indexed("KeyString", i),
                             FormLayout::keyStringRect(i), normal);
        m_stringFields[i] = string;
        string->setAccessibleName(QStringLiteral("Output String ") + number);
        string->setToolTip(QStringLiteral("Enter ASCII characters, or binary chars in {}"));
        string->onTypedChar = [this, i](int code) { return m_checker->KeyString_KeyPress(i, code); };
        string->onRefused = [this] { m_prompter->beep(); };
        connect(string, &KeyStringField::bytesChanged, this,
                [&rows, i](const QByteArray &bytes) { rows.setKeyString(i, bytes); });

        auto *count = place(new ClickLabel(QStringLiteral("0"), m_client), indexed("StringCount", i),
                            FormLayout::stringCountRect(i), normal);
        m_counts[i] = count;
        count->setAccessibleName(QStringLiteral("String Length ") + number);
        count->setToolTip(QStringLiteral("Click to enter reason for this string"));
        count->setAlignment(Qt::AlignCenter);
        count->setFrameShape(QFrame::Box);
        count->setAutoFillBackground(true);
        setBackground(count, QPalette::Window, LightGrey);
        connect(count, &ClickLabel::clicked, this, [this, i] { StringCount_Click(i); });
    }
}

void Form1::buildMenus()
{
    QMenuBar *bar = menuBar();
    const auto item = [this](QWidget *menu, const char *name, const QString &text, void (Form1::*handler)()) {
        auto *action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        menu->addAction(action);
        if (handler)
            connect(action, &QAction::triggered, this, handler);
        return action;
    };

    QMenu *file = bar->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("File"));
    m_fOpen = item(file, "FOpen", QStringLiteral("Open"), &Form1::FOpen_Click);
    item(file, "FSave", QStringLiteral("Save"), &Form1::FSave_Click);
    item(file, "SaveAs", QStringLiteral("Save As"), &Form1::SaveAs_Click);
    m_config = item(bar, "Config", QStringLiteral("Configuration"), &Form1::Config_Click);
    m_clearAll = item(bar, "ClearAll", QStringLiteral("Clear All"), &Form1::ClearAll_Click);
    item(bar, "prscr", QStringLiteral("Print Screen"), &Form1::prscr_Click);

    QMenu *help = bar->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("Help"));
    item(help, "OverView", QStringLiteral("OverView"), &Form1::OverView_Click);
    item(help, "EnterKey", QStringLiteral("Entering Keyboard Keys"), &Form1::EnterKey_Click);
    item(help, "CreateString", QStringLiteral("Creating Output Strings"), &Form1::CreateString_Click);
    item(help, "VerifyOp", QStringLiteral("Verifying Operation"), &Form1::VerifyOp_Click);
    item(help, "Misc", QStringLiteral("Miscellaneous"), nullptr);
    item(help, "CloseHelp", QStringLiteral("Close"), &Form1::CloseHelp_Click);
}

void Form1::bindModel()
{
    KeyRows &rows = m_model->rows();
    const auto row = [this](int index) { showRow(index); };
    connect(&rows, &KeyRows::keyNameChanged, this, row);
    connect(&rows, &KeyRows::keyStringChanged, this, row);
    connect(&rows, &KeyRows::lengthCaptionChanged, this, row);
    connect(&rows, &KeyRows::iconChanged, this, row);
    for (int i = 0; i < RowCount; ++i)
        showRow(i);

    connect(&m_model->log(), &StatusLog::scrollRequested, m_statusBox, &StatusLogView::scrollToTop);
    connect(&m_model->progress(), &ProgressModel::changed, this, &Form1::showProgress);
    showProgress();

    connect(m_model.get(), &MainModel::textChanged, this,
            [this](MainModel::Text which) { showText(static_cast<int>(which)); });
    for (const MainModel::Text which :
         {MainModel::Text::Caption, MainModel::Text::CodeLabel, MainModel::Text::CommLabel,
          MainModel::Text::BaudLabel, MainModel::Text::ParityLabel, MainModel::Text::CfgLabel})
        showText(static_cast<int>(which));

    connect(m_model.get(), &MainModel::descriptionBoxSizeChanged, this,
            [this] { m_descriptionBox->setBoxSize(m_model->descriptionBoxSize()); });
    connect(m_descriptionBox, &DescriptionBox::changed, this, &Form1::showDescriptionBox);
    showDescriptionBox();

    connect(m_model.get(), &MainModel::busyChanged, this, [this](bool busy) { setCommandsEnabled(!busy); });
}

void Form1::showRow(int index)
{
    const KeyRows &rows = m_model->rows();
    const QString name = QString::fromLatin1(rows.keyName(index));
    if (m_keyFields[index]->text() != name)
        m_keyFields[index]->setText(name);
    m_stringFields[index]->showBytes(rows.keyString(index));
    // The label keeps its name, "String Length n"; its value is the count.
    m_counts[index]->setText(rows.lengthCaption(index));
    m_counts[index]->setAccessibleDescription(rows.lengthCaption(index));
    m_icons[index]->showIcon(rows.icon(index), rows.iconShown(index));
}

void Form1::showProgress()
{
    const ProgressModel &progress = m_model->progress();
    m_progressBar->setMaximum(progress.maximum());
    m_progressBar->setValue(progress.value());
    showValue(m_percentLabel, progress.percentText());
    m_progressLabel->setVisible(progress.isVisible());
    m_progressBar->setVisible(progress.isVisible());
    m_percentLabel->setVisible(progress.isVisible());
}

void Form1::showValue(QLabel *label, const QString &value)
{
    // A screen reader hears what the label shows now, not what it showed
    // when the window was built.
    label->setText(value);
    label->setAccessibleName(value);
}

void Form1::showText(int which)
{
    const auto text = static_cast<MainModel::Text>(which);
    const QString value = m_model->text(text);
    switch (text) {
    case MainModel::Text::Caption:
        setWindowTitle(value);
        return;
    case MainModel::Text::CodeLabel: {
        // A version reply usually ends in CR LF, which ends the line here;
        // anything else it holds stays on that one line, and a reply too long
        // for the label is shortened in the middle (whole in its tool tip).
        const QString shown = visibleText(value.trimmed());
        const int room = m_codeLabel->contentsRect().width() - 4;
        showValue(m_codeLabel, m_codeLabel->fontMetrics().elidedText(shown, Qt::ElideMiddle, room));
        m_codeLabel->setAccessibleName(shown);
        m_codeLabel->setToolTip(shown);
        return;
    }
    case MainModel::Text::CommLabel:
        showValue(m_commLabel, value);
        return;
    case MainModel::Text::BaudLabel:
        showValue(m_baudLabel, value);
        return;
    case MainModel::Text::ParityLabel:
        showValue(m_parityLabel, value);
        return;
    case MainModel::Text::CfgLabel:
        showValue(m_cfgLabel, value);
        m_cfgLabel->setToolTip(m_files->currentFile());
        return;
    }
}

void Form1::showDescriptionBox()
{
    const DescriptionBox &box = *m_descriptionBox;
    const QRect area = box.boxRect();
    placeLine(m_strLine, box.lineLeft(), box.lineRight(), box.lineY());
    m_strLine->setVisible(box.isVisible());
    if (!m_strDes && !box.isVisible())
        return;
    descriptionEdit()->setGeometry(twipsRect(area));
    m_strDes->showBytes(box.text());
    const bool opening = box.isVisible() && m_strDes->isHidden();
    const bool closingWithFocus = !box.isVisible() && m_strDes->hasFocus();
    if (opening)
        m_focusBeforeDescription = QApplication::focusWidget();
    m_strDes->setVisible(box.isVisible());
    // Typing goes into the box that just opened, never into the row's key
    // field that still had the focus; closing gives the focus back.
    if (opening) {
        m_strDes->raise();
        m_strDes->setFocus();
    } else if (closingWithFocus) {
        parkFocus(m_focusBeforeDescription);
    }
}

void Form1::parkFocus(QWidget *wanted)
{
    // The status log takes keys without changing anything.
    QWidget *target = wanted && wanted->isEnabled() && wanted->isVisible() ? wanted : m_statusBox;
    target->setFocus();
}

void Form1::setCommandsEnabled(bool enabled)
{
    // A greyed widget that has the focus hands it on along the focus chain,
    // which leads into row 1's key field: a Space meant for the button would
    // then replace that row's key. Park it on the log and give it back after.
    const QList<QWidget *> commands = {m_command1, m_command2, m_verifyBtn, m_getVersionBtn};
    if (!enabled) {
        m_focusBeforeBusy = QApplication::focusWidget();
        if (commands.contains(m_focusBeforeBusy.data()))
            m_statusBox->setFocus();
    }
    for (QWidget *command : commands)
        command->setEnabled(enabled);
    m_fOpen->setEnabled(enabled);
    m_clearAll->setEnabled(enabled);
    m_config->setEnabled(enabled);
    if (enabled && m_focusBeforeBusy && QApplication::focusWidget() == m_statusBox)
        parkFocus(m_focusBeforeBusy);
}

void Form1::KbdKey_KeyDown(int index, QKeyEvent *event)
{
    KeyRows &rows = m_model->rows();
    ::KbdKey_KeyDown(rows, index, virtualKeyFromEvent(keyEventData(*event)));
    if (const int code = keyPressCharCode(event->text()))
        KbdKey_KeyPress(rows, index, code);
}

void Form1::Command1_Click()
{
    m_device->readRows();
}

void Form1::Command2_Click()
{
    m_device->sendRows();
}

void Form1::VerifyBtn_Click()
{
    m_device->verifyRows();
}

void Form1::GetVersionBtn_Click()
{
    m_device->queryVersion();
}

void Form1::FOpen_Click()
{
    m_files->FOpen_Click();
}

void Form1::openCfgFile(const QString &path)
{
    // The steps of Open after its dialog: the name (after the last slash or
    // backslash) shows before reading, so messages appear under it; the
    // folder is remembered and the icons reset only when reading finished.
    m_files->setCurrentFile(path);
    m_model->setText(
        MainModel::Text::CfgLabel,
        path.mid(qMax(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/'))) + 1));
    if (!m_files->openFile(path))
        return;
    m_settingsFile.setLastDirectory(QFileInfo(path).absolutePath());
    m_model->rows().markAllUnconfirmed(false);
}

void Form1::FSave_Click()
{
    m_files->FSave_Click();
}

void Form1::SaveAs_Click()
{
    m_files->SaveAs_Click();
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
    if (!m_webBrowser) {
        // Made when first asked for: most sessions never open a help page.
        m_webBrowser = new QTextBrowser(centralWidget());
        m_webBrowser->setObjectName(QStringLiteral("WebBrowser1"));
        m_webBrowser->setAccessibleName(QStringLiteral("Help"));
        m_webBrowser->setOpenExternalLinks(true);
    }
    placeHelpPane();
    m_webBrowser->setVisible(true);
    m_webBrowser->raise();
}

void Form1::placeHelpPane()
{
    // Sized from the window's outer size, but never past the window's own
    // area: the page stays visible whole, and follows the window's size.
    const QSize outer = frameGeometry().size();
    const QRect area = centralWidget()->rect();
    const QPoint at(px(FormLayout::HelpPane.x()), px(FormLayout::HelpPane.y()));
    m_webBrowser->setGeometry(at.x(), at.y(), qMin(px(toTwips(outer.width()) - 500), area.width() - at.x()),
                              qMin(px(toTwips(outer.height()) - 2500), area.height() - at.y()));
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_webBrowser && m_webBrowser->isVisibleTo(this))
        placeHelpPane();
}

void Form1::showHelpPage(const QString &page)
{
    ShowHelpPane();
    const QString path = QDir(m_programDir).filePath(page);
    if (!QFile::exists(path)) {
        m_webBrowser->setSource(QUrl());
        m_webBrowser->setPlainText(
            QStringLiteral("The help page %1 was not found.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    m_webBrowser->setSource(QUrl::fromLocalFile(path));
}

void Form1::OverView_Click()
{
    showHelpPage(QStringLiteral("OverView.htm"));
}

void Form1::EnterKey_Click()
{
    showHelpPage(QStringLiteral("EnterKey.htm"));
}

void Form1::CreateString_Click()
{
    showHelpPage(QStringLiteral("CreateString.htm"));
}

void Form1::VerifyOp_Click()
{
    showHelpPage(QStringLiteral("Verify.htm"));
}

void Form1::CloseHelp_Click()
{
    if (m_webBrowser)
        m_webBrowser->setVisible(false);
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
