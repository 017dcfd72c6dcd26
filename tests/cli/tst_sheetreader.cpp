#include "SheetReader.h"

#include <QBuffer>
#include <QTest>

using cli::GivenValues;
using cli::ReadSheet;
using cli::Sheet;

namespace {

GivenValues given(std::optional<QString> title, std::optional<QString> description, std::optional<QString> keywords)
{
    return { std::move(title), std::move(description), std::move(keywords) };
}

const QByteArray Header = "path\ttitle\tdescription\tkeywords\ttitle_status\tdescription_status\tkeywords_status\n";

} // namespace

class TestSheetReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsTheRowsOfASheet_data();
    void readsTheRowsOfASheet();
    void refusesASheetWithoutAUsableHeader_data();
    void refusesASheetWithoutAUsableHeader();
    void reportsABadRowWithItsLine_data();
    void reportsABadRowWithItsLine();
};

void TestSheetReader::readsTheRowsOfASheet_data()
{
    QTest::addColumn<QByteArray>("sheet");
    QTest::addColumn<qint64>("line");
    QTest::addColumn<QString>("path");
    QTest::addColumn<GivenValues>("values");

    QTest::newRow("as show writes it") << Header + "a.html\tShop\tTools\\r\\nparts\t\tfound\tfound\tmissing\n"
                                       << qint64(2) << QStringLiteral("a.html")
                                       << given(QStringLiteral("Shop"), QStringLiteral("Tools\r\nparts"), QString());
    QTest::newRow("byte-order mark, CR LF and blank lines")
        << "\xEF\xBB\xBF" + QByteArray(Header).replace("\n", "\r\n")
            + "\r\n\r\nb.html\tT\tD\tK\tfound\tfound\tfound\r\n"
        << qint64(4) << QStringLiteral("b.html")
        << given(QStringLiteral("T"), QStringLiteral("D"), QStringLiteral("K"));
    QTest::newRow("columns reordered, status columns left out")
        << QByteArray("keywords\tPath\ttitle\tdescription\nK\tc.html\tT\tD\n") << qint64(2) << QStringLiteral("c.html")
        << given(QStringLiteral("T"), QStringLiteral("D"), QStringLiteral("K"));
    QTest::newRow("a value column left out is not given")
        << QByteArray("path\tkeywords\nd.html\t\n") << qint64(2) << QStringLiteral("d.html")
        << given(std::nullopt, std::nullopt, QString());
    QTest::newRow("spreadsheet quotes") << QByteArray("path\ttitle\ne.html\t\"say \"\"hi\"\"\"\n") << qint64(2)
                                        << QStringLiteral("e.html")
                                        << given(QStringLiteral("say \"hi\""), std::nullopt, std::nullopt);
    QTest::newRow("JSON lines, null is not given")
        << QByteArray(R"({"path":"f.html","title":"T\tx","description":null,"keywords":"","title_status":"found"})")
        << qint64(1) << QStringLiteral("f.html") << given(QStringLiteral("T\tx"), std::nullopt, QString());
    QTest::newRow("quoted line breaks and tabs, as LibreOffice writes them")
        << QByteArray(
               "path\ttitle\tdescription\r\n\r\n\"g.html\"\t\"line one\nline \"\"two\"\"\"\t\"a\tb\r\n\r\nc\"\r\n")
        << qint64(3) << QStringLiteral("g.html")
        << given(QStringLiteral("line one\nline \"two\""), QStringLiteral("a\tb\r\n\r\nc"), std::nullopt);
    QTest::newRow("CR CR LF line ends add nothing to the last value")
        << QByteArray("path\ttitle\r\r\nh.html\tT\r\r\n") << qint64(2) << QStringLiteral("h.html")
        << given(QStringLiteral("T"), std::nullopt, std::nullopt);
    QTest::newRow("JSON with CR CR LF") << QByteArray("\r\r\n{\"path\":\"i.html\",\"keywords\":\"K\"}\r\r\n")
                                        << qint64(2) << QStringLiteral("i.html")
                                        << given(std::nullopt, std::nullopt, QStringLiteral("K"));
}

void TestSheetReader::readsTheRowsOfASheet()
{
    QFETCH(QByteArray, sheet);
    QFETCH(qint64, line);
    QFETCH(QString, path);
    QFETCH(GivenValues, values);

    const Sheet read = ReadSheet(sheet);
    QCOMPARE(read.error, QString());
    QCOMPARE(read.rows.size(), std::size_t(1));
    QCOMPARE(read.rows.front().error, QString());
    QCOMPARE(read.rows.front().line, line);
    QCOMPARE(read.rows.front().path, path);
    QCOMPARE(read.rows.front().values, values);
}

