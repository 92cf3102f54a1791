// The files the program loads from its own directory at run time: the two row
// status pictures and the four help pages. A picture that does not load, a
// page the help view decodes wrongly or a link that leads nowhere shows up
// only when an operator meets it, so check them where the build puts them.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QStringDecoder>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QUrl>
#include <QVariant>

namespace {

const QString ProgramDir = QStringLiteral(KORVEX_TEST_PROGRAM_DIR);
const QString DesktopDir = QStringLiteral(KORVEX_TEST_DESKTOP_DIR);
const QString AppId = QStringLiteral(KORVEX_TEST_APP_ID);

// The pages the Help menu opens, by these names.
const QStringList HelpPages = {QStringLiteral("OverView.htm"), QStringLiteral("EnterKey.htm"),
                               QStringLiteral("CreateString.htm"), QStringLiteral("Verify.htm")};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The page as the help view reads it: the view picks the decoder from the
// page's own charset declaration, not from the file system.
QString decodeAsHelpView(const QByteArray &bytes)
{
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    return decoder.decode(bytes);
}

struct PageLinks
{
    QStringList hrefs;
    QStringList images;
    QStringList styleSheets;
    QSet<QString> anchors;
};

// Notes which style sheets the rich-text engine asks for while it reads a page.
class StyleSheetRecorder : public QTextDocument
{
public:
    QStringList requested;

protected:
    QVariant loadResource(int type, const QUrl &name) override
    {
        if (type == QTextDocument::StyleSheetResource)
            requested << name.toString();
        return QTextDocument::loadResource(type, name);
    }
};

// Links, pictures and anchor names as Qt's rich-text engine sees them, which
// is what the help view follows.
PageLinks linksOf(const QString &html)
{
    StyleSheetRecorder document;
    document.setHtml(html);
    PageLinks links;
    links.styleSheets = document.requested;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isAnchor()) {
                if (!format.anchorHref().isEmpty())
                    links.hrefs << format.anchorHref();
                for (const QString &name : format.anchorNames())
                    links.anchors.insert(name);
            }
            if (format.isImageFormat())
                links.images << format.toImageFormat().name();
        }
    }
    return links;
}

// Counts the opaque pixels and adds up their colour.
struct Coverage
{
    int opaque = 0;
    qint64 red = 0, green = 0, blue = 0;
};

Coverage coverageOf(const QImage &image)
{
    Coverage c;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour.alpha() == 0)
                continue;
            ++c.opaque;
            c.red += colour.red();
            c.green += colour.green();
            c.blue += colour.blue();
        }
    }
    return c;
}

} // namespace

class tst_Assets : public QObject
{
    Q_OBJECT

private slots:
    void statusPicture_data();
    void statusPicture();
    void helpPageDecodesAsUtf8_data();
    void helpPageDecodesAsUtf8();
    void helpPageLinksResolve_data();
    void helpPageLinksResolve();
    void helpPageLeadsToEveryOtherPage_data();
    void helpPageLeadsToEveryOtherPage();
    void applicationIcon_data();
    void applicationIcon();
};

void tst_Assets::statusPicture_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("green");

    // Swapped files would tell the operator the opposite of the truth.
    QTest::newRow("question mark is blue-grey") << QStringLiteral("question-mark.gif") << false;
    QTest::newRow("check mark is green") << QStringLiteral("checkmark.gif") << true;
}

void tst_Assets::statusPicture()
{
    QFETCH(QString, file);
    QFETCH(bool, green);

    const QString path = QDir(ProgramDir).filePath(file);
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArrayLiteral("gif"));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(path + QStringLiteral(": ") + reader.errorString()));

    // 5:6 like the 250 x 300 twip icon it is stretched into, so never distorted.
    QCOMPARE(image.size(), QSize(40, 48));

    // Transparent around the shape, so it sits on any window background.
    QVERIFY(image.hasAlphaChannel());
    const QList<QPoint> corners = {{0, 0}, {39, 0}, {0, 47}, {39, 47}};
    for (const QPoint &corner : corners)
        QCOMPARE(image.pixelColor(corner).alpha(), 0);

    const Coverage c = coverageOf(image);
    // A shape that still reads at about 17 x 20 pixels, not a speck or a block.
    QVERIFY2(c.opaque > image.width() * image.height() / 10, qPrintable(QString::number(c.opaque)));
    QVERIFY2(c.opaque < image.width() * image.height() / 2, qPrintable(QString::number(c.opaque)));
    if (green) {
        QVERIFY(c.green > c.red && c.green > c.blue);
    } else {
        QVERIFY(c.blue > c.red && c.blue > c.green);
    }
}

