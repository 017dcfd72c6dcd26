#include "WindowSnapshot.h"

#include <FileFaults.h>
#include <SyncFailure.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using Answer = app::UserPrompts::Answer;
using testsupport::EntriesOf;
using testsupport::StateOf;

namespace {

const QByteArray OldFile = "<title>old</title></html>";
constexpr qint64 RoomOnDisk = 64 * 1024;
constexpr unsigned Nobody = 65534;

// Where a fault is made, and what a save through the window should do there.
struct Scene
{
    QString target; // the path the user saves to
    QString folder; // where a temporary file would be left behind
    QString written; // the regular file a successful save writes
    qint64 fileSize = 600; // of the file the save writes
    QStringList created; // names a successful save adds to folder
    QByteArray pageStart; // put before the page that is opened
    QString skip;
};

} // namespace

class SaveFaultsThroughWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void faultLeavesEverythingAsItWas_data();
    void faultLeavesEverythingAsItWas();
    void theEditorStartsReadyForLimitsAndSignals();

private:
    void prepare(const QString &fault, Scene &scene);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<WindowUnderTest> m_ui;
    std::optional<testsupport::TmpfsMount> m_disk;
    std::optional<testsupport::ReadOnlyBindMount> m_readOnly;
    std::optional<testsupport::ImmutableFlag> m_immutable;
};

void SaveFaultsThroughWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ui = std::make_unique<WindowUnderTest>();
}

void SaveFaultsThroughWindow::cleanup()
{
    // The flag first and the mounts next, or the folder could not be removed.
    m_immutable.reset();
    m_readOnly.reset();
    m_disk.reset();
    m_ui.reset();
    m_dir.reset();
}

void SaveFaultsThroughWindow::faultLeavesEverythingAsItWas_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason"); // in the message; empty when the save succeeds

    const std::pair<const char *, QString> faults[] = {
        { "disk full, large page", qt_error_string(ENOSPC) },
        { "disk full to the last byte", QString() },
        { "file size limit reached exactly", QString() },
        { "disk full in the last byte", qt_error_string(ENOSPC) },
        { "file size limit in the last byte", qt_error_string(EFBIG) },
        { "sync fails", qt_error_string(EIO) },
        { "read-only mount", qt_error_string(EROFS) },
        { "immutable target", qt_error_string(EPERM) },
        { "target is a folder", QStringLiteral("folder") },
        { "target is a FIFO", QStringLiteral("not a regular file") },
        { "target is a device node", QStringLiteral("not a regular file") },
        { "missing parent folder", qt_error_string(ENOENT) },
        { "parent is a regular file", qt_error_string(ENOTDIR) },
        { "name of 256 bytes", QStringLiteral("256 bytes long") },
        { "symbolic link loop", QStringLiteral("symbolic links") },
        { "hard-linked target", QStringLiteral("hard links") },
        { "name of 255 bytes", QString() },
        { "relative symbolic link", QString() },
        { "dangling symbolic link", QString() },
        { "another user's file with set-gid", QString() },
        { "page in UTF-16", QStringLiteral("UTF-16") },
    };
    // Save writes to the original path, here typed by hand; Save As to the
    // dialog's choice, which only a successful save shows in the new path.
    for (const auto &[fault, reason] : faults) {
        QTest::addRow("Save, %s", fault) << "Command4" << fault << reason;
        QTest::addRow("Save As, %s", fault) << "Command2" << fault << reason;
    }
}

