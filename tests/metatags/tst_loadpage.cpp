#include "FileFaults.h"
#include "LoadPage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using metatags::LoadPage;

class TestLoadPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void readsEveryByteAsItStands_data();
    void readsEveryByteAsItStands();
    void refusesWhatIsNotAReadableFile_data();
    void refusesWhatIsNotAReadableFile();
    void readsAFileShorterThanItsSizeSays();

private:
    std::optional<QTemporaryDir> m_folder;
};

void TestLoadPage::init()
{
    m_folder.emplace();
    QVERIFY(m_folder->isValid());
}

void TestLoadPage::readsEveryByteAsItStands_data()
{
    QTest::addColumn<QByteArray>("content");

    QByteArray everyByte;
    for (int value = 0; value < 256; ++value)
        everyByte.append(static_cast<char>(value));
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("every byte 0-255") << everyByte;
    QTest::newRow("byte-order mark kept") << QByteArray("\xef\xbb\xbf<title>x</title>");
    QTest::newRow("NULs kept") << QByteArray("\0<title>\0</title>\0", 18);
    QTest::newRow("CR LF, lone LF and lone CR mixed") << QByteArray("a\r\nb\nc\rd\n\re\r\n");
    QTest::newRow("larger than one read") << everyByte.repeated(4 * 1024 + 1);
}

void TestLoadPage::readsEveryByteAsItStands()
{
    QFETCH(QByteArray, content);

    const QString path = m_folder->filePath(QStringLiteral("page.html"));
    QVERIFY(testsupport::WriteFile(path, content));
    const metatags::Result<metatags::StampedPage> page = LoadPage(path);
    QVERIFY(page.has_value());
    QCOMPARE(page->bytes, content);
}

// Files under /sys say 4096 bytes and hold a few: what is read is what is
// there, as with a file that shrinks while it is read.
void TestLoadPage::readsAFileShorterThanItsSizeSays()
{
    QFile file(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled"));
    if (!file.open(QIODevice::ReadOnly))
        QSKIP("no such file here");
    const QByteArray content = file.readAll();
    const metatags::Result<metatags::StampedPage> page = LoadPage(file.fileName());
    QVERIFY(page.has_value());
    QCOMPARE(page->bytes, content);
}

void TestLoadPage::refusesWhatIsNotAReadableFile_data()
{
    QTest::addColumn<QString>("kind");

    QTest::newRow("missing file") << QStringLiteral("missing");
    QTest::newRow("folder") << QStringLiteral("folder");
    QTest::newRow("FIFO without a writer") << QStringLiteral("fifo");
    QTest::newRow("device node") << QStringLiteral("device");
    QTest::newRow("unreadable file") << QStringLiteral("unreadable");
}

void TestLoadPage::refusesWhatIsNotAReadableFile()
{
    QFETCH(QString, kind);

    const QString path = m_folder->filePath(QStringLiteral("page.html"));
    std::optional<QString> notMade;
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(path));
    else if (kind == QLatin1String("fifo"))
        notMade = testsupport::MakeFifo(path);
    else if (kind == QLatin1String("device"))
        notMade = testsupport::MakeDeviceNode(path);
    if (notMade)
        QSKIP(qPrintable(QStringLiteral("cannot make the %1 here: %2").arg(kind, *notMade)));

    metatags::FileError error;
    if (kind == QLatin1String("unreadable")) {
        // Root reads any file whatever its mode, so the read runs in a child
        // process without root's rights.
        QVERIFY(testsupport::WriteFile(path, "<title>secret</title>"));
        QVERIFY(QFile::setPermissions(m_folder->path(),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        const std::optional<QByteArray> pathAndReason = testsupport::RunAsNobody([&path] {
            const metatags::Result<metatags::StampedPage> page = LoadPage(path);
            return page.has_value() ? QByteArray()
                                    : (page.error().path + QLatin1Char('\n') + page.error().reason).toUtf8();
        });
        if (!pathAndReason)
            QSKIP("cannot run a child process without root's rights here");
        const qsizetype split = std::max(pathAndReason->indexOf('\n'), qsizetype(0));
        error = { QString::fromUtf8(pathAndReason->left(split)), QString::fromUtf8(pathAndReason->mid(split + 1)) };
    } else {
        const testsupport::Watchdog watchdog(10);
        const metatags::Result<metatags::StampedPage> page = LoadPage(path);
        QVERIFY(!page.has_value());
        error = page.error();
    }
    QCOMPARE(error.path, path);
    QVERIFY2(!error.reason.isEmpty(), "a refusal gives its reason");
}

QTEST_GUILESS_MAIN(TestLoadPage)
#include "tst_loadpage.moc"
