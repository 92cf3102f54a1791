#include "ui/Configuration.h"

#include "core/DecimalNumber.h"
#include "core/KorvexError.h"
#include "core/Waiter.h"
#include "device/PortMapping.h"
#include "ui/Twips.h"
#include "ui/UiFonts.h"
#include "ui/model/Prompter.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>

namespace {

// Fills a list and selects the first item that starts like the stored value;
// none when nothing matches.
void fillAndSelect(QComboBox *list, const QStringList &items, const QString &stored, int compared)
{
    list->addItems(items);
    list->setCurrentIndex(-1);
    for (int i = 0; i < items.size(); ++i) {
        if (items.at(i).left(compared) == stored.left(compared)) {
            list->setCurrentIndex(i);
            return;
        }
    }
}

const QStringList BaudItems = {QStringLiteral("2400"),  QStringLiteral("4800"),  QStringLiteral("9600"),
                               QStringLiteral("19.2k"), QStringLiteral("38.4k"), QStringLiteral("57.6k")};

template <typename W> W *place(W *widget, const char *name, const QRect &twips)
{
    return ::place(widget, QLatin1String(name), twips, dialogFont(9.75));
}

QLabel *label(QWidget *parent, const char *name, const QString &caption, const QRect &twips)
{
    auto *l = place(new QLabel(caption, parent), name, twips);
    l->setAccessibleName(caption);
    return l;
}

// "19.2k" is stored as 19200; plain items are stored as written.
QString baudToStore(const QString &item)
{
    if (!item.contains(QLatin1Char('k')))
        return item;
    QString digits = item;
    digits.remove(QLatin1Char('k'));
    const std::optional<double> value = parseDecimal(digits.toLatin1());
    if (!value)
        throw KorvexError(QStringLiteral("\"%1\" is not a baud rate").arg(item));
    return QString::number(static_cast<qint64>(roundHalfEven(*value * 1000.0)));
}

} // namespace

Configuration::Configuration(const AppSettings &current, const SettingsFile &settingsFile, Waiter &waiter,
                             Prompter &prompter, Actions actions, QWidget *parent)
    : QDialog(parent), m_settings(current), m_settingsFile(settingsFile), m_waiter(waiter),
      m_prompter(prompter), m_actions(std::move(actions))
{
    setObjectName(QStringLiteral("Configuration"));
    setWindowTitle(QStringLiteral("Configuration"));
    setFixedSize(px(4665), px(3435));
    setModal(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(255, 238, 255));
    setPalette(colours);
    setAutoFillBackground(true);

    auto *title =
        label(this, "Label2", QStringLiteral("KORVEX Config COM Settings"), QRect(240, 120, 4215, 375));
    title->setFont(dialogFont(13.5, true));
    fitLabel(title, title->width());
    // The captions may grow up to the lists beside them.
    const int captionRoom = px(1680 - 360 - 60);
    fitLabel(label(this, "Label1", QStringLiteral("Com Port"), QRect(360, 855, 1335, 255)), captionRoom);
    m_cboPort = place(new QComboBox(this), "cboPort", QRect(1680, 840, 1455, 360));
    fitLabel(label(this, "Label3", QStringLiteral("Baud Rate"), QRect(360, 1365, 975, 255)), captionRoom);
    m_cboBaud = place(new QComboBox(this), "cboBaud", QRect(1680, 1320, 1455, 360));
    fitLabel(label(this, "Label4", QStringLiteral("Parity"), QRect(360, 1845, 1095, 375)), captionRoom);
    m_cboParity = place(new QComboBox(this), "cboParity", QRect(1680, 1800, 1335, 360));
    m_descripEnable = place(new QCheckBox(QStringLiteral("Enable String Descriptions"), this),
                            "DescripEnable", QRect(840, 2280, 3255, 255));
    m_configSave =
        place(new QPushButton(QStringLiteral("SAVE"), this), "ConfigSave", QRect(960, 2760, 975, 375));
    m_configAbort =
        place(new QPushButton(QStringLiteral("CLOSE"), this), "ConfigAbort", QRect(2400, 2760, 975, 375));
    // Which device "COMn" reaches on this machine; on Linux that is not obvious.
    m_portDevice = place(new QLabel(this), "PortDevice", QRect(120, 3165, 4425, 255));
    m_portDevice->setFont(dialogFont(8.25));
    m_portDevice->setForegroundRole(QPalette::PlaceholderText);
    m_portDevice->setTextFormat(Qt::PlainText);

    m_cboPort->setAccessibleName(QStringLiteral("Com Port"));
    m_cboBaud->setAccessibleName(QStringLiteral("Baud Rate"));
    m_cboParity->setAccessibleName(QStringLiteral("Parity"));
    m_descripEnable->setAccessibleName(m_descripEnable->text());
    m_configSave->setAccessibleName(m_configSave->text());
    m_configAbort->setAccessibleName(m_configAbort->text());
    m_portDevice->setAccessibleName(QStringLiteral("Port Device"));

    setTabOrder(m_configSave, m_configAbort);
    setTabOrder(m_configAbort, m_cboBaud);
    setTabOrder(m_cboBaud, m_cboPort);
    setTabOrder(m_cboPort, m_cboParity);
    setTabOrder(m_cboParity, m_descripEnable);
    m_configSave->setFocus();

    Form_Load();
    fitTexts(this);

    connect(m_cboPort, &QComboBox::currentIndexChanged, this, &Configuration::showPortDevice);
    connect(m_descripEnable, &QCheckBox::toggled, this, &Configuration::DescripEnable_Click);
    connect(m_configSave, &QPushButton::clicked, this, &Configuration::ConfigSave_Click);
    connect(m_configAbort, &QPushButton::clicked, this, &Configuration::ConfigAbort_Click);
}

