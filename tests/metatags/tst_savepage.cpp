#include "FileFaults.h"
#include "FileReplacement.h"
#include "LoadPage.h"
#include "MetaPageJobs.h"
#include "SaveSignals.h"
#include "WriteMetaPage.h"

#include <QtTest>

#include <csignal>
#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace metatags;
using testsupport::Shell;
using testsupport::Snapshot;

namespace {

// The process that saves (or loads): as it is, as the user nobody (also in the
// group users), with fsync failing, started with SIGHUP ignored, after forty
// saves of the same bytes, with another program's file appearing just before
// the rename, with errno left at EEXIST, or told that every file has size 0.
enum class Saver { AsIs, AsNobody, InGroup, FailingFsync, HangupIgnored, ManySaves, RenameRace, StaleErrno, NoSize };

// What the fault matrix writes: large enough to fill a small file system.
const PerTag<QByteArray> NewValues { "t", "d", "k" };
const QByteArray NewPage = "<title>new</title></html>" + QByteArray(100000, 'x');

QString reasonOf(const Result<FileStamp> &result)
{
    return result ? QString() : result.error().reason;
}

// The line of name in a snapshot, without the hash of its bytes.
QString entryOf(const QStringList &snapshot, const QString &name)
{
    const QStringList lines = snapshot.filter(QRegularExpression(u'^' + QRegularExpression::escape(name) + u' '));
    return lines.isEmpty() ? QString() : lines[0].section(u' ', 0, -2);
}

} // namespace

Q_DECLARE_METATYPE(Saver)

class TestSavePage : public QObject
{
    Q_OBJECT

    std::optional<QTemporaryDir> m_dir;
    QString m_page;

private Q_SLOTS:
    // A fault that writes without end must not fill the disk.
    void initTestCase()
    {
        const rlimit limit { 65 << 20, 65 << 20 };
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        ::signal(SIGXFSZ, SIG_IGN);
    }

    void init()
    {
        m_dir.emplace();
        QVERIFY(m_dir->isValid());
        m_page = m_dir->filePath(QStringLiteral("page.html"));
    }

    // Mounts and flags that a row made must not outlive it.
    void cleanup()
    {
        Shell(QStringLiteral("/"), QStringLiteral("umount -l %1; chattr -i %2").arg(m_dir->path(), m_page));
    }

    void loadsEveryByteAsItStandsOrRefuses_data()
    {
        QTest::addColumn<QString>("setUp"); // shell commands in an empty folder; page.html is opened
        QTest::addColumn<Saver>("loader");
        QTest::addColumn<QString>("reason"); // empty when the page loads

        const Saver asIs = Saver::AsIs;
        QTest::newRow("empty file") << ": > page.html" << asIs << QString();
        QTest::newRow("random bytes, larger than a read")
            << "head -c 300000 /dev/urandom > page.html" << asIs << QString();
        // Files under /sys say 4096 bytes and hold a few, as a file that shrinks while it is read.
        QTest::newRow("a file shorter than its size says")
            << "ln -s /sys/kernel/mm/transparent_hugepage/enabled page.html" << asIs << QString();
        QTest::newRow("a file of size 0 that holds bytes") << "ln -s /proc/version page.html" << asIs << QString();
        // Told size 0, the load takes at most 64 MiB that the file grew by since.
        QTest::newRow("a file that grows to the bound while it is read")
            << "truncate -s 64M page.html" << Saver::NoSize << QString();
        QTest::newRow("a file growing past it") << "truncate -s 67108865 page.html" << Saver::NoSize << "kept growing";
        QTest::newRow("a read that fails") << "ln -s /proc/self/mem page.html" << asIs << qt_error_string(EIO);
        QTest::newRow("missing file") << QString() << asIs << qt_error_string(ENOENT);
        QTest::newRow("folder") << "mkdir page.html" << asIs << "It is a folder, not a file.";
        QTest::newRow("FIFO without a writer") << "mkfifo page.html" << asIs << "It is a pipe (FIFO)";
        QTest::newRow("device") << "mknod page.html c 1 3" << asIs << "It is a device";
        QTest::newRow("socket") << "python3 -c 'import socket; socket.socket(socket.AF_UNIX).bind(\"page.html\")'"
                                << asIs << "It is a socket";
        QTest::newRow("unreadable") << "echo x > page.html; chmod 200 page.html; chmod 711 ." << Saver::AsNobody
                                    << qt_error_string(EACCES);
    }

