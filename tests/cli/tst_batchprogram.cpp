#include "PageFiles.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct Run
{
    int status = -1;
    QByteArray out;
    QByteArray err;
    qint64 milliseconds = 0;
};

// The program as a shell starts it: every signal at its default action, and
// at most fileSizeLimit bytes to a file when one is given (ulimit -f).
void startBatch(QProcess &process, const QString &folder, const QStringList &arguments, rlim_t fileSizeLimit = 0)
{
    process.setWorkingDirectory(folder);
    process.setChildProcessModifier([fileSizeLimit] {
        for (const int signal : { SIGXFSZ, SIGINT, SIGTERM, SIGHUP })
            ::signal(signal, SIG_DFL);
        if (fileSizeLimit > 0) {
            const rlimit limit { fileSizeLimit, fileSizeLimit };
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
    });
    process.start(QStringLiteral(TAGWRIGHT_BATCH), arguments);
}

Run runBatch(
    const QString &folder, const QStringList &arguments, const QByteArray &input = {}, rlim_t fileSizeLimit = 0)
{
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    startBatch(process, folder, arguments, fileSizeLimit);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return { process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError(), timer.elapsed() };
}

QStringList temporaryFilesIn(const QString &folder)
{
    return QDir(folder).entryList({ QStringLiteral(".tagwright-*") }, QDir::Files | QDir::Hidden);
}

const QByteArray ShopPage = "<html><head><meta name=\"Title\" content=\"Shop\tfront\">\r\n"
                            "<meta name=\"KeyWords\" content=\"caf\xE9\r\nparts\\\">\r\n"
                            "<title>Shop</title></head><body>Hi</body></html>\r\n";
const QByteArray BarePage = "<title>Bare</title></html>";

} // namespace

class TestBatchProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showThenApplyOfTheSheetChangesNothing();
    void aBadRowMakesTheExitStatusNonZero();
    void runsEndAsTheySay_data();
    void runsEndAsTheySay();
    void showWalksAFolderInSortedOrder();
    void aFileSizeLimitFailsTheSaveInsteadOfTheProgram();
    void aSignalDuringASaveLeavesNoTemporaryFile_data();
    void aSignalDuringASaveLeavesNoTemporaryFile();
    void twoRunsAtOnceNeverLoseAChangeSilently();
    void auditNeedsNoDisplay();
};

void TestBatchProgram::showThenApplyOfTheSheetChangesNothing()
{
    QTemporaryDir folder;
    const QString shop = folder.filePath(QStringLiteral("shop.html"));
    const QString bare = folder.filePath(QStringLiteral("bare.html"));
    QVERIFY(pagefiles::WriteOld(shop, ShopPage));
    QVERIFY(pagefiles::WriteOld(bare, BarePage));
    const pagefiles::OnDisk shopBefore = pagefiles::StateOf(shop);
    const pagefiles::OnDisk bareBefore = pagefiles::StateOf(bare);

    const Run show
        = runBatch(folder.path(), { QStringLiteral("show"), QStringLiteral("shop.html"), QStringLiteral("bare.html") });
    QCOMPARE(show.status, 0);
    QVERIFY(show.err.isEmpty());
    QVERIFY(pagefiles::Write(folder.filePath(QStringLiteral("pages.tsv")), show.out));

    const Run apply = runBatch(folder.path(), { QStringLiteral("apply"), QStringLiteral("pages.tsv") });
    QCOMPARE(apply.status, 0);
    QCOMPARE(apply.err, QByteArray("tagwright-batch: pages.tsv: 0 written, 2 unchanged, 0 failed\n"));
    QCOMPARE(pagefiles::StateOf(shop), shopBefore);
    QCOMPARE(pagefiles::StateOf(bare), bareBefore);
}

void TestBatchProgram::aBadRowMakesTheExitStatusNonZero()
{
    QTemporaryDir folder;
    QVERIFY(pagefiles::Write(folder.filePath(QStringLiteral("shop.html")), ShopPage));
    QVERIFY(
        pagefiles::Write(folder.filePath(QStringLiteral("pages.tsv")), "path\ttitle\ngone.html\tX\nshop.html\tY\n"));

    const Run apply = runBatch(folder.path(), { QStringLiteral("apply"), QStringLiteral("pages.tsv") });
    QCOMPARE(apply.status, 1);
    QVERIFY2(apply.err.startsWith("tagwright-batch: pages.tsv:2: gone.html: "), apply.err.constData());
    QVERIFY2(
        apply.err.endsWith("tagwright-batch: pages.tsv: 1 written, 0 unchanged, 1 failed\n"), apply.err.constData());
    QCOMPARE(pagefiles::Read(folder.filePath(QStringLiteral("shop.html"))),
        pagefiles::SavedByEditor(
            ShopPage, folder.filePath(QStringLiteral("shop.saved")), { QStringLiteral("Y"), {}, {} }));
}

