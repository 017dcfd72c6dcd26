#include "SheetReader.h"

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
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("path");
    QTest::addColumn<GivenValues>("values");

    QTest::newRow("as show writes it") << Header + "a.html\tShop\tTools\\r\\nparts\t\tfound\tfound\tmissing\n"
                                       << 2 << QStringLiteral("a.html")
                                       << given(QStringLiteral("Shop"), QStringLiteral("Tools\r\nparts"), QString());
    QTest::newRow("byte-order mark, CR LF and blank lines")
        << "\xEF\xBB\xBF" + QByteArray(Header).replace("\n", "\r\n")
            + "\r\n\r\nb.html\tT\tD\tK\tfound\tfound\tfound\r\n"
        << 4 << QStringLiteral("b.html") << given(QStringLiteral("T"), QStringLiteral("D"), QStringLiteral("K"));
    QTest::newRow("columns reordered, status columns left out")
        << QByteArray("keywords\tPath\ttitle\tdescription\nK\tc.html\tT\tD\n") << 2 << QStringLiteral("c.html")
        << given(QStringLiteral("T"), QStringLiteral("D"), QStringLiteral("K"));
    QTest::newRow("a value column left out is not given")
        << QByteArray("path\tkeywords\nd.html\t\n") << 2 << QStringLiteral("d.html")
        << given(std::nullopt, std::nullopt, QString());
    QTest::newRow("spreadsheet quotes") << QByteArray("path\ttitle\ne.html\t\"say \"\"hi\"\"\"\n") << 2
                                        << QStringLiteral("e.html")
                                        << given(QStringLiteral("say \"hi\""), std::nullopt, std::nullopt);
    QTest::newRow("JSON lines, null is not given")
        << QByteArray(R"({"path":"f.html","title":"T\tx","description":null,"keywords":"","title_status":"found"})")
        << 1 << QStringLiteral("f.html") << given(QStringLiteral("T\tx"), std::nullopt, QString());
}

void TestSheetReader::readsTheRowsOfASheet()
{
    QFETCH(QByteArray, sheet);
    QFETCH(int, line);
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

    QTest::newRow("empty") << QByteArray("\n\n");
    QTest::newRow("no path column") << QByteArray("title\tdescription\nT\tD\n");
    QTest::newRow("misspelt column") << QByteArray("path\ttitel\na.html\tT\n");
    QTest::newRow("column twice") << QByteArray("path\ttitle\tTitle\na.html\tT\tU\n");
}

void TestSheetReader::refusesASheetWithoutAUsableHeader()
{
    QFETCH(QByteArray, sheet);

    const Sheet read = ReadSheet(sheet);
    QVERIFY(!read.error.isEmpty());
    QVERIFY(read.rows.empty());
}

void TestSheetReader::reportsABadRowWithItsLine_data()
{
    QTest::addColumn<QByteArray>("badLine");

    QTest::newRow("too few columns") << QByteArray("b.html\tT\n");
    QTest::newRow("too many columns") << QByteArray("b.html\tT\tD\tK\tx\n");
    QTest::newRow("unknown escape") << QByteArray("b.html\tC:\\web\tD\tK\n");
    QTest::newRow("not UTF-8") << QByteArray("b.html\tCaf\xe9\tD\tK\n");
    QTest::newRow("no path") << QByteArray("\tT\tD\tK\n");
}

void TestSheetReader::reportsABadRowWithItsLine()
{
    QFETCH(QByteArray, badLine);

    const QByteArray good = "a.html\tT\tD\tK\n";
    const Sheet read = ReadSheet("path\ttitle\tdescription\tkeywords\n" + good + badLine + good);
    QCOMPARE(read.rows.size(), std::size_t(3));
    QCOMPARE(read.rows[1].line, 3);
    QVERIFY(!read.rows[1].error.isEmpty());
    QCOMPARE(read.rows[0].error, QString());
    QCOMPARE(read.rows[2].error, QString());
}

QTEST_APPLESS_MAIN(TestSheetReader)
#include "tst_sheetreader.moc"
