#include "FileFaults.h"
#include "MetaPageJobs.h"
#include "WriteMetaPage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using metatags::FileError;
using testsupport::EntriesOf;
using testsupport::FileState;
using testsupport::StateOf;

namespace {

// The two ways a page is saved: the writer alone with the kept part, and the
// save job with the whole buffer, which it cuts only after a successful write.
enum class SaveWay { WriteMetaPage, SaveMetaPage };

const QByteArray Head = "<html><head>";
const metatags::MetaBytes Values { "Shop", "Tools", "tools" };
const metatags::MetaFields Fields { { QStringLiteral("Shop"), {} }, { QStringLiteral("Tools"), {} },
    { QStringLiteral("tools"), {} } };
constexpr qint64 RoomOnDisk = 64 * 1024;

std::optional<FileError> save(SaveWay way, const QString &target, QByteArray &buffer)
{
    const testsupport::Watchdog watchdog(60);
    if (way == SaveWay::WriteMetaPage)
        return metatags::WriteMetaPage(target, Values, QByteArrayView(buffer).sliced(Head.size()));
    return metatags::SaveMetaPage(target, Fields, buffer);
}

// A buffer whose kept part (all but Head) makes a file of exactly fileSize bytes.
QByteArray bufferForFileOf(qint64 fileSize)
{
    const QByteArray title = "<title>x</title>";
    const QByteArray closing = "</html>";
    const qint64 filler = fileSize - metatags::MetaPreamble(Values).size() - title.size() - closing.size() - 2;
    return Head + title + QByteArray(filler, 'a') + closing;
}

void addRowsBothWays(const char *name, const std::function<void(QTestData &)> &columns)
{
    for (const SaveWay way : { SaveWay::WriteMetaPage, SaveWay::SaveMetaPage }) {
        QTestData &row = QTest::addRow("%s, %s", way == SaveWay::WriteMetaPage ? "writer" : "save job", name) << way;
        columns(row);
    }
}

// What a save may change: the target, the names in its folder, the buffer.
struct Scene
{
    QString target;
    QString folder;
    FileState targetState;
    QStringList entries;
    QByteArray buffer;

    static Scene of(const QString &target, const QString &folder, const QByteArray &buffer)
    {
        return { target, folder, StateOf(target), EntriesOf(folder), buffer };
    }
};

void verifyRefusedAndUnchanged(const std::optional<FileError> &error, const Scene &before, const QByteArray &buffer)
{
    QVERIFY2(error.has_value(), "the save must fail");
    QCOMPARE(error->path, before.target);
    // A short write sets no error of its own: its reason would be Qt's "Unknown error".
    QVERIFY2(!error->reason.isEmpty() && error->reason != QFile().errorString(), qPrintable(error->reason));
    QCOMPARE(StateOf(before.target), before.targetState);
    QCOMPARE(EntriesOf(before.folder), before.entries);
    QCOMPARE(buffer, before.buffer);
}

void verifySaved(const std::optional<FileError> &error, SaveWay way, const QString &written, const Scene &before,
    const QByteArray &buffer)
{
    QVERIFY2(!error, error ? qPrintable(error->reason) : "");
    const QByteArray kept = before.buffer.mid(Head.size());
    QCOMPARE(StateOf(written).bytes, metatags::MetaPreamble(Values) + kept + "\r\n");
    // The job cuts its buffer down only once the page is written.
    QCOMPARE(buffer, way == SaveWay::SaveMetaPage ? kept : before.buffer);
}

} // namespace

Q_DECLARE_METATYPE(SaveWay)

class TestSaveFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void refusesTargetsItCannotReplace_data();
    void refusesTargetsItCannotReplace();
    void failsCleanlyWhenSpaceRunsOut_data();
    void failsCleanlyWhenSpaceRunsOut();
    void replacesTheFileBehindTheTarget_data();
    void replacesTheFileBehindTheTarget();

private:
    std::optional<QTemporaryDir> m_folder;
};

void TestSaveFaults::init()
{
    m_folder.emplace();
    QVERIFY(m_folder->isValid());
}

void TestSaveFaults::refusesTargetsItCannotReplace_data()
{
    QTest::addColumn<SaveWay>("way");
    QTest::addColumn<QString>("kind");

    for (const char *kind :
        { "folder", "FIFO", "device node", "missing parent folder", "symbolic link loop", "read-only folder" })
        addRowsBothWays(kind, [kind](QTestData &row) { row << QString::fromLatin1(kind); });
}