void TestSheetReader::refusesASheetWithoutAUsableHeader_data()
{
    QTest::addColumn<QByteArray>("sheet");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QString>("reason"); // a part of the error, such as the cell as written

    const qint64 all = cli::SheetSizeLimit;
    QTest::newRow("empty") << QByteArray("\n\n") << all << QStringLiteral("empty");
    QTest::newRow("no path column") << QByteArray("title\tdescription\nT\tD\n") << all << QStringLiteral("\"path\"");
    QTest::newRow("misspelt column, quoted as written")
        << QByteArray("path\tTitel\na.html\tT\n") << all << QStringLiteral("\"Titel\"");
    QTest::newRow("column twice") << QByteArray("path\ttitle\tTitle\na.html\tT\tU\n") << all
                                  << QStringLiteral("\"Title\" twice");
    QTest::newRow("control characters in a header cell")
        << QByteArray("path\tti\x1b[2Jtle\n") << all << QStringLiteral("\"ti\\u001b[2Jtle\"");
    QTest::newRow("longer than the limit")
        << QByteArray("path\ttitle\n") + QByteArray(200, 'x') << qint64(100) << QStringLiteral("larger than 100 bytes");
    QTest::newRow("too many rows for the limit") << QByteArray("path\ttitle\n") + QByteArray("a\tx\n").repeated(20)
                                                 << qint64(2000) << QStringLiteral("larger than 2,000 bytes");
}

void TestSheetReader::refusesASheetWithoutAUsableHeader()
{
    QFETCH(QByteArray, sheet);
    QFETCH(qint64, limit);
    QFETCH(QString, reason);

    QBuffer device(&sheet);
    QVERIFY(device.open(QIODevice::ReadOnly));
    const Sheet read = ReadSheet(device, limit);
    QVERIFY2(read.error.contains(reason), qPrintable(read.error));
    QVERIFY(read.rows.empty());
}

void TestSheetReader::reportsABadRowWithItsLine_data()
{
    QTest::addColumn<QByteArray>("header"); // a blank line for JSON lines
    QTest::addColumn<QByteArray>("badLine");
    QTest::addColumn<QString>("reason");

    const QByteArray tabs = "path\ttitle\tdescription\tkeywords\n";
    QTest::newRow("too few columns") << tabs << QByteArray("b.html\tT\n") << QStringLiteral("2 columns");
    QTest::newRow("too many columns") << tabs << QByteArray("b.html\tT\tD\tK\tx\n") << QStringLiteral("5 columns");
    QTest::newRow("unknown escape") << tabs << QByteArray("b.html\tC:\\web\tD\tK\n") << QStringLiteral("title");
    QTest::newRow("not UTF-8") << tabs << QByteArray("b.html\tCaf\xe9\tD\tK\n") << QStringLiteral("UTF-8");
    QTest::newRow("no path") << tabs << QByteArray("\tT\tD\tK\n") << QStringLiteral("no page");
    QTest::newRow("NUL in a path") << tabs << QByteArray("b.html\0x\tT\tD\tK\n", 15) << QStringLiteral("NUL");
    QTest::newRow("JSON NUL in a path") << QByteArray("\n")
                                        << QByteArray(R"({"path":"site/p2.html\u0000x"})"
                                                      "\n")
                                        << QStringLiteral("NUL");
    QTest::newRow("JSON path that is not text")
        << QByteArray("\n") << QByteArray("{\"path\":5}\n") << QStringLiteral("\"path\" is not text");
}

void TestSheetReader::reportsABadRowWithItsLine()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, badLine);
    QFETCH(QString, reason);

    const QByteArray good = header == "\n" ? "{\"path\":\"a.html\"}\n" : "a.html\tT\tD\tK\n";
    const Sheet read = ReadSheet(header + good + badLine + good);
    QCOMPARE(read.rows.size(), std::size_t(3));
    QCOMPARE(read.rows[1].line, qint64(3));
    QVERIFY2(read.rows[1].error.contains(reason), qPrintable(read.rows[1].error));
    QCOMPARE(read.rows[0].error, QString());
    QCOMPARE(read.rows[2].error, QString());
}

QTEST_APPLESS_MAIN(TestSheetReader)
#include "tst_sheetreader.moc"