    void loadsEveryByteAsItStandsOrRefuses()
    {
        QFETCH(QString, setUp);
        QFETCH(Saver, loader);
        QFETCH(QString, reason);
        if (!Shell(m_dir->path(), setUp) || (loader == Saver::AsNobody && ::geteuid() != 0))
            QSKIP("the set-up cannot be made here");
        const QByteArray bytes = QFileInfo(m_page).isFile() ? testsupport::ReadFile(m_page) : ""; // no FIFO

        const QByteArray outcome = testsupport::RunInChild(
            [this, loader] {
                if (loader == Saver::NoSize)
                    *static_cast<int *>(::dlsym(RTLD_DEFAULT, "tagwright_hide_size")) = 1;
                const Result<StampedPage> page = LoadPage(m_page);
                return page ? page->bytes : "error: " + (page.error().path + u'\n' + page.error().reason).toUtf8();
            },
            loader == Saver::AsNobody);

        if (reason.isEmpty())
            QCOMPARE(outcome, bytes);
        else
            QCOMPARE(outcome.left(outcome.indexOf('\n')), "error: " + m_page.toUtf8());
        QVERIFY2(outcome.contains(reason.toUtf8()), outcome.constData());
    }

    void savesThenCutsTheBufferOrLeavesBothAlone_data()
    {
        QTest::addColumn<QByteArray>("buffer"); // also the file as it was read
        QTest::addColumn<QString>("change"); // another program's, after the read
        QTest::addColumn<QByteArray>("file"); // after the save
        QTest::addColumn<QString>("reason");

        const QByteArray preamble = "<html>\r\n<head>\r\n<meta name=\"Author\" content=\"Corvantis\">\r\n"
                                    "<meta name=\"GENERATOR\" content=\"Tagwright 2.0\">\r\n"
                                    "<meta name=\"Title\" content=\"Shop\">\r\n"
                                    "<meta name=\"Description\" content=\"Tools and parts\">\r\n"
                                    "<meta name=\"KeyWords\" content=\"tools, parts\">\r\n";
        const QByteArray shop = "<title>Shop</title></head><body>Hi</body></html>";
        QTest::newRow("a page of 293 bytes") << "<html><head>" + shop + "\r\n"
                                             << QString() << preamble + shop + "\r\n"
                                             << QString();
        QTest::newRow("empty page: one empty line") << QByteArray("") << QString() << preamble + "\r\n" << QString();
        QTest::newRow("another program appended after the read") << shop << "echo more >> page.html" << shop + "more\n"
                                                                 << "Another program changed the file";
        const QByteArray utf16 = "\xfe\xff<title>x</title></html>";
        QTest::newRow("UTF-16 page, though its title tag is ASCII") << utf16 << QString() << utf16 << "UTF-16";
    }

    // A failed save changes neither the file nor the buffer; none keeps a file open.
    void savesThenCutsTheBufferOrLeavesBothAlone()
    {
        QFETCH(QByteArray, buffer);
        QFETCH(QString, change);
        QFETCH(QByteArray, file);
        QFETCH(QString, reason);
        QVERIFY(testsupport::WriteFile(m_page, buffer));
        const uint openFiles = QDir(QStringLiteral("/proc/self/fd")).count();
        Result<StampedPage> read = LoadPage(m_page);
        QVERIFY(read && Shell(m_dir->path(), change));

        const PerTag<FieldValue> fields { { "Shop", std::nullopt }, { "Tools and parts", std::nullopt },
            { "tools, parts", std::nullopt } };
        const Result<FileStamp> stamp
            = SaveMetaPage(m_page, fields, read->bytes, SniffPageEncoding(buffer), read->stamp);

        QVERIFY2(reasonOf(stamp).contains(reason) && !stamp == !reason.isEmpty(), qPrintable(reasonOf(stamp)));
        QCOMPARE(LoadPage(m_page)->bytes, file);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        if (!stamp)
            QCOMPARE(read->bytes, buffer);
        else
            QCOMPARE(MetaPreamble(EncodeForPage(fields, PageEncoding::utf8())) + read->bytes + "\r\n", file);
        QVERIFY(!stamp || *stamp == StampOf(m_page));
        QCOMPARE(QDir(QStringLiteral("/proc/self/fd")).count(), openFiles);
    }