void TestBatchProgram::runsEndAsTheySay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("said"); // the end of standard error
    QTest::addColumn<QString>("made"); // a file the run creates, if any

    const QString apply = QStringLiteral("apply");
    const QString set = QStringLiteral("set");
    QTest::newRow("a device as the sheet")
        << QStringList { apply, QStringLiteral("/dev/zero") } << QByteArray() << 2
        << QByteArray("tagwright-batch: /dev/zero: It is a device, not a regular file.\n") << QString();
    QTest::newRow("a header that is no header, from a pipe")
        << QStringList { apply, QStringLiteral("-") } << QByteArray("a\tx\n").repeated(100000) << 2
        << QByteArray("has a column \"a\"; the columns are path, title, description, keywords and their *_status "
                      "columns.\n")
        << QString();
    QTest::newRow("every row fails") << QStringList { apply, QStringLiteral("-") }
                                     << QByteArray("path\ttitle\ngone.html\tX\nlost.html\tY\n") << 1
                                     << QByteArray(
                                            "tagwright-batch: (standard input): 0 written, 0 unchanged, 2 failed\n")
                                     << QString();
    QTest::newRow("set -o into new folders")
        << QStringList { set, QStringLiteral("shop.html"), QStringLiteral("--title"), QStringLiteral("New"),
               QStringLiteral("-o"), QStringLiteral("new/deep/index.html") }
        << QByteArray() << 0 << QByteArray("tagwright-batch: shop.html: 1 written, 0 unchanged, 0 failed\n")
        << QStringLiteral("new/deep/index.html");
    QTest::newRow("set refuses a page without a title tag")
        << QStringList { set, QStringLiteral("untitled.html"), QStringLiteral("--title"), QStringLiteral("New") }
        << QByteArray() << 1 << QByteArray("untitled.html: 0 written, 0 unchanged, 1 failed\n") << QString();
    QTest::newRow("set writes it whole when told")
        << QStringList { set, QStringLiteral("untitled.html"), QStringLiteral("--title"), QStringLiteral("New"),
               QStringLiteral("--whole-page") }
        << QByteArray() << 0 << QByteArray("untitled.html: 1 written, 0 unchanged, 0 failed\n") << QString();
}

void TestBatchProgram::runsEndAsTheySay()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(QByteArray, said);
    QFETCH(QString, made);

    QTemporaryDir folder;
    QVERIFY(pagefiles::Write(folder.filePath(QStringLiteral("shop.html")), ShopPage));
    QVERIFY(pagefiles::Write(folder.filePath(QStringLiteral("untitled.html")), "<h1>No title</h1>"));

    const Run run = runBatch(folder.path(), arguments, input);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.endsWith(said), run.err.constData());
    QVERIFY2(run.milliseconds < 10000, "the run should end at once");
    if (!made.isEmpty())
        QVERIFY(QFileInfo(folder.filePath(made)).isFile());
}

void TestBatchProgram::showWalksAFolderInSortedOrder()
{
    QTemporaryDir folder;
    for (const QString &name : { QStringLiteral("site/b.html"), QStringLiteral("site/a/z.htm"),
             QStringLiteral("site/A.HTML"), QStringLiteral("site/notes.txt"), QStringLiteral("site/.hidden/x.html") }) {
        QVERIFY(QDir(folder.path()).mkpath(QFileInfo(name).path()));
        QVERIFY(pagefiles::Write(folder.filePath(name), BarePage));
    }
    QVERIFY(QFile::link(folder.filePath(QStringLiteral("site")), folder.filePath(QStringLiteral("site/loop"))));

    const Run show = runBatch(folder.path(), { QStringLiteral("show"), QStringLiteral("-r"), QStringLiteral("site") });
    QCOMPARE(show.status, 0);
    QStringList paths;
    for (const QByteArray &line : show.out.split('\n').mid(1, 3))
        paths.append(QString::fromUtf8(line.split('\t').front()));
    QCOMPARE(paths,
        QStringList({ QStringLiteral("site/A.HTML"), QStringLiteral("site/a/z.htm"), QStringLiteral("site/b.html") }));
    QCOMPARE(show.out.count('\n'), 4);
}

void TestBatchProgram::aFileSizeLimitFailsTheSaveInsteadOfTheProgram()
{
    QTemporaryDir folder;
    const QString page = folder.filePath(QStringLiteral("page.html"));
    const QByteArray bytes = "<title>" + QByteArray(33 * 1024, 'x') + "</title></html>";
    QVERIFY(pagefiles::Write(page, bytes));

    const Run set = runBatch(folder.path(),
        { QStringLiteral("set"), QStringLiteral("page.html"), QStringLiteral("--title"), QStringLiteral("New") }, {},
        20 * 1024);

    QCOMPARE(set.status, 1);
    QVERIFY2(set.err.contains(qt_error_string(EFBIG).toUtf8()), set.err.constData());
    QCOMPARE(pagefiles::Read(page), bytes);
    QCOMPARE(temporaryFilesIn(folder.path()), QStringList());
}

