#include "WindowSnapshot.h"

#include <FileFaults.h>
#include <WriteMetaPage.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <thread>

using Answer = app::UserPrompts::Answer;

namespace {

constexpr qint64 MiB = 1024 * 1024;

QByteArray preamble(const QByteArray &title)
{
    return metatags::MetaPreamble({ title, {}, {} });
}

// Writes size bytes: head, then filler, then tail; in chunks, so that the test
// itself never holds the whole file.
bool writeLargeFile(const QString &path, const QByteArray &head, qint64 size, const QByteArray &tail)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(head) != head.size())
        return false;
    const QByteArray chunk(4 * MiB, 'a');
    for (qint64 left = size - head.size() - tail.size(); left > 0; left -= chunk.size()) {
        if (file.write(chunk.constData(), std::min(left, qint64(chunk.size()))) <= 0)
            return false;
    }
    return file.write(tail) == tail.size();
}

// Whether file holds head, then the bytes of source from offset on, then tail.
bool holds(
    const QString &path, const QByteArray &head, const QString &sourcePath, qint64 offset, const QByteArray &tail)
{
    QFile file(path);
    QFile source(sourcePath);
    if (!file.open(QIODevice::ReadOnly) || !source.open(QIODevice::ReadOnly) || !source.seek(offset))
        return false;
    if (file.size() != head.size() + source.size() - offset + tail.size() || file.read(head.size()) != head)
        return false;
    while (!source.atEnd()) {
        const QByteArray expected = source.read(4 * MiB);
        if (file.read(expected.size()) != expected)
            return false;
    }
    return file.readAll() == tail;
}

} // namespace

class OpenFaultsThroughWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void refusesWhatIsNoRegularFileAtOnce_data();
    void refusesWhatIsNoRegularFileAtOnce();
    void refusesAFileItMayNotRead();
    void opensAndSavesOddPagesByteForByte_data();
    void opensAndSavesOddPagesByteForByte();
    void opensAndSavesAPageOfOneGibibyteInAboutItsSize();
    void readsAFileThatGrowsAsAConsistentWholeUpToABound_data();
    void readsAFileThatGrowsAsAConsistentWholeUpToABound();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<WindowUnderTest> m_ui;
};

void OpenFaultsThroughWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ui = std::make_unique<WindowUnderTest>();
}

void OpenFaultsThroughWindow::cleanup()
{
    m_ui.reset();
    m_dir.reset();
}

void OpenFaultsThroughWindow::refusesWhatIsNoRegularFileAtOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");

    QTest::newRow("FIFO without a writer") << "fifo"
                                           << "pipe";
    QTest::newRow("/dev/zero, which never ends") << "/dev/zero"
                                                 << "device";
    QTest::newRow("socket, which cannot even be opened") << "socket"
                                                         << "socket";
}

// Neither may hang the window or fill its memory: refused before any read.
void OpenFaultsThroughWindow::refusesWhatIsNoRegularFileAtOnce()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);

    const TestPage page = TestPage::ofKeptSize(100);
    QVERIFY(testsupport::WriteFile(path(QStringLiteral("page.html")), page.bytes));
    openThroughWindow(*m_ui, path(QStringLiteral("page.html")));
    const WindowSnapshot before = WindowSnapshot::of(*m_ui);
    QString file = kind;
    if (kind == QLatin1String("fifo")) {
        file = path(QStringLiteral("fifo.html"));
        if (const std::optional<QString> notMade = testsupport::MakeFifo(file))
            QSKIP(qPrintable(QStringLiteral("cannot make a FIFO here: ") + *notMade));
    } else if (kind == QLatin1String("socket")) {
        file = path(QStringLiteral("socket.html"));
        if (const std::optional<QString> notMade = testsupport::MakeSocket(file))
            QSKIP(qPrintable(QStringLiteral("cannot make a socket here: ") + *notMade));
    }

    {
        const testsupport::Watchdog watchdog(10);
        openThroughWindow(*m_ui, file);
    }

    QCOMPARE(m_ui->prompts.errors.size(), 1);
    QVERIFY(m_ui->prompts.errors.first().contains(QDir::toNativeSeparators(file)));
    QVERIFY2(m_ui->prompts.errors.first().contains(reason), qPrintable(m_ui->prompts.errors.first()));
    QCOMPARE(WindowSnapshot::of(*m_ui), before);
}