void SaveFaultsThroughWindow::prepare(const QString &fault, Scene &scene)
{
    const QString folder = m_dir->filePath(QStringLiteral("target"));
    QVERIFY(QDir().mkdir(folder));
    scene.target = scene.written = folder + QStringLiteral("/page.html");
    scene.folder = folder;
    const auto inFolder = [&folder](const QString &name) { return folder + QLatin1Char('/') + name; };
    const auto skipUnless = [&scene](const std::optional<QString> &notMade) {
        if (notMade)
            scene.skip = *notMade;
    };

    if (fault.startsWith(QLatin1String("disk full"))) {
        m_disk.emplace(folder, RoomOnDisk);
        if (!m_disk->isMounted())
            return skipUnless(m_disk->error());
        QVERIFY(testsupport::WriteFile(scene.target, OldFile));
        const qint64 tooMany = fault.contains(QLatin1String("large")) ? 1024 * 1024
            : fault.contains(QLatin1String("to the last"))            ? 0
                                                                      : 1;
        scene.fileSize = m_disk->freeBytes() + tooMany;
    } else if (fault.startsWith(QLatin1String("file size limit"))) {
        QVERIFY(testsupport::WriteFile(scene.target, OldFile));
        scene.fileSize = RoomOnDisk + (fault.contains(QLatin1String("exactly")) ? 0 : 1);
    } else if (fault == QLatin1String("read-only mount")) {
        QVERIFY(testsupport::WriteFile(scene.target, OldFile));
        m_readOnly.emplace(folder);
        if (!m_readOnly->isMounted())
            skipUnless(m_readOnly->error());
    } else if (fault == QLatin1String("immutable target")) {
        QVERIFY(testsupport::WriteFile(scene.target, OldFile));
        m_immutable.emplace(scene.target);
        if (!m_immutable->isSet())
            skipUnless(m_immutable->error());
    } else if (fault == QLatin1String("target is a folder")) {
        QVERIFY(QDir().mkdir(scene.target));
    } else if (fault == QLatin1String("target is a FIFO")) {
        skipUnless(testsupport::MakeFifo(scene.target));
    } else if (fault == QLatin1String("target is a device node")) {
        skipUnless(testsupport::MakeDeviceNode(scene.target));
    } else if (fault == QLatin1String("missing parent folder")) {
        scene.target = inFolder(QStringLiteral("missing/page.html"));
    } else if (fault == QLatin1String("parent is a regular file")) {
        QVERIFY(testsupport::WriteFile(inFolder(QStringLiteral("file.html")), OldFile));
        scene.target = inFolder(QStringLiteral("file.html/page.html"));
    } else if (fault.startsWith(QLatin1String("name of"))) {
        const QString name
            = QString(fault.contains(QLatin1String("255")) ? 250 : 251, QLatin1Char('n')) + QStringLiteral(".html");
        scene.target = scene.written = inFolder(name);
        // A file of that name that exists already: replacing one is the harder case.
        if (name.size() == 255)
            QVERIFY(testsupport::WriteFile(scene.target, OldFile));
    } else if (fault == QLatin1String("symbolic link loop")) {
        QVERIFY(QFile::link(QStringLiteral("loop.html"), scene.target));
        QVERIFY(QFile::link(QStringLiteral("page.html"), inFolder(QStringLiteral("loop.html"))));
    } else if (fault == QLatin1String("hard-linked target")) {
        QVERIFY(testsupport::WriteFile(scene.target, OldFile));
        QCOMPARE(::link(QFile::encodeName(scene.target).constData(),
                     QFile::encodeName(inFolder(QStringLiteral("other.html"))).constData()),
            0);
    } else if (fault.endsWith(QLatin1String("symbolic link"))) {
        scene.written = inFolder(QStringLiteral("real.html"));
        QVERIFY(QFile::link(QStringLiteral("real.html"), scene.target));
        if (fault.startsWith(QLatin1String("dangling")))
            scene.created = QStringList { QStringLiteral("real.html") };
        else
            QVERIFY(testsupport::WriteFile(scene.written, OldFile));
    } else if (fault == QLatin1String("another user's file with set-gid")) {
        if (::geteuid() != 0)
            return skipUnless(QStringLiteral("only root may keep another user's owner and group"));
        QVERIFY(testsupport::WriteFile(scene.target, OldFile));
        const QByteArray path = QFile::encodeName(scene.target);
        QCOMPARE(::chown(path.constData(), Nobody, Nobody), 0);
        QCOMPARE(::chmod(path.constData(), 02664), 0);
    } else if (fault == QLatin1String("page in UTF-16")) {
        QVERIFY(testsupport::WriteFile(scene.target, OldFile));
        scene.pageStart = "\xFF\xFE";
    } else {
        QVERIFY(fault == QLatin1String("sync fails"));
        QVERIFY(testsupport::WriteFile(scene.target, OldFile));
    }
}

