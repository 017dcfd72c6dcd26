#include "PageFiles.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run runBatch(const QString &folder, const QStringList &arguments,
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAGWRIGHT_BATCH), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return { process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError() };
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
    void showThenApplyWritesWhatTheEditorSaves();
    void aBadRowMakesTheExitStatusNonZero();
    void auditNeedsNoDisplay();
};

void TestBatchProgram::showThenApplyWritesWhatTheEditorSaves()
{
    QTemporaryDir folder;
    QVERIFY(pagefiles::Write(folder.filePath(QStringLiteral("shop.html")), ShopPage));
    QVERIFY(pagefiles::Write(folder.filePath(QStringLiteral("bare.html")), BarePage));

    const Run show
        = runBatch(folder.path(), { QStringLiteral("show"), QStringLiteral("shop.html"), QStringLiteral("bare.html") });
    QCOMPARE(show.status, 0);
    QVERIFY(show.err.isEmpty());
    QVERIFY(pagefiles::Write(folder.filePath(QStringLiteral("pages.tsv")), show.out));

    const Run apply = runBatch(folder.path(), { QStringLiteral("apply"), QStringLiteral("pages.tsv") });
    QCOMPARE(apply.status, 0);
    QCOMPARE(apply.err, QByteArray());
    QCOMPARE(pagefiles::Read(folder.filePath(QStringLiteral("shop.html"))),
        pagefiles::SavedByEditor(ShopPage, folder.filePath(QStringLiteral("shop.saved"))));
    QCOMPARE(pagefiles::Read(folder.filePath(QStringLiteral("bare.html"))),
        pagefiles::SavedByEditor(BarePage, folder.filePath(QStringLiteral("bare.saved"))));
}

void TestBatchProgram::aBadRowMakesTheExitStatusNonZero()
{
    QTemporaryDir folder;
    QVERIFY(pagefiles::Write(folder.filePath(QStringLiteral("shop.html")), ShopPage));
    QVERIFY(
        pagefiles::Write(folder.filePath(QStringLiteral("pages.tsv")), "path\ttitle\ngone.html\tX\nshop.html\tY\n"));

    const Run apply = runBatch(folder.path(), { QStringLiteral("apply"), QStringLiteral("pages.tsv") });
    QCOMPARE(apply.status, 1);
    QVERIFY2(apply.err.startsWith("pages.tsv:2: gone.html: "), apply.err.constData());
    QCOMPARE(pagefiles::Read(folder.filePath(QStringLiteral("shop.html"))),
        pagefiles::SavedByEditor(ShopPage, folder.filePath(QStringLiteral("shop.saved")), { QStringLiteral("Y") }));
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

    const Run audit = runBatch(folder.path(),
        { QStringLiteral("audit"), QStringLiteral("--json"), QStringLiteral("-r"), QStringLiteral("site") },
        environment);
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
