#include "WindowSnapshot.h"

#include <FileFaults.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <fcntl.h>
#include <sys/stat.h>

using Answer = app::UserPrompts::Answer;
using testsupport::StateOf;

namespace {

const QString AreYouSure = QStringLiteral("Tagwright 2.0|Are you sure?");

QString changedQuestion(const QString &path)
{
    return QStringLiteral("Tagwright 2.0|\u201c%1\u201d has changed on disk since it was opened. Overwrite it?")
        .arg(QDir::toNativeSeparators(path));
}

// Gives path the modification time of another file, to the nanosecond.
bool copyModificationTime(const QString &from, const QString &to)
{
    struct stat status
    { };
    if (::stat(QFile::encodeName(from).constData(), &status) != 0)
        return false;
    const timespec times[2] = { status.st_atim, status.st_mtim };
    return ::utimensat(AT_FDCWD, QFile::encodeName(to).constData(), times, 0) == 0;
}

bool moveModificationTime(const QString &path, int seconds)
{
    struct stat status
    { };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    timespec times[2] = { status.st_atim, status.st_mtim };
    times[1].tv_sec += seconds;
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

} // namespace

class ChangedOnDisk : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void saveAsksBeforeOverwritingAChangedFile_data();
    void saveAsksBeforeOverwritingAChangedFile();
    void aSaveOfItsOwnIsNoChange();
    void anotherSpellingOfTheOpenedFileIsAskedAbout_data();
    void anotherSpellingOfTheOpenedFileIsAskedAbout();

private:
    // Another program's work on the opened file.
    void change(const QString &how);
    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<WindowUnderTest> m_ui;
    TestPage m_page = TestPage::ofKeptSize(200);
    QString m_opened;
};

void ChangedOnDisk::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ui = std::make_unique<WindowUnderTest>();
    m_opened = path(QStringLiteral("page.html"));
    QVERIFY(testsupport::WriteFile(m_opened, m_page.bytes));
    openThroughWindow(*m_ui, m_opened);
    QCOMPARE(m_ui->window.pageBuffer(), m_page.bytes);
}

void ChangedOnDisk::cleanup()
{
    m_ui.reset();
    m_dir.reset();
}

void ChangedOnDisk::change(const QString &how)
{
    const QByteArray other = QByteArray(m_page.bytes.size(), 'o');
    if (how == QLatin1String("rewritten with another size")) {
        QVERIFY(testsupport::WriteFile(m_opened, "<title>theirs</title></html>"));
    } else if (how == QLatin1String("rewritten, same size, later time")) {
        QVERIFY(testsupport::WriteFile(m_opened, other));
        QVERIFY(moveModificationTime(m_opened, 10));
    } else if (how == QLatin1String("replaced, same size and time")) {
        const QString replacement = path(QStringLiteral("replacement"));
        QVERIFY(testsupport::WriteFile(replacement, other));
        QVERIFY(copyModificationTime(m_opened, replacement));
        QVERIFY(QFile::remove(m_opened));
        QVERIFY(QFile::rename(replacement, m_opened));
    } else if (how == QLatin1String("deleted")) {
        QVERIFY(QFile::remove(m_opened));
    } else {
        QCOMPARE(how, QStringLiteral("unchanged"));
    }
}

void ChangedOnDisk::saveAsksBeforeOverwritingAChangedFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("other"); // "": the opened file; "new" or "existing": another file
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<bool>("asked");

    const QList<Answer> yes { Answer::Yes };
    const QList<Answer> yesNo { Answer::Yes, Answer::No };
    const QList<Answer> yesYes { Answer::Yes, Answer::Yes };
    QTest::newRow("unchanged: no question") << "unchanged"
                                            << "Command4"
                                            << "" << yes << false;
    for (const char *how : { "rewritten with another size", "rewritten, same size, later time",
             "replaced, same size and time", "deleted" }) {
        QTest::addRow("%s, No: nothing written", how) << how << "Command4"
                                                      << "" << yesNo << true;
        QTest::addRow("%s, Yes: overwritten", how) << how << "save"
                                                   << "" << yesYes << true;
    }
    QTest::newRow("original path edited to a new file: no question") << "rewritten with another size"
                                                                     << "Command4"
                                                                     << "new" << yes << false;
    QTest::newRow("original path edited to another existing file, No: nothing written") << "unchanged"
                                                                                        << "save"
                                                                                        << "existing" << yesNo << true;
    QTest::newRow("original path edited to another existing file, Yes: replaced") << "unchanged"
                                                                                  << "Command4"
                                                                                  << "existing" << yesYes << true;
    QTest::newRow("Save As to another file: no question") << "rewritten with another size"
                                                          << "saveas"
                                                          << "existing" << yes << false;
    QTest::newRow("Save As to the opened file: no question") << "rewritten with another size"
                                                             << "Command2"
                                                             << "" << yes << false;
}