// Every fault ends in one message that names the file and the reason, and
// leaves the target, its folder and the window as they were; the cases that
// must succeed write exactly the page and leave nothing else behind.
void SaveFaultsThroughWindow::faultLeavesEverythingAsItWas()
{
    QFETCH(QString, command);
    QFETCH(QString, fault);
    QFETCH(QString, reason);

    Scene scene;
    prepare(fault, scene);
    if (QTest::currentTestFailed())
        return;
    if (!scene.skip.isEmpty())
        QSKIP(qPrintable(scene.skip));

    const TestPage page = TestPage::ofKeptSize(keptSizeForFileOf(scene.fileSize));
    const QString source = m_dir->filePath(QStringLiteral("source.html"));
    QVERIFY(testsupport::WriteFile(source, scene.pageStart + page.bytes));
    openThroughWindow(*m_ui, source);
    QVERIFY(m_ui->prompts.errors.isEmpty());
    m_ui->line("Text7")->setText(QStringLiteral("earlier"));
    if (command == QLatin1String("Command4"))
        m_ui->line("Text6")->setText(scene.target);

    const WindowSnapshot before = WindowSnapshot::of(*m_ui);
    const testsupport::FileState targetBefore = StateOf(scene.target);
    const QStringList entriesBefore = EntriesOf(scene.folder);
    // Save asks once more before it replaces a file other than the opened page.
    const bool replacesOtherFile = command == QLatin1String("Command4") && QFileInfo(scene.target).isFile();
    m_ui->prompts.answers = { Answer::Yes, Answer::Yes };
    m_ui->fileDialog.answers = { scene.target };
    {
        const testsupport::Watchdog watchdog(120);
        std::optional<testsupport::FileSizeLimit> limit;
        std::optional<testsupport::SyncFailure> syncFailure;
        if (fault.startsWith(QLatin1String("file size limit"))) {
            limit.emplace(RoomOnDisk);
            if (!limit->isSet())
                QSKIP(qPrintable(limit->error()));
        } else if (fault == QLatin1String("sync fails")) {
            syncFailure.emplace();
            if (!syncFailure->isSet())
                QSKIP(qPrintable(syncFailure->error()));
        }
        m_ui->run(command);
    }

    QStringList questions { QStringLiteral("Tagwright 2.0|Are you sure?") };
    if (replacesOtherFile)
        questions += QStringLiteral("Tagwright 2.0|\u201c%1\u201d is not the page that was opened. Replace it?")
                         .arg(QDir::toNativeSeparators(scene.target));
    QCOMPARE(m_ui->prompts.questions, questions);
    if (!reason.isEmpty()) {
        QCOMPARE(m_ui->prompts.errors.size(), 1);
        const QString &message = m_ui->prompts.errors.first();
        QVERIFY2(message.contains(QDir::toNativeSeparators(scene.target)), qPrintable(message));
        QVERIFY2(message.contains(reason), qPrintable(message));
        QCOMPARE(StateOf(scene.target), targetBefore);
        QVERIFY2(message.endsWith(QFileInfo::exists(scene.target) ? QLatin1String("The file was not changed.")
                                                                  : QLatin1String("No file was created.")),
            qPrintable(message));
        QCOMPARE(EntriesOf(scene.folder), entriesBefore);
        QCOMPARE(WindowSnapshot::of(*m_ui), before);
        return;
    }

    QCOMPARE(m_ui->prompts.errors, QStringList());
    const testsupport::FileState written = StateOf(scene.written);
    QCOMPARE(written.bytes, savedFile(page.kept));
    QStringList entries = entriesBefore + scene.created;
    entries.sort();
    QCOMPARE(EntriesOf(scene.folder), entries);
    if (scene.written != scene.target)
        QCOMPARE(StateOf(scene.target), targetBefore);
    if (fault.startsWith(QLatin1String("another user's"))) {
        QCOMPARE(written.owner, Nobody);
        QCOMPARE(written.group, Nobody);
        QCOMPARE(written.permissions, 02664u);
    }
    WindowSnapshot after = before;
    after.page = page.kept;
    if (command == QLatin1String("Command2"))
        after.texts[4] = scene.target;
    QCOMPARE(WindowSnapshot::of(*m_ui), after);
}

// The real program, started as a shell with `ulimit -f` starts it: before its
// window is up it ignores SIGXFSZ, so that a write past the limit fails as a
// save with a message, and it catches the signals on which it removes a save's
// temporary file.
void SaveFaultsThroughWindow::theEditorStartsReadyForLimitsAndSignals()
{
    QProcess editor;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    editor.setProcessEnvironment(environment);
    editor.setChildProcessModifier([] {
        for (const int signal : { SIGXFSZ, SIGINT, SIGTERM, SIGHUP })
            ::signal(signal, SIG_DFL);
        const rlimit limit { 20 * 1024, 20 * 1024 };
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    editor.start(QStringLiteral(TAGWRIGHT_EDITOR), {});
    QVERIFY(editor.waitForStarted());

    const auto signalMask = [&editor](const QByteArray &field) {
        QFile status(QStringLiteral("/proc/%1/status").arg(editor.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return quint64 { 0 };
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith(field + ':'))
                return line.mid(field.size() + 1).trimmed().toULongLong(nullptr, 16);
        }
        return quint64 { 0 };
    };
    const auto bit = [](int signal) { return quint64 { 1 } << (signal - 1); };
    const quint64 caught = bit(SIGINT) | bit(SIGTERM) | bit(SIGHUP);
    QTRY_VERIFY_WITH_TIMEOUT((signalMask("SigIgn") & bit(SIGXFSZ)) != 0, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(signalMask("SigCgt") & caught, caught, 20000);

    ::kill(static_cast<pid_t>(editor.processId()), SIGTERM);
    QVERIFY(editor.waitForFinished(20000));
    QCOMPARE(editor.exitStatus(), QProcess::CrashExit);
}

QTEST_MAIN(SaveFaultsThroughWindow)
#include "tst_savefaultsthroughwindow.moc"
