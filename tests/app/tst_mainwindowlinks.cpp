#include "WindowUnderTest.h"

#include <CaptionLineEdit.h>
#include <SiteLinks.h>

#include <QApplication>
#include <QTimer>

#include <memory>

namespace {

QList<QWidget *> visibleAboutDialogs()
{
    QList<QWidget *> found;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("frmAbout") && window->isVisible())
            found.append(window);
    }
    return found;
}

// Runs the event loop until something ends it; 1 when nothing did in time.
int runEventLoop()
{
    QTimer guard;
    guard.setSingleShot(true);
    guard.callOnTimeout([] { QCoreApplication::exit(1); });
    guard.start(5000);
    return QCoreApplication::exec();
}

} // namespace

class MainWindowLinks : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowUnderTest> m_ui;

private slots:
    void init() { m_ui = std::make_unique<WindowUnderTest>(); }
    void cleanup() { m_ui.reset(); }

    void eachLinkIsOneCallOwnedByTheWindowAndChangesNothing_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("address");
        QTest::newRow("SUBMIT PAGE") << "Command3" << QString(links::SiteRoot) + "/submit/homepage.html";
        QTest::newRow("Help > Hints") << "hints" << QString(links::SiteRoot) + "/quire/help.html";
        QTest::newRow("submission line") << "Text4" << QString(links::SiteRoot);
    }
    void eachLinkIsOneCallOwnedByTheWindowAndChangesNothing()
    {
        QFETCH(QString, control);
        QFETCH(QString, address);
        m_ui->window.show();
        for (const char *name : { "Text1", "Text2", "Text3" })
            m_ui->field(name)->setPlainText(QStringLiteral("kept"));
        m_ui->line("Text6")->setText(QStringLiteral("/kept/original.html"));
        m_ui->line("Text7")->setText(QStringLiteral("/kept/new.html"));
        const QByteArray pageBefore = m_ui->window.pageBuffer();

        if (control == QLatin1String("Text4"))
            QTest::mouseClick(m_ui->window.findChild<app::CaptionLineEdit *>(control), Qt::LeftButton);
        else
            m_ui->run(control);

        QCOMPARE(m_ui->browser.calls.size(), 1);
        QCOMPARE(m_ui->browser.calls.first().address, QUrl(address));
        QCOMPARE(m_ui->browser.calls.first().owner.data(), &m_ui->window);
        for (const char *name : { "Text1", "Text2", "Text3" })
            QCOMPARE(m_ui->text(name), QStringLiteral("kept"));
        QCOMPARE(m_ui->text("Text6"), QStringLiteral("/kept/original.html"));
        QCOMPARE(m_ui->text("Text7"), QStringLiteral("/kept/new.html"));
        QCOMPARE(m_ui->window.pageBuffer(), pageBefore);
        QVERIFY(m_ui->prompts.questions.isEmpty() && m_ui->prompts.errors.isEmpty());
    }

    void aboutShowsOneModelessDialogWithoutParent()
    {
        m_ui->window.show();
        m_ui->run(QStringLiteral("About"));
        m_ui->run(QStringLiteral("About"));
        const QList<QWidget *> dialogs = visibleAboutDialogs();
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(dialogs.first()->parentWidget(), nullptr);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(m_ui->window.isEnabled());
    }

    void windowManagerCloseKeepsRunningWhileAboutIsOpen()
    {
        m_ui->window.show();
        m_ui->run(QStringLiteral("About"));
        QCOMPARE(visibleAboutDialogs().size(), 1);
        bool runningAfterClose = false;
        QTimer::singleShot(0, &m_ui->window, &QWidget::close);
        QTimer::singleShot(50, this, [&] {
            runningAfterClose = true;
            visibleAboutDialogs().first()->close();
        });
        QCOMPARE(runEventLoop(), 0);
        QVERIFY(runningAfterClose);
    }

    void exitClosesEveryWindowAtOnce()
    {
        m_ui->window.show();
        m_ui->run(QStringLiteral("About"));
        m_ui->field("Text1")->setPlainText(QStringLiteral("unsaved"));
        QTimer::singleShot(0, m_ui->window.findChild<QAction *>("en"), &QAction::trigger);
        QCOMPARE(runEventLoop(), 0);
        QVERIFY(!m_ui->window.isVisible());
        QVERIFY(visibleAboutDialogs().isEmpty());
        QVERIFY(m_ui->prompts.questions.isEmpty());
    }
};

QTEST_MAIN(MainWindowLinks)
#include "tst_mainwindowlinks.moc"