void Configuration::Form_Load()
{
    const QMap<int, QString> ports = offeredComPorts(systemComPorts(), m_settings.Port);
    for (auto port = ports.cbegin(); port != ports.cend(); ++port)
        m_cboPort->addItem(port.value(), port.key());
    // The list opens as wide as its names, which the box itself cuts off.
    m_cboPort->view()->setMinimumWidth(m_cboPort->view()->sizeHintForColumn(0));
    // A port no COMn stands for cannot be shown: nothing is selected.
    m_cboPort->setCurrentIndex(m_cboPort->findData(int(m_settings.Port)));

    // 9600 selects "9600" and 19200 selects "19.2k": only the first two
    // characters are compared, the first one for the parity.
    fillAndSelect(m_cboBaud, BaudItems, m_settings.Baud, 2);
    fillAndSelect(m_cboParity, ParityNames, m_settings.Parity, 1);

    m_descripEnable->setChecked(m_settings.descriptionsEnabled());
    showPortDevice();
}

void Configuration::showPortDevice()
{
    const int port = m_cboPort->currentData().toInt();
    if (port == 0 || !m_actions.describePort) {
        m_portDevice->clear();
        m_portDevice->setAccessibleDescription(QString());
        return;
    }
    const QString device = m_actions.describePort(port);
    const QString line = QStringLiteral("COM%1 is %2").arg(port).arg(device);
    m_portDevice->setText(
        m_portDevice->fontMetrics().elidedText(line, Qt::ElideMiddle, m_portDevice->width()));
    m_portDevice->setToolTip(line);
    m_portDevice->setAccessibleDescription(line);
}

void Configuration::DescripEnable_Click()
{
    // Takes effect at once, even when the dialog is then closed unsaved.
    m_settings.EnableStrings = m_descripEnable->isChecked() ? 1 : 0;
    if (m_actions.setDescriptionsEnabled)
        m_actions.setDescriptionsEnabled(m_settings.descriptionsEnabled());
}

void Configuration::ConfigSave_Click()
{
    // Saving waits 700 ms with events flowing; a second SAVE or a CLOSE in
    // that time would run the steps twice or close under the running save.
    m_saving = true;
    m_configSave->setEnabled(false);
    m_configAbort->setEnabled(false);
    try {
        saveSteps();
    } catch (const KorvexError &error) {
        m_saving = false;
        m_prompter.message(QStringLiteral("Error saving configuration - ") + error.description());
        m_configSave->setEnabled(true);
        m_configAbort->setEnabled(true);
        return;
    } catch (const OperationAborted &) {
        m_saving = false;
        QDialog::reject();
        return;
    }
    m_saving = false;
    accept();
}

void Configuration::saveSteps()
{
    // Nothing is applied until the file holds the new settings: a save that
    // fails leaves the program, the port and the labels as they were.
    AppSettings chosen = m_settings;
    chosen.Port = static_cast<qint16>(m_cboPort->currentData().toInt());
    chosen.Baud = m_cboBaud->currentIndex() < 0 ? QString() : baudToStore(m_cboBaud->currentText());
    chosen.Parity = m_cboParity->currentText().left(1);
    QString why;
    QString savedTo;
    if (!m_settingsFile.write(chosen, &why, &savedTo))
        throw KorvexError(why);
    m_settings = chosen;
    if (!savedTo.isEmpty())
        m_prompter.message(
            QStringLiteral("%1 cannot be written, so the settings were saved in %2, which is "
                           "read before it.")
                .arg(QDir::toNativeSeparators(m_settingsFile.path()), QDir::toNativeSeparators(savedTo)));

    if (m_actions.apply)
        m_actions.apply(chosen);
    m_waiter.Delay(700);
    if (!chosen.descriptionsEnabled() && m_actions.hideDescription)
        m_actions.hideDescription();
}

void Configuration::ConfigAbort_Click()
{
    reject();
}

void Configuration::reject()
{
    // Escape or the title bar's close button during the post-save wait.
    if (m_saving)
        return;
    QDialog::reject();
}
