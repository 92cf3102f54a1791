// The window's controls: each at its place in twips, named, captioned and
// described for assistive technology as the layout in FormLayout.h says.
#include "ui/Form1.h"

#include "ui/ClickLabel.h"
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
#include "ui/model/KeyStringChecker.h"
#include "ui/model/MainModel.h"
#include "ui/model/Prompter.h"

#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QMenuBar>
#include <QProgressBar>

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

} // namespace

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
    fitTexts(m_client);
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
        line(m_client, indexed("Line1", k))->setGeometry(lineRect(RuleLeft, RuleRight, ruleY(k)));
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
        string->onTypedChar = [this, i](int code) { return m_checker->typedCharacter(i, code); };
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