    void replacesTheFileOrLeavesEverythingAsItWas_data()
    {
        QTest::addColumn<QString>("setUp"); // shell commands in an empty folder; page.html is saved
        QTest::addColumn<QString>("during"); // shell commands run while the new file is written
        QTest::addColumn<Saver>("saver");
        QTest::addColumn<QString>("reason"); // a pattern; empty: saved where `readlink -f` says, nothing else changed

        const QString old = QStringLiteral("echo old > page.html; ");
        const QString none;
        const Saver asIs = Saver::AsIs;
        QTest::newRow("a new file") << none << none << asIs << none;
        QTest::newRow("root saves another user's file: owner and mode stay")
            << old + "chown 65534:65534 page.html; chmod 640 page.html" << none << asIs << none;
        QTest::newRow("full disk") << "mount -t tmpfs -o size=64k tmpfs $PWD && cd $PWD && " + old << none << asIs
                                   << qt_error_string(ENOSPC);
        QTest::newRow("file size limit reached during the save")
            << old << "prlimit --pid $PPID --fsize=4096" << asIs << qt_error_string(EFBIG);
        QTest::newRow("read-only mount, a new file") << "mount --bind $PWD $PWD && mount -o remount,bind,ro $PWD"
                                                     << none << asIs << u'^' + qt_error_string(EROFS);
        QTest::newRow("immutable file") << old + "chattr +i page.html" << none << asIs << qt_error_string(EPERM);
        QTest::newRow("failing fsync") << old << none << Saver::FailingFsync << qt_error_string(EIO);
        QTest::newRow("no write bit, even for root")
            << old + "chmod 444 page.html" << none << asIs << qt_error_string(EACCES);
        QTest::newRow("a member of the file's group saves: the group stays, the owner is the saver")
            << old + "chown 0:100 page.html; chmod 664 page.html; chmod 777 ." << none << Saver::InGroup << none;
        QTest::newRow("a file only its owner may write")
            << old + "chmod 755 .; chmod 644 page.html" << none << Saver::AsNobody << qt_error_string(EACCES);
        QTest::newRow("a writable file in a folder that takes no new file")
            << old + "chmod 666 page.html; chmod 555 ." << none << Saver::AsNobody << "The folder";
        QTest::newRow("hard links") << old + "ln page.html other.html" << none << asIs << "one file with 2 names";
        QTest::newRow("folder") << "mkdir page.html" << none << asIs << "It is a folder";
        QTest::newRow("link to a folder at the root") << "ln -s /tmp page.html" << none << asIs << "It is a folder";
        QTest::newRow("name too long") << "ln -s $(printf %0300d 0) page.html" << none << asIs << "allows at most";
        QTest::newRow("link through a linked folder, then up")
            << "mkdir -p site far/deep; echo p > far/real.html; echo KEEP > site/real.html; ln -s ../far/deep "
               "site/link; ln -s ../real.html far/deep/page.html; ln -s site/link/page.html page.html"
            << none << asIs << none;
        QTest::newRow("'..' behind a linked folder inside the link's target")
            << "mkdir -p a/b; echo KEEP > keep.html; echo p > a/keep.html; ln -s a/b b; ln -s b/../keep.html page.html"
            << none << asIs << none;
        QTest::newRow("absolute link") << "echo p > real.html; ln -s $PWD/real.html page.html" << none << asIs << none;
        QTest::newRow("dangling link through a linked folder makes the file it names")
            << "mkdir -p d/e; ln -s d/e de; ln -s ../new.html de/new.html; ln -s de/new.html page.html; echo K > "
               "new.html"
            << none << asIs << none;
        QTest::newRow("link loop") << "ln -s b.html page.html; ln -s page.html b.html" << none << asIs
                                   << "Too many levels of symbolic links.";
        QTest::newRow("link into a missing folder")
            << "ln -s nowhere/page.html page.html" << none << asIs << qt_error_string(ENOENT);
        const QString meanwhile = QStringLiteral("Another program changed the file while it was being saved");
        QTest::newRow("another program appends") << old << "echo more >> page.html" << asIs << meanwhile;
        QTest::newRow("another program replaces it") << old << "echo other > x; mv x page.html" << asIs << meanwhile;
        QTest::newRow("another program deletes it") << old << "rm page.html" << asIs << meanwhile;
        QTest::newRow("another program adds a hard link") << old << "ln page.html other.html" << asIs << meanwhile;
        QTest::newRow("another program write-protects it") << old << "chmod 444 page.html" << asIs << meanwhile;
        QTest::newRow("another program makes it just before the rename")
            << none << none << Saver::RenameRace << meanwhile;
        QTest::newRow("a rename that works though errno says EEXIST") << none << none << Saver::StaleErrno << none;
        QTest::newRow("another program keeps it locked")
            << old + "(flock -x 9; sleep 8) 9<page.html >/dev/null 2>&1 & sleep 0.5" << none << asIs << "locked";
        QTest::newRow("SIGTERM") << old << "kill -TERM $PPID" << asIs << "signal 15";
        QTest::newRow("SIGTERM after forty saves") << old << "kill -TERM $PPID" << Saver::ManySaves << "signal 15";
        QTest::newRow("SIGHUP ignored from the start") << old << "kill -HUP $PPID" << Saver::HangupIgnored << none;
    }

