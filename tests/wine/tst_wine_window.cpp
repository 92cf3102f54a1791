// The window under Wine, on an X server with a window manager: keys typed
// through the X server (xdotool) as a keyboard types them, read back from the
// window probe's report and from the screen; a read through COM1 fills the
// sixteen rows; the shipped KORVEXConfig.exe takes F5 as the probe does.
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
    const QString folder = env("KORVEX_WINE_SCREENSHOTS");
    if (!folder.isEmpty())
        image.save(QDir(folder).filePath(name));
}

// The window's title, the probe's and the program's alike.
const QString Title = u"^KORVEX CONFIG v"_s;

// How many visible windows the X server has by that title.
int xWindows(bool wait)
{
    QProcess search;
    QStringList args{u"search"_s, u"--onlyvisible"_s, u"--name"_s, Title};
    if (wait)
        args.insert(1, u"--sync"_s);
    search.start(u"xdotool"_s, args);
    return search.waitForFinished(WaitMs) ? int(search.readAllStandardOutput().count('\n')) : -1;
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

// The window probe under Wine, and what it has said.
struct Probe
{
    Probe(const QString &ini, const QString &programDir)
        : process(start(env("KORVEX_WINE_PROBE"), {windowsPath(ini), windowsPath(programDir)}))
    {}
    ~Probe()
    {
        process->kill();
        process->waitForFinished(WaitMs);
    }
    // Reads its report until it says line; false when time runs out or it
    // ends first.
    bool saw(const QString &wanted)
    {
        for (QDeadlineTimer deadline(WaitMs); process->state() == QProcess::Running && !deadline.hasExpired();
             process->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            while (process->canReadLine()) {
                const QString line = QString::fromUtf8(process->readLine()).trimmed();
                lines << line;
                const QStringList words = line.split(u' ');
                if (words.value(0) == u"rect"_s && words.size() == 6)
                    rects[words[1]] =
                        QRect(words[2].toInt(), words[3].toInt(), words[4].toInt(), words[5].toInt());
                if (words.value(0) == u"clipped"_s)
                    clipped << line;
                if (line == wanted)
                    return true;
            }
        }
        return false;
    }

    std::unique_ptr<QProcess> process;
    QStringList lines; // all it has said
    QMap<QString, QRect> rects;
    QStringList clipped;
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
    QImage m_blankKey;  // row 1's key field before any key
    QImage m_f5Key;     // and showing F5
    QImage m_firstShot; // the window as it first showed

    QRect keyField() { return m_probe->rects.value(u"KbdKey_0"_s); }
    // The sixteen rows, from the first key field to the last one's row.
    QRect rowsArea()
    {
        return m_probe->rects.value(u"KbdKey_0"_s)
            .united(m_probe->rects.value(u"KbdKey_15"_s))
            .adjusted(-40, 0, 160, 0);
    }

private slots:
    void initTestCase()
    {
        if (!configured() || env("DISPLAY").isEmpty() || !QFileInfo::exists(env("KORVEX_WINE_PROBE")))
            QSKIP("needs an X display, WINEPREFIX, KORVEX_WINE_PROGRAMS and KORVEX_WINE_PROBE "
                  "(script/test-windows sets them)");
        // COM1: a device that holds sixteen rows, put there by korvexctl.exe.
        m_ports = std::make_unique<Ports>(QStringList{QString()});
        QVERIFY(m_ports->ok);
        QCOMPARE(
            m_ports->run({u"write"_s, m_ports->file(u"rows.cfg"_s, SixteenRows), u"-p"_s, u"COM1"_s}).exit,
            0);
        m_probe = std::make_unique<Probe>(m_ports->ini(), env("KORVEX_WINE_PROGRAMS"));
        QVERIFY(m_probe->saw(u"ready"_s));
    }

    void layout()
    {
        // The design's client area, every caption whole in the fonts Windows
        // (here Wine) has.
        const QRect client = m_probe->rects.value(u"Form1"_s);
        // The pointer off the window: a control under it is drawn otherwise.
        QVERIFY(xdotool({u"mousemove"_s, u"--sync"_s, u"0"_s, u"0"_s}));
        keep(screen(client), u"window-under-wine.png"_s);
        m_firstShot = settled(rowsArea(), QImage());
        QCOMPARE(m_probe->clipped, QStringList());
        QVERIFY2(client.width() >= 773 && client.height() >= 535,
                 qPrintable(u"%1x%2"_s.arg(client.width()).arg(client.height())));
        m_blankKey = screen(keyField());
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
        const QPoint centre = keyField().center();
        QVERIFY(xdotool({u"mousemove"_s, u"--sync"_s, QString::number(centre.x()),
                         QString::number(centre.y()), u"click"_s, u"1"_s}));
        for (const QString &key : keys)
            QVERIFY(xdotool({u"key"_s, key}));
        QVERIFY2(m_probe->saw(u"key 1 "_s + name), qPrintable(name));
        if (name == u"F5"_s) {
            m_f5Key = settled(keyField(), m_blankKey);
            QVERIFY(!m_f5Key.isNull());
            keep(m_f5Key, u"key-field-F5.png"_s);
        }
    }

    void readFillsTheRows()
    {
        const QPoint button = m_probe->rects.value(u"Command1"_s).center();
        QVERIFY(xdotool({u"mousemove"_s, u"--sync"_s, QString::number(button.x()),
                         QString::number(button.y()), u"click"_s, u"1"_s}));
        QVERIFY(m_probe->saw(u"string 16 S15{0D}"_s));
        // Every row as the device holds it: its key, then its string.
        for (int i = 0; i < 16; ++i) {
            const QString key = u"key %1 %2"_s.arg(i + 1).arg(QLatin1String(Keys[i]));
            const QString string = u"string %1 S%2{0D}"_s.arg(i + 1).arg(i);
            QVERIFY2(m_probe->lines.lastIndexOf(key) >= 0 &&
                         m_probe->lines.lastIndexOf(key) < m_probe->lines.lastIndexOf(string),
                     qPrintable(key));
        }
        keep(settled(m_probe->rects.value(u"Form1"_s), QImage()), u"window-after-read.png"_s);
    }

    void shippedProgramTakesF5()
    {
        // KORVEXConfig.exe from the zip starts, where the probe's window was
        // and drawn pixel for pixel as the probe's first was, so it is laid
        // out the same; row 1's key field there then shows F5 as the probe's
        // did.
        QVERIFY(!m_f5Key.isNull() && !m_firstShot.isNull());
        const QRect client = m_probe->rects.value(u"Form1"_s);
        const QRect rows = rowsArea();
        const QRect field = keyField();
        m_probe.reset();
        QTRY_COMPARE_WITH_TIMEOUT(xWindows(false), 0, WaitMs);

        QVERIFY(xdotool({u"mousemove"_s, u"--sync"_s, u"0"_s, u"0"_s}));
        auto program = start(WineRig::program(u"KORVEXConfig.exe"_s), {});
        QCOMPARE(xWindows(true), 1);
        QTRY_COMPARE_WITH_TIMEOUT(screen(rows), m_firstShot, WaitMs);
        const QPoint centre = field.center();
        QVERIFY(xdotool({u"mousemove"_s, u"--sync"_s, QString::number(centre.x()),
                         QString::number(centre.y()), u"click"_s, u"1"_s, u"key"_s, u"F5"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(screen(field), m_f5Key, 10000);
        keep(screen(client), u"shipped-program-F5.png"_s);
        program->kill();
        program->waitForFinished(WaitMs);
    }
};

QTEST_MAIN(TestWineWindow)
#include "tst_wine_window.moc"
