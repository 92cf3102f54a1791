// What the window shows of its model, and where the keyboard focus goes
// while it changes.
#include "ui/Form1.h"

#include "core/VisibleText.h"
#include "ui/CfgFileCommands.h"
#include "ui/ClickLabel.h"
#include "ui/DescriptionBox.h"
#include "ui/DescriptionEdit.h"
#include "ui/KbdKeyField.h"
#include "ui/KeyStringField.h"
#include "ui/StatusIcon.h"
#include "ui/StatusLogView.h"
#include "ui/Twips.h"
#include "ui/model/KeyCapture.h"
#include "ui/model/MainModel.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {

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
    m_strLine->setGeometry(lineRect(box.lineLeft(), box.lineRight(), box.lineY()));
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
    captureKey(m_model->rows(), index, virtualKeyFromEvent(keyEventData(*event)),
               keyPressCharCode(event->text()));
}
