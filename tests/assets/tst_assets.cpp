// The files the program loads from its own directory: the two row status
// pictures and the four help pages. A picture that does not load or a page
// the help view decodes wrongly shows up only when an operator meets it, so
// check them where the build puts them.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QStringDecoder>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

namespace {
const QDir ProgramDir(QStringLiteral(KORVEX_TEST_PROGRAM_DIR));
const QStringList HelpPages = {QStringLiteral("OverView.htm"), QStringLiteral("EnterKey.htm"),
                               QStringLiteral("CreateString.htm"), QStringLiteral("Verify.htm")};
} // namespace

class tst_Assets : public QObject
{
    Q_OBJECT

private slots:
    void statusPicture_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("green");
        // Swapped files would tell the operator the opposite of the truth.
        QTest::newRow("question mark is blue") << QStringLiteral("question-mark.gif") << false;
        QTest::newRow("check mark is green") << QStringLiteral("checkmark.gif") << true;
    }

    void statusPicture()
    {
        QFETCH(QString, file);
        QFETCH(bool, green);
        const QImage image(ProgramDir.filePath(file), "gif");
        QCOMPARE(image.size(), QSize(40, 48)); // 5:6 like the control it is stretched into
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        qint64 g = 0, b = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                g += image.pixelColor(x, y).green() * image.pixelColor(x, y).alpha();
                b += image.pixelColor(x, y).blue() * image.pixelColor(x, y).alpha();
            }
        }
        QCOMPARE(g > b, green);
    }

    void helpPage_data()
    {
        QTest::addColumn<QString>("page");
        for (const QString &page : HelpPages)
            QTest::newRow(qPrintable(page)) << page;
    }

    void helpPage()
    {
        QFETCH(QString, page);
        QFile file(ProgramDir.filePath(page));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(bytes);
        QVERIFY2(!utf8.hasError(), "not valid UTF-8");
        // The view picks its decoder from the page's own declaration; without
        // it every dash turns into stray Latin-1 characters.
        QStringDecoder asTheViewReadsIt = QStringDecoder::decoderForHtml(bytes);
        QCOMPARE(asTheViewReadsIt.decode(bytes), text);

        QTextDocument document;
        document.setHtml(text);
        QVERIFY(!document.metaInformation(QTextDocument::DocumentTitle).isEmpty());
        QSet<QString> reached;
        const QUrl base = QUrl::fromLocalFile(file.fileName());
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QString href = it.fragment().charFormat().anchorHref();
                if (href.isEmpty())
                    continue;
                QVERIFY2(QUrl(href).isRelative(), qPrintable(href + QStringLiteral(" leaves the help pages")));
                const QUrl target = base.resolved(QUrl(href));
                QVERIFY2(QFile::exists(target.toLocalFile()), qPrintable(href + QStringLiteral(" leads nowhere")));
                reached.insert(target.fileName());
            }
        }
        for (const QString &other : HelpPages)
            QVERIFY2(other == page || reached.contains(other), qPrintable(QStringLiteral("no link to ") + other));
    }
};

QTEST_MAIN(tst_Assets)
#include "tst_assets.moc"
