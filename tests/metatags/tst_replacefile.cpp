#include "FileFaults.h"
#include "FileReplacement.h"
#include "WriteMetaPage.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::StateOf;

namespace {

const QByteArray OldFile = "<title>old</title></html>";
const QByteArray NewFile = "<title>new</title></html>";
constexpr unsigned Nobody = 65534;

std::optional<QString> replace(const QString &target, const std::function<void()> &meanwhile = {},
    const std::optional<metatags::FileStamp> &read = std::nullopt)
{
    const auto write = [&](QIODevice &device) {
        if (meanwhile)
            meanwhile();
        return device.write(NewFile) == NewFile.size();
    };
    const metatags::Result<metatags::FileStamp> written = metatags::ReplaceFile(target, write, read);
    return written.has_value() ? std::nullopt : std::optional<QString>(written.error().reason);
}

bool runShell(const QString &folder, const QString &script)
{
    QProcess shell;
    shell.setWorkingDirectory(folder);
    shell.start(QStringLiteral("/bin/sh"), { QStringLiteral("-ec"), script });
    return shell.waitForFinished() && shell.exitStatus() == QProcess::NormalExit && shell.exitCode() == 0;
}

// The file the kernel would write through the path, as coreutils finds it;
// empty when there is none (a loop, a missing folder).
QString readlinkF(const QString &folder, const QString &path)
{
    QProcess readlink;
    readlink.setWorkingDirectory(folder);
    readlink.start(QStringLiteral("readlink"), { QStringLiteral("-f"), path });
    if (!readlink.waitForFinished() || readlink.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(readlink.readAllStandardOutput()).trimmed();
}

// Every regular file under folder with its bytes, hidden ones too.
QMap<QString, QByteArray> filesUnder(const QString &folder)
{
    QMap<QString, QByteArray> files;
    const QDir root(folder);
    for (const QString &name : root.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        QFile file(root.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            files.insert(root.filePath(name), file.readAll());
    }
    for (const QString &name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks))
        files.insert(filesUnder(root.filePath(name)));
    return files;
}

} // namespace

class ReplaceFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void writesTheFileTheKernelWouldFollowLinksTo_data();
    void writesTheFileTheKernelWouldFollowLinksTo();
    void keepsTheOwnersProtection_data();
    void keepsTheOwnersProtection();
    void leavesAnotherWritersChangeAlone_data();
    void leavesAnotherWritersChangeAlone();

private:
    std::optional<QTemporaryDir> m_dir;
};

void ReplaceFileTest::init()
{
    m_dir.emplace();
    QVERIFY(m_dir->isValid());
}

void ReplaceFileTest::writesTheFileTheKernelWouldFollowLinksTo_data()
{
    QTest::addColumn<QString>("setUp"); // shell commands run in an empty folder
    QTest::addColumn<QString>("target");

    QTest::newRow("link through a linked folder, then up")
        << "mkdir -p site elsewhere/deep; echo '<title>p</title></html>' > elsewhere/real.html; echo KEEP > "
           "site/real.html; ln -s ../elsewhere/deep site/dirlink; ln -s ../real.html elsewhere/deep/page.html"
        << "site/dirlink/page.html";
    QTest::newRow("'..' behind a linked folder inside the link's target")
        << "mkdir -p a/b; echo KEEP > page.html; echo '<title>p</title></html>' > a/page.html; ln -s a/b bl; "
           "ln -s bl/../page.html link.html"
        << "link.html";
    QTest::newRow("chain of relative links across folders")
        << "mkdir -p x y; echo '<title>p</title></html>' > y/real.html; ln -s ../y/real.html x/one.html; "
           "ln -s x/one.html two.html"
        << "two.html";
    QTest::newRow("absolute link") << "echo '<title>p</title></html>' > real.html; ln -s \"$PWD/real.html\" abs.html"
                                   << "abs.html";
    QTest::newRow("dangling link through a linked folder creates the file it names")
        << "mkdir -p d/e; ln -s d/e de; ln -s ../made.html de/new.html; echo KEEP > made.html"
        << "de/new.html";
    QTest::newRow("link loop") << "ln -s b.html a.html; ln -s a.html b.html"
                               << "a.html";
    QTest::newRow("link into a missing folder") << "ln -s nowhere/page.html gone.html"
                                                << "gone.html";
}

// Whatever the links, the file replaced is the one `readlink -f` names, no
// other file changes, and where it names none the save is refused.
void ReplaceFileTest::writesTheFileTheKernelWouldFollowLinksTo()
{
    QFETCH(QString, setUp);
    QFETCH(QString, target);
    QVERIFY(runShell(m_dir->path(), setUp));
    const QString written = readlinkF(m_dir->path(), target);
    QMap<QString, QByteArray> expected = filesUnder(m_dir->path());

    const std::optional<QString> reason = replace(m_dir->filePath(target));

    if (written.isEmpty()) {
        QVERIFY(reason);
    } else {
        QCOMPARE(reason, std::nullopt);
        expected.insert(written, NewFile);
    }
    QCOMPARE(filesUnder(m_dir->path()), expected);
    QVERIFY(QFileInfo(m_dir->filePath(target)).isSymLink());
}

void ReplaceFileTest::keepsTheOwnersProtection_data()
{
    QTest::addColumn<bool>("asNobody"); // or as this process's own user
    QTest::addColumn<bool>("othersFile"); // root's, or the user's own
    QTest::addColumn<int>("permissions");
    QTest::addColumn<int>("folderPermissions");
    QTest::addColumn<QString>("reason"); // empty when the save succeeds

    const QString denied = qt_error_string(EACCES);
    // The user's own protection counts, although the folder would let a
    // rename replace the file.
    QTest::newRow("own write-protected file") << true << false << 0444 << 0777 << denied;
    QTest::newRow("file without any write bit, for root too") << false << false << 0444 << 0777 << denied;
    QTest::newRow("writable file in a folder that takes no new file")
        << true << false << 0666 << 0555 << QStringLiteral("The folder");
    // Only root may give a file away: the new one is the user's, with the old mode.
    QTest::newRow("another user's writable file: saved as the user's own") << true << true << 0666 << 0777 << QString();
}