void tst_Assets::helpPageDecodesAsUtf8_data()
{
    QTest::addColumn<QString>("page");
    for (const QString &page : HelpPages)
        QTest::newRow(qPrintable(page)) << page;
}

void tst_Assets::helpPageDecodesAsUtf8()
{
    QFETCH(QString, page);

    const QByteArray bytes = readFile(QDir(ProgramDir).filePath(page));
    QVERIFY2(!bytes.isEmpty(), qPrintable(page + QStringLiteral(" is missing or empty")));

    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    QVERIFY2(!utf8.hasError(), "not valid UTF-8");

    // Without the declaration the view falls back to Latin-1 and every dash
    // and arrow turns into two or three stray characters.
    QVERIFY(bytes.contains(
        QByteArrayLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">")));
    QCOMPARE(decodeAsHelpView(bytes), text);

    QTextDocument document;
    document.setHtml(text);
    QVERIFY2(!document.metaInformation(QTextDocument::DocumentTitle).isEmpty(), "no title");
    QVERIFY2(document.toPlainText().size() > 500, "hardly any text");
}

void tst_Assets::helpPageLinksResolve_data()
{
    helpPageDecodesAsUtf8_data();
}

void tst_Assets::helpPageLinksResolve()
{
    QFETCH(QString, page);

    const QUrl base = QUrl::fromLocalFile(QDir(ProgramDir).filePath(page));
    const PageLinks links = linksOf(decodeAsHelpView(readFile(base.toLocalFile())));
    QVERIFY2(!links.hrefs.isEmpty(), "the page links nowhere");

    for (const QString &href : links.hrefs) {
        const QUrl url(href);
        // The help is read offline, inside the program: only its own pages.
        QVERIFY2(url.isRelative(), qPrintable(href + QStringLiteral(" leaves the help pages")));
        const QUrl target = base.resolved(url);
        const QString targetPath = target.toLocalFile();
        QVERIFY2(QFileInfo(targetPath).isFile(), qPrintable(href + QStringLiteral(" leads nowhere")));
        if (target.hasFragment()) {
            const PageLinks there = linksOf(decodeAsHelpView(readFile(targetPath)));
            QVERIFY2(there.anchors.contains(target.fragment()),
                     qPrintable(href + QStringLiteral(": no such anchor")));
        }
    }

    for (const QString &sheet : links.styleSheets) {
        const QString path = base.resolved(QUrl(sheet)).toLocalFile();
        QVERIFY2(QFileInfo(path).isFile(), qPrintable(sheet + QStringLiteral(" is missing")));
    }

    for (const QString &source : links.images) {
        const QString path = base.resolved(QUrl(source)).toLocalFile();
        QVERIFY2(!QImage(path).isNull(), qPrintable(source + QStringLiteral(" does not load")));
    }
}

void tst_Assets::helpPageLeadsToEveryOtherPage_data()
{
    helpPageDecodesAsUtf8_data();
}

void tst_Assets::helpPageLeadsToEveryOtherPage()
{
    QFETCH(QString, page);

    const QUrl base = QUrl::fromLocalFile(QDir(ProgramDir).filePath(page));
    QSet<QString> reached;
    for (const QString &href : linksOf(decodeAsHelpView(readFile(base.toLocalFile()))).hrefs)
        reached.insert(base.resolved(QUrl(href)).adjusted(QUrl::RemoveFragment).fileName());

    for (const QString &other : HelpPages) {
        if (other != page)
            QVERIFY2(reached.contains(other), qPrintable(QStringLiteral("no link to ") + other));
    }
}

void tst_Assets::applicationIcon_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("size");

    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1x%1").arg(size);
        QTest::newRow(qPrintable(dir)) << QStringLiteral("icons/%1/%2.png").arg(dir, AppId) << size;
    }
}

void tst_Assets::applicationIcon()
{
    QFETCH(QString, file);
    QFETCH(int, size);

    // The icon theme picks a picture by its folder; a wrong size is drawn blurred.
    const QImage image(QDir(DesktopDir).filePath(file));
    QVERIFY2(!image.isNull(), qPrintable(file));
    QCOMPARE(image.size(), QSize(size, size));
    QVERIFY(image.hasAlphaChannel());
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
}

QTEST_MAIN(tst_Assets)
#include "tst_assets.moc"
