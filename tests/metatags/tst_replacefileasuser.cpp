#include "FileFaults.h"
#include "WriteMetaPage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::StateOf;

namespace {

const QByteArray OldFile = "<title>old</title></html>";
const metatags::MetaBytes Values { "Shop", "Tools", "tools" };
const QByteArray Page = "<title>new</title></html>";
constexpr unsigned Nobody = 65534;

} // namespace

// What a user without root's rights may and may not replace. Root ignores
// permission bits, so the saves run in a child process as nobody.
class ReplaceFileAsUser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void keepsTheOwnersProtection_data();
    void keepsTheOwnersProtection();

private:
    std::optional<QTemporaryDir> m_dir;
};

void ReplaceFileAsUser::init()
{
    m_dir.emplace();
    QVERIFY(m_dir->isValid());
}

void ReplaceFileAsUser::keepsTheOwnersProtection_data()
{
    QTest::addColumn<bool>("othersFile"); // root's, or the user's own
    QTest::addColumn<int>("permissions");
    QTest::addColumn<bool>("saves");

    // The user's own protection counts, although the folder would let a
    // rename replace the file.
    QTest::newRow("own write-protected file: refused") << false << 0444 << false;
    // Only root may give a file away: the new one is the user's, with the old mode.
    QTest::newRow("another user's writable file: saved as the user's own") << true << 0666 << true;
}

void ReplaceFileAsUser::keepsTheOwnersProtection()
{
    QFETCH(bool, othersFile);
    QFETCH(int, permissions);
    QFETCH(bool, saves);

    const bool root = ::geteuid() == 0;
    if (othersFile && !root)
        QSKIP("only root can make a file of another user to save over");
    const QString folder = m_dir->filePath(QStringLiteral("shared"));
    const QString target = folder + QStringLiteral("/page.html");
    QVERIFY(QDir().mkdir(folder));
    QCOMPARE(::chmod(QFile::encodeName(m_dir->path()).constData(), 0711), 0);
    QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    QVERIFY(testsupport::WriteFile(target, OldFile));
    const QByteArray path = QFile::encodeName(target);
    if (root && !othersFile)
        QCOMPARE(::chown(path.constData(), Nobody, Nobody), 0);
    QCOMPARE(::chmod(path.constData(), static_cast<mode_t>(permissions)), 0);
    const testsupport::FileState before = StateOf(target);
    const QStringList entries = testsupport::EntriesOf(folder);

    const std::optional<QByteArray> reason = testsupport::RunAsNobody([&target] {
        const std::optional<metatags::FileError> error = metatags::WriteMetaPage(target, Values, Page);
        return error ? error->reason.toUtf8() : QByteArray();
    });
    if (!reason)
        QSKIP("cannot run a child process without root's rights here");

    QCOMPARE(testsupport::EntriesOf(folder), entries);
    if (!saves) {
        QCOMPARE(QString::fromUtf8(*reason), qt_error_string(EACCES));
        QCOMPARE(StateOf(target), before);
        return;
    }
    QCOMPARE(*reason, QByteArray());
    const testsupport::FileState after = StateOf(target);
    QCOMPARE(after.bytes, metatags::MetaPreamble(Values) + Page + "\r\n");
    QCOMPARE(after.permissions, unsigned(permissions));
    QCOMPARE(after.owner, root ? Nobody : unsigned(::geteuid()));
}

QTEST_GUILESS_MAIN(ReplaceFileAsUser)
#include "tst_replacefileasuser.moc"
