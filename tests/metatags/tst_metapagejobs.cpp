#include "LoadPage.h"
#include "MetaPageJobs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using metatags::FieldValue;
using metatags::MetaTag;
using metatags::PerTag;
using metatags::ReadMetaValues;
using metatags::ReadOrder;
using metatags::SaveMetaPage;
using metatags::SniffPageEncoding;

Q_DECLARE_METATYPE(ReadOrder)

namespace {

const QByteArray WorkedExamplePreamble = "<html>\r\n<head>\r\n<meta name=\"Author\" content=\"Corvantis\">\r\n"
                                         "<meta name=\"GENERATOR\" content=\"Tagwright 2.0\">\r\n"
                                         "<meta name=\"Title\" content=\"Shop\">\r\n"
                                         "<meta name=\"Description\" content=\"Tools and parts\">\r\n"
                                         "<meta name=\"KeyWords\" content=\"tools, parts\">\r\n";

PerTag<FieldValue> typed(const QString &title, const QString &description, const QString &keywords)
{
    return { { title, std::nullopt }, { description, std::nullopt }, { keywords, std::nullopt } };
}

const QString NotRead = QStringLiteral("(not read)");

QString textOf(const metatags::TagRead &read)
{
    return read.found() ? read.value.text : NotRead;
}

QByteArray savedBytes(const QString &path, const PerTag<FieldValue> &fields, QByteArray &buffer)
{
    if (const metatags::Result<metatags::FileStamp> saved
        = SaveMetaPage(path, fields, buffer, SniffPageEncoding(buffer));
        !saved)
        return "save failed: " + saved.error().reason.toUtf8();
    const metatags::Result<metatags::StampedPage> written = metatags::LoadPage(path);
    return written.has_value() ? written->bytes : "load failed: " + written.error().reason.toUtf8();
}

} // namespace

class TestMetaPageJobs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void readsTheValuesInEitherOrder_data();
    void readsTheValuesInEitherOrder();
    void savesThenCutsTheBuffer_data();
    void savesThenCutsTheBuffer();
    void readsBackWhatItWrote_data();
    void readsBackWhatItWrote();
    void refusesToSaveAPageInUtf16_data();
    void refusesToSaveAPageInUtf16();

private:
    std::optional<QTemporaryDir> m_folder;
};

void TestMetaPageJobs::init()
{
    m_folder.emplace();
    QVERIFY(m_folder->isValid());
}

void TestMetaPageJobs::readsTheValuesInEitherOrder_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<ReadOrder>("order");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("keywords");

    const QByteArray five = "<html><head>\r\n<meta name=\"Description\" content=\"Fast cars\">\r\n"
                            "<meta name=\"KeyWords\" content=\"cars, speed\">\r\n"
                            "<meta name=\"Title\" content=\"Car page\">\r\n<title>Cars</title>\r\n";
    const QByteArray noTitle = "<meta name=\"Description\" content=\"d\"><meta name=\"KeyWords\" content=\"k\">";
    const QString none = NotRead;
    for (const ReadOrder order : { ReadOrder::EachOnItsOwn, ReadOrder::TitleFirst }) {
        const bool button = order == ReadOrder::EachOnItsOwn;
        const char *name = button ? "button" : "menu";
        QTest::addRow("%s: five-line page", name) << five << order << QStringLiteral("Car page")
                                                  << QStringLiteral("Fast cars") << QStringLiteral("cars, speed");
        QTest::addRow("%s: no Title word", name) << noTitle << order << none << (button ? QStringLiteral("d") : none)
                                                 << (button ? QStringLiteral("k") : none);
        QTest::addRow("%s: unusable Title still reads the others", name)
            << noTitle + "Title" << order << none << QStringLiteral("d") << QStringLiteral("k");
        QTest::addRow("%s: no words at all", name) << QByteArray("<html></html>") << order << none << none << none;
    }
}

void TestMetaPageJobs::readsTheValuesInEitherOrder()
{
    QFETCH(QByteArray, page);
    QFETCH(ReadOrder, order);
    QFETCH(QString, title);
    QFETCH(QString, description);
    QFETCH(QString, keywords);

    const PerTag<metatags::TagRead> values = ReadMetaValues(page, SniffPageEncoding(page), order);
    QCOMPARE(textOf(values[MetaTag::Title]), title);
    QCOMPARE(textOf(values[MetaTag::Description]), description);
    QCOMPARE(textOf(values[MetaTag::KeyWords]), keywords);
}

void TestMetaPageJobs::savesThenCutsTheBuffer_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("bufferAfter");

    const QByteArray shop = "<title>Shop</title></head><body>Hi</body></html>";
    QTest::newRow("worked example: 293 bytes") << "<html><head>" + shop << WorkedExamplePreamble + shop + "\r\n"
                                               << shop;
    const QByteArray upperKept = "<TITLE>Shop</TITLE>\r\n</HEAD>\r\n<BODY>Hi</BODY>\r\n</HTML>";
    QTest::newRow("upper-case page") << "<HTML>\r\n<HEAD>\r\n" + upperKept + "\r\n"
                                     << WorkedExamplePreamble + upperKept + "\r\n"
                                     << upperKept;
    const QByteArray mixed = "<html><head><Title>Shop</Title></head></html>\r\n";
    QTest::newRow("mixed-case title tag: written whole, buffer unchanged")
        << mixed << WorkedExamplePreamble + mixed + "\r\n"
        << mixed;
    QTest::newRow("empty buffer: one empty line") << QByteArray() << WorkedExamplePreamble + "\r\n" << QByteArray();
}