// Root reads any file, so the window runs in a child process as nobody.
void OpenFaultsThroughWindow::refusesAFileItMayNotRead()
{
    const QString file = path(QStringLiteral("secret.html"));
    QVERIFY(testsupport::WriteFile(file, TestPage::ofKeptSize(100).bytes));
    QVERIFY(QFile::setPermissions(
        m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
    QVERIFY(QFile::setPermissions(file, QFile::WriteOwner));

    const std::optional<QByteArray> outcome = testsupport::RunAsNobody([&file] {
        WindowUnderTest ui;
        const WindowSnapshot before = WindowSnapshot::of(ui);
        openThroughWindow(ui, file);
        const bool unchanged = WindowSnapshot::of(ui) == before;
        return (QString::number(unchanged) + QLatin1Char('\n') + ui.prompts.errors.join(QLatin1Char('\n'))).toUtf8();
    });
    if (!outcome)
        QSKIP("cannot run a child process without root's rights here");

    const QStringList lines = QString::fromUtf8(*outcome).split(QLatin1Char('\n'));
    QCOMPARE(lines.first(), QStringLiteral("1"));
    const QString message = lines.mid(1).join(QLatin1Char('\n'));
    QVERIFY2(message.contains(QDir::toNativeSeparators(file)), qPrintable(message));
    QVERIFY2(message.contains(qt_error_string(EACCES)), qPrintable(message));
}

void OpenFaultsThroughWindow::opensAndSavesOddPagesByteForByte_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("title"); // the Title value as it stands in the page
    QTest::addColumn<QByteArray>("kept");

    const QByteArray kept = QByteArrayLiteral("<title>\0x\0</title>\0\xff\0</html>");
    const QByteArray title = QByteArrayLiteral("a\0b");
    QTest::newRow("empty file") << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("NULs in the value and the kept part")
        << QByteArrayLiteral("\0bin\0") + metaTag("Title", title) + kept + QByteArrayLiteral("\0tail") << title << kept;
}

void OpenFaultsThroughWindow::opensAndSavesOddPagesByteForByte()
{
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, title);
    QFETCH(QByteArray, kept);

    const QString opened = path(QStringLiteral("page.html"));
    QVERIFY(testsupport::WriteFile(opened, page));
    openThroughWindow(*m_ui, opened);
    QCOMPARE(m_ui->prompts.errors, QStringList());
    QCOMPARE(m_ui->text("Text6"), opened);
    QCOMPARE(m_ui->window.pageBuffer(), page);

    m_ui->prompts.answers = { Answer::Yes };
    m_ui->run(QStringLiteral("Command4"));
    QCOMPARE(m_ui->prompts.errors, QStringList());
    QCOMPARE(testsupport::StateOf(opened).bytes, preamble(title) + kept + "\r\n");
}

// The page is held once: reading, reading the values, writing and cutting the
// buffer down make no copy of it. Measured in a child process, whose peak
// memory is this case's alone.
void OpenFaultsThroughWindow::opensAndSavesAPageOfOneGibibyteInAboutItsSize()
{
    constexpr qint64 PageSize = 1024 * MiB;
    const QByteArray head = "<html><head>\r\n" + metaTag("Title", "Big") + "<title>Big</title>";
    const qint64 keptStart = head.indexOf("<title>");
    const QString opened = path(QStringLiteral("big.html"));
    const QString saved = path(QStringLiteral("saved.html"));
    QVERIFY(writeLargeFile(opened, head, PageSize, "</html>"));

    const std::optional<QByteArray> outcome = testsupport::RunInChild([&] {
        const qint64 residentAtStart = testsupport::ResidentBytes();
        WindowUnderTest ui;
        openThroughWindow(ui, opened);
        ui.prompts.answers = { Answer::Yes };
        ui.fileDialog.answers = { saved };
        ui.run(QStringLiteral("saveas"));
        const qint64 growth = testsupport::PeakResidentBytes() - residentAtStart;
        return (QByteArray::number(growth) + '\n' + ui.prompts.errors.join(QLatin1Char('\n')).toUtf8());
    });
    QVERIFY2(outcome, "the child process failed");

    const qint64 growth = outcome->left(outcome->indexOf('\n')).toLongLong();
    QCOMPARE(outcome->mid(outcome->indexOf('\n') + 1), QByteArray());
    qInfo("peak memory of open and save: %lld MiB for a page of %lld MiB", growth / MiB, PageSize / MiB);
    QVERIFY2(growth < PageSize + PageSize / 4, qPrintable(QString::number(growth / MiB)));
    QVERIFY(holds(saved, preamble("Big"), opened, keptStart, "\r\n"));
}