void ChangedOnDisk::saveAsksBeforeOverwritingAChangedFile()
{
    QFETCH(QString, how);
    QFETCH(QString, command);
    QFETCH(QString, other);
    QFETCH(QList<Answer>, answers);
    QFETCH(bool, asked);

    change(how);
    const QString target = other.isEmpty() ? m_opened : path(QStringLiteral("other.html"));
    if (other == QLatin1String("existing"))
        QVERIFY(testsupport::WriteFile(target, "<title>someone else's page</title></html>"));
    const bool save = command == QLatin1String("Command4") || command == QLatin1String("save");
    if (save && !other.isEmpty())
        m_ui->line("Text6")->setText(target);
    const WindowSnapshot before = WindowSnapshot::of(*m_ui);
    const testsupport::FileState openedBefore = StateOf(m_opened);
    const testsupport::FileState targetBefore = StateOf(target);
    const QStringList entriesBefore = testsupport::EntriesOf(m_dir->path());

    m_ui->prompts.answers = answers;
    m_ui->fileDialog.answers = { target };
    m_ui->run(command);

    QStringList questions { AreYouSure };
    if (asked && other.isEmpty())
        questions.append(changedQuestion(m_opened));
    else if (asked)
        questions.append(QStringLiteral("Tagwright 2.0|\u201c%1\u201d is not the page that was opened. Replace it?")
                             .arg(QDir::toNativeSeparators(target)));
    QCOMPARE(m_ui->prompts.questions, questions);
    QCOMPARE(m_ui->prompts.errors, QStringList());
    if (answers.last() == Answer::No) {
        QCOMPARE(StateOf(m_opened), openedBefore);
        QCOMPARE(StateOf(target), targetBefore);
        QCOMPARE(testsupport::EntriesOf(m_dir->path()), entriesBefore);
        QCOMPARE(WindowSnapshot::of(*m_ui), before);
        return;
    }
    QCOMPARE(StateOf(target).bytes, savedFile(m_page.kept));
    QCOMPARE(m_ui->window.pageBuffer(), m_page.kept);
    if (!other.isEmpty())
        QCOMPARE(StateOf(m_opened), openedBefore);
}

// A second Save asks nothing more than "Are you sure?"; a change by another
// program after it is noticed again.
void ChangedOnDisk::aSaveOfItsOwnIsNoChange()
{
    m_ui->prompts.answers = { Answer::Yes, Answer::Yes };
    m_ui->run(QStringLiteral("Command4"));
    m_ui->run(QStringLiteral("save"));
    QCOMPARE(m_ui->prompts.questions, QStringList({ AreYouSure, AreYouSure }));
    QCOMPARE(StateOf(m_opened).bytes, savedFile(m_page.kept));

    change(QStringLiteral("rewritten with another size"));
    m_ui->prompts.answers = { Answer::Yes, Answer::No };
    m_ui->run(QStringLiteral("Command4"));
    QCOMPARE(m_ui->prompts.questions.last(), changedQuestion(m_opened));
    QCOMPARE(StateOf(m_opened).bytes, QByteArray("<title>theirs</title></html>"));
}

void ChangedOnDisk::anotherSpellingOfTheOpenedFileIsAskedAbout_data()
{
    QTest::addColumn<QString>("spelling");
    QTest::addColumn<QString>("how");
    QTest::newRow("dot segment") << "./page.html"
                                 << "rewritten with another size";
    QTest::newRow("double slash") << "/page.html"
                                  << "rewritten with another size";
    QTest::newRow("symbolic link") << "alias.html"
                                   << "rewritten with another size";
    QTest::newRow("double slash, deleted") << "/page.html"
                                           << "deleted";
}

void ChangedOnDisk::anotherSpellingOfTheOpenedFileIsAskedAbout()
{
    QFETCH(QString, spelling);
    QFETCH(QString, how);
    QVERIFY(QFile::link(m_opened, path(QStringLiteral("alias.html"))));
    change(how);
    const QString target = m_dir->path() + QLatin1Char('/') + spelling;
    m_ui->line("Text6")->setText(target);
    const testsupport::FileState openedBefore = StateOf(m_opened);

    m_ui->prompts.answers = { Answer::Yes, Answer::No };
    m_ui->run(QStringLiteral("Command4"));

    QCOMPARE(m_ui->prompts.questions, QStringList({ AreYouSure, changedQuestion(target) }));
    QCOMPARE(StateOf(m_opened), openedBefore);
}

QTEST_MAIN(ChangedOnDisk)
#include "tst_changedondisk.moc"