// Root ignores permission bits, so most saves run in a child process as nobody.
void ReplaceFileTest::keepsTheOwnersProtection()
{
    QFETCH(bool, asNobody);
    QFETCH(bool, othersFile);
    QFETCH(int, permissions);
    QFETCH(int, folderPermissions);
    QFETCH(QString, reason);

    const bool root = ::geteuid() == 0;
    if (othersFile && !root)
        QSKIP("only root can make a file of another user to save over");
    const QString folder = m_dir->filePath(QStringLiteral("shared"));
    const QString target = folder + QStringLiteral("/page.html");
    QVERIFY(QDir().mkdir(folder));
    QCOMPARE(::chmod(QFile::encodeName(m_dir->path()).constData(), 0711), 0);
    QVERIFY(testsupport::WriteFile(target, OldFile));
    const QByteArray path = QFile::encodeName(target);
    if (root && asNobody && !othersFile) {
        QCOMPARE(::chown(path.constData(), Nobody, Nobody), 0);
        QCOMPARE(::chown(QFile::encodeName(folder).constData(), Nobody, Nobody), 0);
    }
    QCOMPARE(::chmod(path.constData(), static_cast<mode_t>(permissions)), 0);
    QCOMPARE(::chmod(QFile::encodeName(folder).constData(), static_cast<mode_t>(folderPermissions)), 0);
    const testsupport::FileState before = StateOf(target);
    const QStringList entries = testsupport::EntriesOf(folder);

    const auto save = [&target] {
        // What the dry run of the batch tool reports must be what the save does.
        const metatags::Result<void> check = metatags::CheckReplaceable(target);
        const QByteArray checked = check ? QByteArray() : check.error().reason.toUtf8();
        const std::optional<QString> refusal = replace(target);
        const QByteArray saved = refusal ? refusal->toUtf8() : QByteArray();
        return checked == saved ? saved : "check and save differ: " + checked + " / " + saved;
    };
    const std::optional<QByteArray> outcome = asNobody ? testsupport::RunAsNobody(save) : save();
    if (!outcome)
        QSKIP("cannot run a child process without root's rights here");

    QCOMPARE(testsupport::EntriesOf(folder), entries);
    if (!reason.isEmpty()) {
        QVERIFY2(QString::fromUtf8(*outcome).contains(reason), outcome->constData());
        QCOMPARE(StateOf(target), before);
        return;
    }
    QCOMPARE(*outcome, QByteArray());
    const testsupport::FileState after = StateOf(target);
    QCOMPARE(after.bytes, NewFile);
    QCOMPARE(after.permissions, unsigned(permissions));
    QCOMPARE(after.owner, root ? Nobody : unsigned(::geteuid()));
}

void ReplaceFileTest::leavesAnotherWritersChangeAlone_data()
{
    QTest::addColumn<QString>("change"); // shell commands run in the target's folder
    QTest::addColumn<bool>("afterRead"); // between the caller's read and the save, or during the save
    QTest::addColumn<bool>("saves");

    QTest::newRow("nobody else writes") << "true" << false << true;
    QTest::newRow("another program appends during the save") << "echo more >> page.html" << false << false;
    QTest::newRow("another program replaces it during the save") << "echo other > x; mv x page.html" << false << false;
    QTest::newRow("another program deletes it during the save") << "rm page.html" << false << false;
    QTest::newRow("another program adds a hard link during the save") << "ln page.html other.html" << false << false;
    QTest::newRow("another program write-protects it during the save") << "chmod 444 page.html" << false << false;
    QTest::newRow("another program writes after the caller read it") << "echo more >> page.html" << true << false;
    QTest::newRow("another program keeps the file locked")
        << "(flock -x 9; sleep 8) 9<page.html >/dev/null 2>&1 & sleep 0.5" << false << false;
}

// The target is looked at again just before the rename: what another program
// did meanwhile stays, the save fails with that reason, and no temporary file
// is left.
void ReplaceFileTest::leavesAnotherWritersChangeAlone()
{
    QFETCH(QString, change);
    QFETCH(bool, afterRead);
    QFETCH(bool, saves);
    const QString target = m_dir->filePath(QStringLiteral("page.html"));
    QVERIFY(testsupport::WriteFile(target, OldFile));
    const metatags::FileStamp read = metatags::StampOf(target);
    QMap<QString, QByteArray> afterChange;
    const auto changeFiles = [&] {
        QVERIFY(runShell(m_dir->path(), change));
        afterChange = filesUnder(m_dir->path());
    };
    if (afterRead)
        changeFiles();

    const std::optional<QString> reason = afterRead ? replace(target, {}, read) : replace(target, changeFiles);

    if (saves) {
        QCOMPARE(reason, std::nullopt);
        QCOMPARE(StateOf(target).bytes, NewFile);
        return;
    }
    QVERIFY(reason);
    QVERIFY2(reason->contains(QLatin1String("Another program")), qPrintable(*reason));
    for (auto it = afterChange.begin(); it != afterChange.end();) {
        // What was written during the save is the save's own temporary file.
        it = QFileInfo(it.key()).fileName().startsWith(QLatin1String(".tagwright-")) ? afterChange.erase(it) : ++it;
    }
    QCOMPARE(filesUnder(m_dir->path()), afterChange);
}

QTEST_GUILESS_MAIN(ReplaceFileTest)
#include "tst_replacefile.moc"