void OpenFaultsThroughWindow::readsAFileThatGrowsAsAConsistentWholeUpToABound_data()
{
    QTest::addColumn<bool>("endless");
    QTest::newRow("appended while read, then no more") << false;
    QTest::newRow("growing faster than it can be read") << true;
}

// Another program appends while the page is read: what the window holds is
// the file as it was at some moment of the read, never a torn mix; a file
// that never stops growing is refused instead of filling the memory.
void OpenFaultsThroughWindow::readsAFileThatGrowsAsAConsistentWholeUpToABound()
{
    QFETCH(bool, endless);
    const QString file = path(QStringLiteral("growing.html"));
    const auto byteAt = [](qint64 offset) { return char('a' + offset % 23); };
    QByteArray start(32 * MiB, Qt::Uninitialized);
    for (qint64 offset = 0; offset < start.size(); ++offset)
        start[offset] = byteAt(offset);
    QVERIFY(testsupport::WriteFile(file, start));
    const TestPage earlier = TestPage::ofKeptSize(100);
    QVERIFY(testsupport::WriteFile(path(QStringLiteral("earlier.html")), earlier.bytes));
    openThroughWindow(*m_ui, path(QStringLiteral("earlier.html")));
    const WindowSnapshot before = WindowSnapshot::of(*m_ui);

    // The open starts once the writer is under way, and the writer goes on
    // until the open is done (up to a bound, should the open never end). The
    // endless writer extends the file sparsely, faster than any read.
    std::atomic<bool> started = false;
    std::atomic<bool> stop = false;
    std::thread writer([&] {
        QFile appended(file);
        if (endless && appended.open(QIODevice::ReadWrite)) {
            for (qint64 size = appended.size(); !stop && size < 8192 * MiB; size += 64 * MiB) {
                if (!appended.resize(size))
                    break;
                started = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        } else if (appended.open(QIODevice::Append | QIODevice::Unbuffered)) {
            QByteArray chunk(64 * 1024, Qt::Uninitialized);
            for (qint64 at = appended.size(); !stop && at < 48 * MiB; at += chunk.size()) {
                for (qint64 offset = 0; offset < chunk.size(); ++offset)
                    chunk[offset] = byteAt(at + offset);
                if (appended.write(chunk) != chunk.size())
                    break;
                started = true;
            }
        }
        started = true;
    });
    while (!started)
        std::this_thread::yield();
    openThroughWindow(*m_ui, file);
    stop = true;
    writer.join();

    if (endless) {
        QCOMPARE(m_ui->prompts.errors.size(), 1);
        QVERIFY2(m_ui->prompts.errors.first().contains(QLatin1String("kept growing")),
            qPrintable(m_ui->prompts.errors.first()));
        QCOMPARE(WindowSnapshot::of(*m_ui), before);
        return;
    }
    QCOMPARE(m_ui->prompts.errors, QStringList());
    const QByteArray page = m_ui->window.pageBuffer();
    QVERIFY(page.size() >= start.size());
    qInfo("read %lld bytes that were appended", qint64(page.size() - start.size()));
    QCOMPARE(page, testsupport::StateOf(file).bytes.left(page.size()));
}

QTEST_MAIN(OpenFaultsThroughWindow)
#include "tst_openfaultsthroughwindow.moc"
