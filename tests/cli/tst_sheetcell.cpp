#include "SheetCell.h"

#include <QTest>

using cli::EscapeCell;
using cli::UnescapeCell;

class TestSheetCell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void awkwardTextComesBackWhole_data();
    void awkwardTextComesBackWhole();
    void spreadsheetQuotingIsRead_data();
    void spreadsheetQuotingIsRead();
    void brokenCellsAreRefused_data();
    void brokenCellsAreRefused();
};

void TestSheetCell::awkwardTextComesBackWhole_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");

    QTest::newRow("plain") << QStringLiteral("Tools and parts") << QStringLiteral("Tools and parts");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("tab") << QStringLiteral("a\tb") << QStringLiteral("a\\tb");
    QTest::newRow("CR LF") << QStringLiteral("a\r\nb") << QStringLiteral("a\\r\\nb");
    QTest::newRow("lone LF") << QStringLiteral("a\nb") << QStringLiteral("a\\nb");
    QTest::newRow("lone CR") << QStringLiteral("a\rb") << QStringLiteral("a\\rb");
    QTest::newRow("backslash") << QStringLiteral("C:\\web") << QStringLiteral("C:\\\\web");
    QTest::newRow("backslash then n is no line break") << QStringLiteral("\\n") << QStringLiteral("\\\\n");
    QTest::newRow("backslash at the end") << QStringLiteral("a\\") << QStringLiteral("a\\\\");
    QTest::newRow("non-ASCII") << QStringLiteral("Caf\u00e9 \u20ac \U0001F600")
                               << QStringLiteral("Caf\u00e9 \u20ac \U0001F600");
    QTest::newRow("quotes inside stay bare") << QStringLiteral("say \"hi\"") << QStringLiteral("say \"hi\"");
    QTest::newRow("leading quote is quoted")
        << QStringLiteral("\"hi\" there") << QStringLiteral("\"\"\"hi\"\" there\"");
    QTest::newRow("a lone quote") << QStringLiteral("\"") << QStringLiteral("\"\"\"\"");
}

void TestSheetCell::awkwardTextComesBackWhole()
{
    QFETCH(QString, text);
    QFETCH(QString, cell);

    QCOMPARE(EscapeCell(text), cell);
    QCOMPARE(UnescapeCell(cell), std::optional<QString>(text));
}

void TestSheetCell::spreadsheetQuotingIsRead_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("text");

    QTest::newRow("quoted because of inner quotes")
        << QStringLiteral("\"say \"\"hi\"\"\"") << QStringLiteral("say \"hi\"");
    QTest::newRow("quoted plain text") << QStringLiteral("\"plain\"") << QStringLiteral("plain");
    QTest::newRow("escapes inside quotes") << QStringLiteral("\"a\\tb\"") << QStringLiteral("a\tb");
}

void TestSheetCell::spreadsheetQuotingIsRead()
{
    QFETCH(QString, cell);
    QFETCH(QString, text);

    QCOMPARE(UnescapeCell(cell), std::optional<QString>(text));
}

void TestSheetCell::brokenCellsAreRefused_data()
{
    QTest::addColumn<QString>("cell");

    QTest::newRow("unknown escape") << QStringLiteral("C:\\web");
    QTest::newRow("backslash at the end") << QStringLiteral("a\\");
    QTest::newRow("quote never closed") << QStringLiteral("\"open");
    QTest::newRow("single quote inside quotes") << QStringLiteral("\"a\"b\"");
}

void TestSheetCell::brokenCellsAreRefused()
{
    QFETCH(QString, cell);

    QCOMPARE(UnescapeCell(cell), std::nullopt);
}

QTEST_APPLESS_MAIN(TestSheetCell)
#include "tst_sheetcell.moc"