void TestMetaPageJobs::savesThenCutsTheBuffer()
{
    QFETCH(QByteArray, buffer);
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, bufferAfter);

    const PerTag<FieldValue> fields
        = typed(QStringLiteral("Shop"), QStringLiteral("Tools and parts"), QStringLiteral("tools, parts"));
    QCOMPARE(savedBytes(m_folder->filePath(QStringLiteral("shop.html")), fields, buffer), file);
    QCOMPARE(buffer, bufferAfter);
}

void TestMetaPageJobs::readsBackWhatItWrote_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<QStringList>("values");

    const QByteArray asciiPage = "<html><head><title>t</title></head><body>x</body></html>\r\n";
    QTest::newRow("plain values") << asciiPage << QStringList { "Shop", "Tools and parts", "tools, parts" };
    QTest::newRow("empty values") << asciiPage << QStringList { "", "", "" };
    QTest::newRow("values with CR LF") << asciiPage << QStringList { "two\r\nlines", "a\r\nb\r\nc", "\r\n" };
    QTest::newRow("UTF-8 page") << QByteArray("<title>Caf\xc3\xa9</title></html>")
                                << QStringList { "Café", "naïve", "日本 €" };
    QTest::newRow("windows-1252 page") << QByteArray("<title>Caf\xe9</title></html>")
                                       << QStringList { "Café", "€ 5", "Ÿ“”" };
    // The declaration is cut away; the written values themselves then tell.
    QTest::newRow("ISO-8859-1 declared, ASCII title")
        << QByteArray("<meta charset=iso-8859-1><title>t</title></html>") << QStringList { "Café", "Ærø", "" };
}

// The three values written, read back by both open commands, and written
// again, untouched and retyped: the same texts, the same file.
void TestMetaPageJobs::readsBackWhatItWrote()
{
    QFETCH(QByteArray, buffer);
    QFETCH(QStringList, values);

    const QByteArray first
        = savedBytes(m_folder->filePath(QStringLiteral("first.html")), typed(values[0], values[1], values[2]), buffer);
    for (const ReadOrder order : { ReadOrder::EachOnItsOwn, ReadOrder::TitleFirst }) {
        const PerTag<metatags::TagRead> read = ReadMetaValues(first, SniffPageEncoding(first), order);
        PerTag<FieldValue> untouched;
        PerTag<FieldValue> retyped;
        for (const MetaTag tag : metatags::AllMetaTags) {
            QCOMPARE(textOf(read[tag]), values[static_cast<qsizetype>(tag)]);
            untouched[tag] = read[tag].value;
            retyped[tag] = { read[tag].value.text, std::nullopt };
        }

        QByteArray page = first;
        QCOMPARE(savedBytes(m_folder->filePath(QStringLiteral("untouched.html")), untouched, page), first);
        page = first;
        QCOMPARE(savedBytes(m_folder->filePath(QStringLiteral("retyped.html")), retyped, page), first);
    }
}

void TestMetaPageJobs::refusesToSaveAPageInUtf16_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<bool>("targetExists");

    const QByteArray littleEndian = QByteArray("\xff\xfe<\0t\0i\0t\0l\0e\0>\0", 16);
    const QByteArray bigEndian = QByteArray("\xfe\xff\0<\0t\0i\0t\0l\0e\0>", 16);
    QTest::newRow("little-endian, new file") << littleEndian << false;
    QTest::newRow("little-endian, over the page") << littleEndian << true;
    QTest::newRow("big-endian, new file") << bigEndian << false;
    // The title tag is found in ASCII bytes even so: the buffer must still not be cut.
    QTest::newRow("ASCII title tag behind the mark") << QByteArray("\xff\xfe<title>x</title></html>") << true;
}

// Opening such a page works; only the save is refused, before anything is written.
void TestMetaPageJobs::refusesToSaveAPageInUtf16()
{
    QFETCH(QByteArray, buffer);
    QFETCH(bool, targetExists);
    const QString target = m_folder->filePath(QStringLiteral("page.html"));
    QFile file(target);
    QVERIFY(!targetExists || (file.open(QIODevice::WriteOnly) && file.write(buffer) == buffer.size()));
    file.close();

    QByteArray page = buffer;
    const metatags::PageEncoding encoding = SniffPageEncoding(page);
    const metatags::Result<metatags::FileStamp> saved
        = SaveMetaPage(target, typed(QStringLiteral("t"), QStringLiteral("d"), QStringLiteral("k")), page, encoding);
    QVERIFY(!saved);
    QCOMPARE(saved.error().path, target);
    QVERIFY2(saved.error().reason.contains(QStringLiteral("UTF-16")), qPrintable(saved.error().reason));
    QCOMPARE(page, buffer);
    const metatags::Result<metatags::StampedPage> onDisk = metatags::LoadPage(target);
    QCOMPARE(onDisk.has_value(), targetExists);
    if (targetExists)
        QCOMPARE(onDisk->bytes, buffer);
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files).size(), targetExists ? 1 : 0);
}

QTEST_GUILESS_MAIN(TestMetaPageJobs)
#include "tst_metapagejobs.moc"