void TestBatchProgram::aSignalDuringASaveLeavesNoTemporaryFile_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

// The program ends as the signal would, and takes its half-written file along.
void TestBatchProgram::aSignalDuringASaveLeavesNoTemporaryFile()
{
    QFETCH(int, signal);
    QTemporaryDir folder;
    const QString page = folder.filePath(QStringLiteral("page.html"));
    QVERIFY(pagefiles::Write(page, "<title>" + QByteArray(256 * 1024 * 1024, 'x') + "</title></html>"));
    const qint64 size = QFileInfo(page).size();

    QProcess process;
    startBatch(process, folder.path(),
        { QStringLiteral("set"), QStringLiteral("page.html"), QStringLiteral("--title"), QStringLiteral("New") });
    QVERIFY(process.waitForStarted());
    bool seen = false;
    while (!seen && !process.waitForFinished(1))
        seen = !temporaryFilesIn(folder.path()).isEmpty();
    if (!seen)
        QSKIP("the save ended before its temporary file could be seen");
    ::kill(static_cast<pid_t>(process.processId()), signal);
    QVERIFY(process.waitForFinished(60000));

    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    QCOMPARE(temporaryFilesIn(folder.path()), QStringList());
    QCOMPARE(QFileInfo(page).size(), size);
}

// Two runs that each change another value of the same pages: every change
// either lands or its run says which page it could not write and fails.
void TestBatchProgram::twoRunsAtOnceNeverLoseAChangeSilently()
{
    QTemporaryDir folder;
    constexpr int Pages = 200;
    QByteArray titles = "path\ttitle\n";
    QByteArray descriptions = "path\tdescription\n";
    for (int i = 0; i < Pages; ++i) {
        const QByteArray name = "p" + QByteArray::number(i) + ".html";
        QVERIFY(pagefiles::Write(folder.filePath(QString::fromLatin1(name)), BarePage));
        titles += name + "\tNew title\n";
        descriptions += name + "\tNew description\n";
    }
    QVERIFY(pagefiles::Write(folder.filePath(QStringLiteral("titles.tsv")), titles));
    QVERIFY(pagefiles::Write(folder.filePath(QStringLiteral("descriptions.tsv")), descriptions));

    QProcess first;
    QProcess second;
    startBatch(first, folder.path(), { QStringLiteral("apply"), QStringLiteral("titles.tsv") });
    startBatch(second, folder.path(), { QStringLiteral("apply"), QStringLiteral("descriptions.tsv") });
    QVERIFY(first.waitForFinished(120000) && second.waitForFinished(120000));
    const QByteArray firstErrors = first.readAllStandardError();
    const QByteArray secondErrors = second.readAllStandardError();

    for (int i = 0; i < Pages; ++i) {
        const QByteArray name = "p" + QByteArray::number(i) + ".html";
        const QByteArray saved = pagefiles::Read(folder.filePath(QString::fromLatin1(name)));
        if (!saved.contains("\"Title\" content=\"New title\"")) {
            QVERIFY2(first.exitCode() != 0 && firstErrors.contains(" " + name + ":"), name.constData());
        }
        if (!saved.contains("\"Description\" content=\"New description\"")) {
            QVERIFY2(second.exitCode() != 0 && secondErrors.contains(" " + name + ":"), name.constData());
        }
    }
    QCOMPARE(temporaryFilesIn(folder.path()), QStringList());
}

void TestBatchProgram::auditNeedsNoDisplay()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("site/sub")));
    QVERIFY(pagefiles::Write(folder.filePath(QStringLiteral("site/shop.html")), ShopPage));
    QVERIFY(pagefiles::Write(folder.filePath(QStringLiteral("site/sub/bare.htm")), BarePage));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR" })
        environment.remove(QLatin1String(name));

    QProcess process;
    process.setProcessEnvironment(environment);
    startBatch(process, folder.path(),
        { QStringLiteral("audit"), QStringLiteral("--json"), QStringLiteral("-r"), QStringLiteral("site") });
    QVERIFY(process.waitForFinished(60000));
    const Run audit { process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError() };
    QCOMPARE(audit.status, 1);
    const QList<QByteArray> lines = audit.out.trimmed().split('\n');
    QCOMPARE(QJsonDocument::fromJson(lines.front()).object().value(QStringLiteral("path")).toString(),
        QStringLiteral("site/shop.html"));
    QCOMPARE(QJsonDocument::fromJson(lines.back()).object().value(QStringLiteral("path")).toString(),
        QStringLiteral("site/sub/bare.htm"));
    // The summary alone: nothing from starting the offscreen platform.
    QVERIFY2(audit.err.startsWith("2 pages read; ") && audit.err.count('\n') == 1, audit.err.constData());
}

QTEST_GUILESS_MAIN(TestBatchProgram)
#include "tst_batchprogram.moc"
