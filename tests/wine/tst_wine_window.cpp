// The window under Wine, on an X server with a window manager: keys typed
// through the X server (xdotool) as a keyboard types them, read back from the
// window probe's report and from the screen; a read through COM1 fills the
// sixteen rows; the Configuration dialog stores a port above COM8; the
// shipped KORVEXConfig.exe opens a .cfg file it is given and takes F5 as the
// probe does.
// Needs what WineRig.h names, DISPLAY, and KORVEX_WINE_PROBE;
// KORVEX_WINE_SCREENSHOTS, if set, is where the screenshots go.
#include "WineRig.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace WineRig;

namespace {

bool xdotool(const QStringList &args)
{
    return QProcess::execute(u"xdotool"_s, args) == 0;
}

QImage screen(const QRect &area)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage();
}

void keep(const QImage &image, const QString &name)
{
    if (qEnvironmentVariableIsSet("KORVEX_WINE_SCREENSHOTS"))
        image.save(QDir(qEnvironmentVariable("KORVEX_WINE_SCREENSHOTS")).filePath(name));
}

// How many visible windows the X server has with the window's title.
int xWindows()
{
    QProcess search;
    search.start(u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^KORVEX CONFIG v"_s});
    return search.waitForFinished(WaitMs) ? int(search.readAllStandardOutput().count('\n')) : -1;
}

// A click there, then the keys.
bool clickAt(const QPoint &point, const QStringList &keys = {})
{
    const QStringList click{
        u"mousemove"_s, u"--sync"_s, QString::number(point.x()), QString::number(point.y()),
        u"click"_s,     u"1"_s};
    return xdotool(keys.isEmpty() ? click : click + QStringList{u"key"_s} + keys);
}

// The screen under area once it differs from before and has stayed the same
// for a moment (Wine hands drawing to the X server a little later).
QImage settled(const QRect &area, const QImage &before)
{
    QImage last = screen(area);
    QDeadlineTimer deadline(WaitMs);
    while (!deadline.hasExpired()) {
        QTest::qWait(250);
        const QImage now = screen(area);
        if (now == last && now != before)
            return now;
        last = now;
    }
    return {};
}

// The window probe under Wine (ended with it), and what it has said.
struct Probe
{
    Probe(const QString &ini, const QString &programDir)
        : process(
              start(qEnvironmentVariable("KORVEX_WINE_PROBE"), {windowsPath(ini), windowsPath(programDir)}))
    {}
    // Reads its report until it says line; false when time runs out or it
    // ends first.
    bool saw(const QString &wanted)
    {
        for (QDeadlineTimer deadline(WaitMs);;
             process->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            while (process->canReadLine()) {
                const QString line = QString::fromUtf8(process->readLine()).trimmed();
                lines << line;
                const QStringList words = line.split(u' ');
                if (words.value(0) == u"rect"_s && words.size() == 6)
                    rects[words[1]] =
                        QRect(words[2].toInt(), words[3].toInt(), words[4].toInt(), words[5].toInt());
                if (line == wanted.trimmed()) // an empty key name ends in a space
                    return true;
            }
            if (deadline.hasExpired() || process->state() == QProcess::NotRunning)
                return false;
        }
    }

    std::unique_ptr<QProcess> process;
    QStringList lines; // all it has said
    QMap<QString, QRect> rects;
};

// Row n's key; its string is S(n-1){0D}.
const char *const Keys[] = {"F1", "F2",  "F3",  "F4",  "F5", "F6", "F7",  "F8",
                            "F9", "F10", "F11", "F12", "A",  "B",  "ESC", "TAB"};

const QByteArray SixteenRows = [] {
    QByteArray rows = "#sixteen rows\r\n";
    for (int i = 0; i < 16; ++i)
        rows += QByteArray::number(i + 1).rightJustified(2, '0') + '\t' + Keys[i] + "\tS" +
                QByteArray::number(i) + "{0D}\r\n";
    return rows;
}();

} // namespace

class TestWineWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<Ports> m_ports;
    std::unique_ptr<Probe> m_probe;
    QImage m_blankKey; // row 1's key field before any key
    QImage m_f5Key;    // and showing F5
    QImage m_f5Row;    // row 5's, once a read or a file gave it F5

    QRect keyField() { return m_probe->rects.value(u"KbdKey_0"_s); }

