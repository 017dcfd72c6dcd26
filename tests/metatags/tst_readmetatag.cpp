#include "ReadMetaTag.h"

#include <QTest>

using metatags::MetaTagRead;
using metatags::ReadMetaTag;
using Outcome = MetaTagRead::Outcome;

Q_DECLARE_METATYPE(Outcome)

class TestReadMetaTag : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsTheValueBehindTheWord_data();
    void readsTheValueBehindTheWord();
};

void TestReadMetaTag::readsTheValueBehindTheWord_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("word");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("worked example") << QByteArray(R"(<meta name="Description" content="Fast cars">)")
                                    << QByteArray("Description") << Outcome::Value << QByteArray("Fast cars");
    const QByteArray fivelines = "<html><head>\r\n"
                                 R"(<meta name="Description" content="Fast cars">)"
                                 "\r\n"
                                 R"(<meta name="KeyWords" content="cars, speed">)"
                                 "\r\n"
                                 R"(<meta name="Title" content="Car page">)"
                                 "\r\n<title>Cars</title>\r\n";
    QTest::newRow("five lines: Description")
        << fivelines << QByteArray("Description") << Outcome::Value << QByteArray("Fast cars");
    QTest::newRow("five lines: KeyWords")
        << fivelines << QByteArray("KeyWords") << Outcome::Value << QByteArray("cars, speed");
    QTest::newRow("five lines: Title") << fivelines << QByteArray("Title") << Outcome::Value << QByteArray("Car page");
    QTest::newRow("lower-case name is another word") << QByteArray(R"(<meta name="description" content="Fast cars">)")
                                                     << QByteArray("Description") << Outcome::NotFound << QByteArray();
    QTest::newRow("title tag never matches Title")
        << QByteArray("<title>x</title><TITLE>y</TITLE>") << QByteArray("Title") << Outcome::NotFound << QByteArray();
    QTest::newRow("upper-case attributes read the same")
        << QByteArray(R"(<META NAME="Description" CONTENT="Fast cars">)") << QByteArray("Description") << Outcome::Value
        << QByteArray("Fast cars");
    QTest::newRow("quotes inside the value come back whole")
        << QByteArray(R"(<meta name="Title" content="He said "hi"">)") << QByteArray("Title") << Outcome::Value
        << QByteArray(R"(He said "hi")");
    QTest::newRow("self-closing tag keeps quote and blank")
        << QByteArray(R"(<meta name="Description" content="Fast cars" />)") << QByteArray("Description")
        << Outcome::Value << QByteArray(R"(Fast cars" )");
    QTest::newRow("a > inside the value cuts it") << QByteArray(R"(<meta name="Title" content="a > b">)")
                                                  << QByteArray("Title") << Outcome::Value << QByteArray("a");
    QTest::newRow("empty value") << QByteArray(R"(<meta name="Title" content="">)") << QByteArray("Title")
                                 << Outcome::Value << QByteArray();
    QTest::newRow("first occurrence counts, even in a comment")
        << QByteArray(R"(<!-- Title: 0123456789abcdef --><meta name="Title" content="x">)") << QByteArray("Title")
        << Outcome::Value << QByteArray("9abcdef -");
    QTest::newRow("no > behind the word")
        << QByteArray("Title only") << QByteArray("Title") << Outcome::Unusable << QByteArray();
    QTest::newRow("> too near: bold word")
        << QByteArray("<b>Description</b>") << QByteArray("Description") << Outcome::Unusable << QByteArray();
    QTest::newRow("> too near: name after content") << QByteArray(R"(<meta content="Fast cars" name="Description">)")
                                                    << QByteArray("Description") << Outcome::Unusable << QByteArray();
    QTest::newRow("> at the very end of the page") << QByteArray(R"(<meta name="Title" content="ab">)")
                                                   << QByteArray("Title") << Outcome::Value << QByteArray("ab");
    QTest::newRow("word at the very end of the page")
        << QByteArray("abc Title") << QByteArray("Title") << Outcome::Unusable << QByteArray();
    QTest::newRow("NUL and high bytes in the value")
        << QByteArray(R"(<meta name="Title" content=")") + QByteArray("a\0\xff\x80z", 5) + QByteArray(R"(">)")
        << QByteArray("Title") << Outcome::Value << QByteArray("a\0\xff\x80z", 5);
    QTest::newRow("empty page") << QByteArray() << QByteArray("Title") << Outcome::NotFound << QByteArray();
}

void TestReadMetaTag::readsTheValueBehindTheWord()
{
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, word);
    QFETCH(Outcome, outcome);
    QFETCH(QByteArray, value);

    const MetaTagRead read = ReadMetaTag(page, word);
    QCOMPARE(read.outcome, outcome);
    if (read.hasValue()) {
        QVERIFY(read.start >= 0 && read.start + read.length <= page.size());
        QCOMPARE(read.valueIn(page).toByteArray(), value);
    }
}

QTEST_GUILESS_MAIN(TestReadMetaTag)
#include "tst_readmetatag.moc"
