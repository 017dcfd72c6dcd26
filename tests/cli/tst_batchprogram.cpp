#include <FileFaults.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using testsupport::WriteFile;

namespace {

// The program as a shell starts it, with no display: every signal at its
// default action, and at most fileSizeLimit bytes to a file when one is given
// (ulimit -f).
void startBatch(QProcess &process, const QString &folder, const QStringList &arguments, rlim_t fileSizeLimit = 0)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR" })
        environment.remove(QLatin1String(name));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.setChildProcessModifier([fileSizeLimit] {
        for (const int signal : { SIGXFSZ, SIGINT, SIGTERM, SIGHUP })
            ::signal(signal, SIG_DFL);
        const rlimit limit { fileSizeLimit, fileSizeLimit };
        if (fileSizeLimit > 0)
            ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    process.start(QStringLiteral(TAGWRIGHT_BATCH), arguments);
}

QStringList temporaryFilesIn(const QString &folder)
{
    return QDir(folder).entryList({ QStringLiteral(".tagwright-*") }, QDir::Files | QDir::Hidden);
}

const QByteArray ShopPage = "<html><head><meta name=\"Title\" content=\"Shop\">\r\n<title>Shop</title></html>\r\n";

} // namespace

class TestBatchProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runsEndAsTheySay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("fileSizeLimit");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out"); // the beginning of standard output
        QTest::addColumn<QByteArray>("err"); // the end of standard error

        const auto row = [](const char *name, const QStringList &arguments, const QByteArray &input, int status,
                             const char *out, const char *err, int fileSizeLimit = 0) {
            QTest::newRow(name) << arguments << input << fileSizeLimit << status << QByteArray(out) << QByteArray(err);
        };
        row("show: results to standard output", { "show", "shop.html" }, {}, 0, "path\ttitle\t", "");
        row("a device as the sheet", { "apply", "/dev/zero" }, {}, 2, "",
            "tagwright-batch: /dev/zero: It is a device, not a regular file.\n");
        row("a header that is no header, from a pipe, stops at once", { "apply", "-" },
            QByteArray("a\tx\n").repeated(100000), 2, "", "and their *_status columns.\n");
        row("a bad row", { "apply", "-" }, "path\ttitle\ngone.html\tX\nshop.html\tY\n", 1, "",
            "tagwright-batch: (standard input): 1 written, 0 unchanged, 1 failed\n");
        row("a file size limit fails the save instead of the program", { "set", "big.html", "--title", "New" }, {}, 1,
            "", "big.html: 0 written, 0 unchanged, 1 failed\n", 20 * 1024);
        row("audit needs no display", { "audit", "--json", "shop.html" }, {}, 1,
            "{\"path\":\"shop.html\",\"field\":\"title\"", "1 page read; 3 findings: 2 missing, 1 too-short.\n");
    }

    void runsEndAsTheySay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(int, fileSizeLimit);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);

        QTemporaryDir folder;
        const QByteArray big = "<title>" + QByteArray(33 * 1024, 'x') + "</title></html>";
        QVERIFY(WriteFile(folder.filePath("shop.html"), ShopPage) && WriteFile(folder.filePath("big.html"), big));
        QElapsedTimer timer;
        timer.start();
        QProcess process;
        startBatch(process, folder.path(), arguments, rlim_t(fileSizeLimit));
        process.write(input);
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit);
        QVERIFY(timer.elapsed() < 10000);
        QCOMPARE(process.exitCode(), status);
        QVERIFY(process.readAllStandardOutput().startsWith(out));
        const QByteArray errors = process.readAllStandardError();
        QVERIFY2(errors.endsWith(err), errors.constData());
        // Only the program's own lines: nothing from Qt starting up.
        for (const QByteArray &line : errors.split('\n'))
            QVERIFY2(
                line.isEmpty() || line.startsWith("tagwright-batch: ") || line.contains(" read; "), line.constData());
        QVERIFY(fileSizeLimit == 0 || errors.contains(qt_error_string(EFBIG).toUtf8()));
        QCOMPARE(testsupport::StateOf(folder.filePath("big.html")).bytes, big);
        QCOMPARE(temporaryFilesIn(folder.path()), QStringList());
    }

    void aSignalDuringASaveLeavesNoTemporaryFile_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    // The program ends as the signal would, and takes its half-written file along.
    void aSignalDuringASaveLeavesNoTemporaryFile()
    {
        QFETCH(int, signal);
        QTemporaryDir folder;
        const QString page = folder.filePath(QStringLiteral("page.html"));
        QVERIFY(WriteFile(page, "<title>" + QByteArray(256 * 1024 * 1024, 'x') + "</title></html>"));
        const qint64 size = QFileInfo(page).size();

        QProcess process;
        startBatch(process, folder.path(), { "set", "page.html", "--title", "New" });
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
    void twoRunsAtOnceNeverLoseAChangeSilently()
    {
        QTemporaryDir folder;
        QByteArray sheets[2] = { "path\ttitle\n", "path\tdescription\n" };
        for (int i = 0; i < 60; ++i) {
            QVERIFY(WriteFile(folder.filePath(QStringLiteral("p%1.html").arg(i)), ShopPage));
            for (QByteArray &sheet : sheets)
                sheet += "p" + QByteArray::number(i) + ".html\tNew\n";
        }
        QProcess runs[2];
        for (int run = 0; run < 2; ++run) {
            QVERIFY(WriteFile(folder.filePath(QStringLiteral("%1.tsv").arg(run)), sheets[run]));
            startBatch(runs[run], folder.path(), { "apply", QStringLiteral("%1.tsv").arg(run) });
        }
        QVERIFY(runs[0].waitForFinished(120000) && runs[1].waitForFinished(120000));
        const QByteArray errors[2] = { runs[0].readAllStandardError(), runs[1].readAllStandardError() };
        for (int i = 0; i < 60; ++i) {
            const QByteArray name = "p" + QByteArray::number(i) + ".html";
            const QByteArray saved = testsupport::StateOf(folder.filePath(QString::fromLatin1(name))).bytes;
            for (const auto &[run, word] : { std::pair(0, "Title"), std::pair(1, "Description") }) {
                if (!saved.contains("\"" + QByteArray(word) + "\" content=\"New\""))
                    QVERIFY2(runs[run].exitCode() == 1 && errors[run].contains(" " + name + ":"), name.constData());
            }
        }
        QCOMPARE(temporaryFilesIn(folder.path()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestBatchProgram)
#include "tst_batchprogram.moc"