private slots:
    void initTestCase()
    {
        if (!configured() || qEnvironmentVariable("DISPLAY").isEmpty() ||
            !QFileInfo::exists(qEnvironmentVariable("KORVEX_WINE_PROBE")))
            QSKIP("needs an X display, WINEPREFIX, KORVEX_WINE_PROGRAMS and KORVEX_WINE_PROBE "
                  "(script/test-windows sets them)");
        // COM1: a device that holds sixteen rows, put there by korvexctl.exe.
        m_ports = std::make_unique<Ports>(QStringList{QString()});
        QVERIFY(m_ports->ok);
        QCOMPARE(
            m_ports->run({u"write"_s, m_ports->file(u"rows.cfg"_s, SixteenRows), u"-p"_s, u"COM1"_s}).exit,
            0);
        m_probe = std::make_unique<Probe>(m_ports->ini(), qEnvironmentVariable("KORVEX_WINE_PROGRAMS"));
        QVERIFY(m_probe->saw(u"ready"_s));
    }

    void layout()
    {
        // The design's client area, every text whole in the fonts Windows
        // (here Wine) has, or, without them, in whatever font it gives
        // (script/test-windows runs this also before the prefix has any).
        const QRect client = m_probe->rects.value(u"Form1"_s);
        // The pointer off the window: a control under it is drawn otherwise.
        QVERIFY(xdotool({u"mousemove"_s, u"--sync"_s, u"0"_s, u"0"_s}));
        QCOMPARE(m_probe->lines.filter(QRegularExpression(u"^clipped "_s)), QStringList());
        QVERIFY(client.width() >= 773 && client.height() >= 535);
        m_blankKey = settled(keyField(), QImage());
    }

    void keyCapture_data()
    {
        // xdotool key names, in the order typed into row 1's key field; the
        // key name the row then holds. Num Lock starts off.
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("name");
        QTest::newRow("F5") << QStringList{u"F5"_s} << u"F5"_s;
        QTest::newRow("Q") << QStringList{u"q"_s} << u"Q"_s;
        QTest::newRow("Shift+1 is the 1 key") << QStringList{u"shift+1"_s} << u"1"_s;
        QTest::newRow("keypad 5 with Num Lock on") << QStringList{u"Num_Lock"_s, u"KP_5"_s} << u"e"_s;
        QTest::newRow("keypad Delete with Num Lock off")
            << QStringList{u"Num_Lock"_s, u"KP_Delete"_s} << QString();
    }
    void keyCapture()
    {
        QFETCH(QStringList, keys);
        QFETCH(QString, name);
        QVERIFY(clickAt(keyField().center(), keys));
        QVERIFY2(m_probe->saw(u"key 1 "_s + name), qPrintable(name));
        if (name == u"F5"_s) // what the shipped program must show too
            QVERIFY(!(m_f5Key = settled(keyField(), m_blankKey)).isNull());
    }

    void readFillsTheRows()
    {
        QVERIFY(clickAt(m_probe->rects.value(u"Command1"_s).center()));
        QVERIFY(m_probe->saw(u"string 16 S15{0D}"_s) && m_probe->saw(u"idle"_s));
        // Every row as the device holds it.
        for (int i = 0; i < 16; ++i)
            QVERIFY(m_probe->lines.contains(u"key %1 %2"_s.arg(i + 1).arg(QLatin1String(Keys[i]))) &&
                    m_probe->lines.contains(u"string %1 S%2{0D}"_s.arg(i + 1).arg(i)));
        keep(settled(m_probe->rects.value(u"Form1"_s), QImage()), u"window-after-read.png"_s);
        m_f5Row = screen(m_probe->rects.value(u"KbdKey_4"_s)); // as settled just now
    }

    void configuration()
    {
        // The dialog's texts whole too; COM20, which the prefix has beside
        // COM1 to COM4, is listed: chosen by typing its name into the list,
        // it is what SAVE stores. (After the read: the window then uses COM20.)
        QVERIFY(clickAt(m_probe->rects.value(u"Config"_s).center()) && m_probe->saw(u"dialog ready"_s));
        QCOMPARE(m_probe->lines.filter(QRegularExpression(u"^clipped "_s)), QStringList());
        QVERIFY(xdotool(u"key Tab Tab Tab c o m 2 0"_s.split(u' '))); // from SAVE to the list, typed there
        QVERIFY(clickAt(m_probe->rects.value(u"ConfigSave"_s).center()));
        QTRY_VERIFY_WITH_TIMEOUT(readFile(m_ports->ini()).contains("PORT=20"), WaitMs);
    }

    void shippedProgram()
    {
        // KORVEXConfig.exe from the zip, given a .cfg file as Explorer's
        // "Open with" gives it one, starts where the probe's window was: row
        // 1's key field drawn there as the probe's was, row 5's showing the
        // file's F5 as the probe's did after the read. It then takes F5 as
        // the probe did.
        QVERIFY(!m_f5Key.isNull() && !m_blankKey.isNull() && !m_f5Row.isNull());
        const QRect client = m_probe->rects.value(u"Form1"_s);
        const QRect field = keyField();
        const QRect row5 = m_probe->rects.value(u"KbdKey_4"_s);
        m_probe.reset();
        QTRY_COMPARE_WITH_TIMEOUT(xWindows(), 0, WaitMs);

        QVERIFY(xdotool({u"mousemove"_s, u"--sync"_s, u"0"_s, u"0"_s}));
        auto program =
            start(QDir(qEnvironmentVariable("KORVEX_WINE_PROGRAMS")).filePath(u"KORVEXConfig.exe"_s),
                  {windowsPath(m_ports->file(u"open.cfg"_s, "05\tF5\tS4{0D}\r\n"))});
        QTRY_COMPARE_WITH_TIMEOUT(xWindows(), 1, WaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(screen(field), m_blankKey, WaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(screen(row5), m_f5Row, WaitMs);
        QVERIFY(clickAt(field.center(), {u"F5"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(screen(field), m_f5Key, 10000);
        keep(screen(client), u"shipped-program-F5.png"_s);
        program->kill();
        program->waitForFinished(WaitMs);
    }
};

QTEST_MAIN(TestWineWindow)
#include "tst_wine_window.moc"