    // Each save runs in a child process of its own, prepared as the programs
    // prepare themselves, so that limits and signals end only that one. What
    // fails leaves every file as it was, or as another program left it, and no
    // temporary file; the dry run's check gives the save's reason or none.
    void replacesTheFileOrLeavesEverythingAsItWas()
    {
        QFETCH(QString, setUp);
        QFETCH(QString, during);
        QFETCH(Saver, saver);
        QFETCH(QString, reason);
        const QString folder = m_dir->path();
        const bool asNobody = saver == Saver::AsNobody || saver == Saver::InGroup;
        if (!Shell(folder, setUp) || (asNobody && ::geteuid() != 0))
            QSKIP("the set-up needs root here");
        // The switch of this row's fault in the shim that ctest preloads (FailingSync).
        const bool shimmed = saver == Saver::FailingFsync || saver == Saver::RenameRace || saver == Saver::StaleErrno;
        const auto shimSwitch = static_cast<int *>(
            ::dlsym(RTLD_DEFAULT, saver == Saver::FailingFsync ? "tagwright_fail_sync" : "tagwright_race_rename"));
        QVERIFY2(!shimmed || shimSwitch, "run through ctest");
        QProcess readlink;
        readlink.start(QStringLiteral("readlink"), { QStringLiteral("-f"), m_page });
        QVERIFY(readlink.waitForFinished());
        const QString canonicalFolder = QFileInfo(folder).canonicalFilePath() + u'/';
        const QString written
            = QString::fromLocal8Bit(readlink.readAllStandardOutput().trimmed()).remove(canonicalFolder);
        const QStringList before = Snapshot(folder);

        const QByteArray outcome = testsupport::RunInChild(
            [&] {
                if (saver == Saver::HangupIgnored)
                    ::signal(SIGHUP, SIG_IGN);
                PrepareProcessForSaves();
                for (int save = 0; saver == Saver::ManySaves && save < 40; ++save)
                    (void)ReplaceFile(m_page, [](QIODevice &device) { return device.write("old\n") == 4; });
                const Result<void> check = CheckReplaceable(m_page);
                if (shimmed)
                    *shimSwitch = saver == Saver::StaleErrno ? 2 : 1;
                QStringList meanwhile;
                const Result<FileStamp> stamp = ReplaceFile(m_page, [&](QIODevice &device) {
                    if (!during.isEmpty() && Shell(folder, during))
                        meanwhile = QStringList { QStringLiteral("--") }
                            + Snapshot(folder).filter(QRegularExpression(QStringLiteral("^(?!\\.tagwright-)")));
                    return WriteMetaPage(device, NewValues, NewPage);
                });
                if (saver == Saver::RenameRace)
                    meanwhile = QStringList { QStringLiteral("--") } + Snapshot(folder);
                return (QStringList { reasonOf(stamp), check ? QString() : check.error().reason } + meanwhile)
                    .join(u'\n')
                    .toUtf8();
            },
            asNobody, saver == Saver::InGroup ? 100 : 65534);

        const QStringList lines = QString::fromUtf8(outcome).split(u'\n');
        QVERIFY2(lines[0].contains(QRegularExpression(reason)) && lines[0].isEmpty() == reason.isEmpty(), outcome);
        QVERIFY2(lines.value(1).isEmpty() || lines.value(1) == lines[0], outcome.constData());
        // What another program left, as the child saw it, or all as it was.
        QStringList expected = lines.contains(u"--") ? lines.mid(lines.indexOf(u"--") + 1) : before;
        const QStringList after = Snapshot(folder);
        if (reason.isEmpty()) {
            // The file written keeps its mode and owner, and holds the new bytes.
            QString was = entryOf(before, written);
            expected.removeIf([&](const QString &line) { return line.section(u' ', 0, -2) == was; });
            if (saver == Saver::InGroup)
                was.replace(QStringLiteral(" 0:"), QStringLiteral(" 65534:"));
            const QByteArray hash
                = QCryptographicHash::hash(MetaPreamble(NewValues) + NewPage + "\r\n", QCryptographicHash::Sha1);
            expected << (was.isEmpty() ? entryOf(after, written) : was) + u' ' + hash.toHex();
            expected.sort();
        }
        QCOMPARE(after, expected);
    }
};

QTEST_GUILESS_MAIN(TestSavePage)
#include "tst_savepage.moc"