void TestSaveFaults::refusesTargetsItCannotReplace()
{
    QFETCH(SaveWay, way);
    QFETCH(QString, kind);

    QString folder = m_folder->path();
    QString target = m_folder->filePath(QStringLiteral("page.html"));
    std::optional<QString> notMade;
    std::optional<testsupport::TmpfsMount> mount;
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(folder).mkdir(QStringLiteral("page.html")));
    } else if (kind == QLatin1String("FIFO")) {
        notMade = testsupport::MakeFifo(target);
    } else if (kind == QLatin1String("device node")) {
        notMade = testsupport::MakeDeviceNode(target);
    } else if (kind == QLatin1String("missing parent folder")) {
        target = m_folder->filePath(QStringLiteral("missing/page.html"));
    } else if (kind == QLatin1String("symbolic link loop")) {
        QVERIFY(QFile::link(QStringLiteral("loop.html"), target));
        QVERIFY(QFile::link(QStringLiteral("page.html"), m_folder->filePath(QStringLiteral("loop.html"))));
    } else if (kind == QLatin1String("read-only folder")) {
        folder = m_folder->filePath(QStringLiteral("readonly"));
        target = folder + QStringLiteral("/page.html");
        QVERIFY(QDir().mkdir(folder));
        // Root writes into any folder whatever its mode; only a read-only
        // file system stops it.
        if (::geteuid() == 0) {
            mount.emplace(folder, RoomOnDisk);
            if (!mount->isMounted())
                QSKIP(qPrintable(mount->error()));
        }
        QVERIFY(testsupport::WriteFile(target, "<title>old</title></html>"));
        const bool readOnly
            = mount ? mount->remountReadOnly() : QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        QVERIFY(readOnly);
    }
    if (notMade)
        QSKIP(qPrintable(QStringLiteral("cannot make a %1 here: %2").arg(kind, *notMade)));

    QByteArray buffer = bufferForFileOf(400);
    const Scene before = Scene::of(target, folder, buffer);
    verifyRefusedAndUnchanged(save(way, target, buffer), before, buffer);
    if (!mount && kind == QLatin1String("read-only folder"))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestSaveFaults::failsCleanlyWhenSpaceRunsOut_data()
{
    QTest::addColumn<SaveWay>("way");
    QTest::addColumn<bool>("fullDisk");
    QTest::addColumn<qint64>("bytesTooMany");

    const std::pair<const char *, qint64> sizes[] = {
        { "a large page", 1024 * 1024 },
        { "only the final line end does not fit", 2 },
        { "only the last byte does not fit", 1 },
        { "fits exactly", 0 },
    };
    for (const bool fullDisk : { true, false }) {
        for (const auto &[name, tooMany] : sizes) {
            const QByteArray row = (fullDisk ? "full disk: " : "file size limit: ") + QByteArray(name);
            addRowsBothWays(row.constData(), [&](QTestData &data) { data << fullDisk << tooMany; });
        }
    }
}

// Without its own flush and sync checks, a save that fails in its last bytes
// would be reported as done and leave a cut-off file.
void TestSaveFaults::failsCleanlyWhenSpaceRunsOut()
{
    QFETCH(SaveWay, way);
    QFETCH(bool, fullDisk);
    QFETCH(qint64, bytesTooMany);

    const QString folder = m_folder->filePath(QStringLiteral("disk"));
    const QString target = folder + QStringLiteral("/page.html");
    QVERIFY(QDir().mkdir(folder));
    std::optional<testsupport::TmpfsMount> disk;
    if (fullDisk) {
        disk.emplace(folder, RoomOnDisk);
        if (!disk->isMounted())
            QSKIP(qPrintable(disk->error()));
    }
    QVERIFY(testsupport::WriteFile(target, "<title>old</title></html>"));
    const qint64 room = fullDisk ? disk->freeBytes() : RoomOnDisk;
    QVERIFY(room > 0);

    QByteArray buffer = bufferForFileOf(room + bytesTooMany);
    const Scene before = Scene::of(target, folder, buffer);
    std::optional<FileError> error;
    {
        std::optional<testsupport::FileSizeLimit> limit;
        if (!fullDisk) {
            limit.emplace(room);
            if (!limit->isSet())
                QSKIP(qPrintable(limit->error()));
        }
        error = save(way, target, buffer);
    }
    if (bytesTooMany > 0) {
        verifyRefusedAndUnchanged(error, before, buffer);
    } else {
        verifySaved(error, way, target, before, buffer);
        QCOMPARE(EntriesOf(folder), before.entries);
    }
}

void TestSaveFaults::replacesTheFileBehindTheTarget_data()
{
    QTest::addColumn<SaveWay>("way");
    QTest::addColumn<int>("links");
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<int>("permissions");

    addRowsBothWays("file 0640", [](QTestData &row) { row << 0 << true << 0640; });
    addRowsBothWays("file 0755", [](QTestData &row) { row << 0 << true << 0755; });
    addRowsBothWays("link to a file", [](QTestData &row) { row << 1 << true << 0640; });
    addRowsBothWays("link to a link to a file", [](QTestData &row) { row << 2 << true << 0604; });
    addRowsBothWays("dangling link", [](QTestData &row) { row << 1 << false << 0; });
}

void TestSaveFaults::replacesTheFileBehindTheTarget()
{
    QFETCH(SaveWay, way);
    QFETCH(int, links);
    QFETCH(bool, fileExists);
    QFETCH(int, permissions);

    const QString file = m_folder->filePath(QStringLiteral("real.html"));
    if (fileExists) {
        QVERIFY(testsupport::WriteFile(file, "<title>old</title></html>"));
        QCOMPARE(::chmod(QFile::encodeName(file).constData(), static_cast<mode_t>(permissions)), 0);
    }
    QString target = file;
    for (int link = 0; link < links; ++link) {
        const QString name = QStringLiteral("link%1.html").arg(link);
        QVERIFY(QFile::link(QFileInfo(target).fileName(), m_folder->filePath(name)));
        target = m_folder->filePath(name);
    }

    QByteArray buffer = bufferForFileOf(500);
    const Scene before = Scene::of(target, m_folder->path(), buffer);
    const std::optional<FileError> error = save(way, target, buffer);
    verifySaved(error, way, file, before, buffer);
    if (links > 0)
        QCOMPARE(StateOf(target), before.targetState);
    if (fileExists)
        QCOMPARE(StateOf(file).permissions, unsigned(permissions));
    QStringList entries = before.entries;
    if (!fileExists)
        entries.append(QStringLiteral("real.html"));
    entries.sort();
    QCOMPARE(EntriesOf(m_folder->path()), entries);
}

QTEST_GUILESS_MAIN(TestSaveFaults)
#include "tst_savefaults.moc"
