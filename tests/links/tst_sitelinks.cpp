#include "DesktopBrowser.h"
#include "RecordingBrowser.h"
#include "SiteLinks.h"

#include <QDesktopServices>
#include <QTest>

using Command = void (*)(links::Browser &, QWidget *);

Q_DECLARE_METATYPE(Command)

// Stands in for the desktop's browser: QDesktopServices hands it every http address.
class UrlCatcher : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void catchUrl(const QUrl &address) { caught.append(address); }

public:
    QList<QUrl> caught;
};

class TestSiteLinks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachCommandOpensItsPageOnTheSite_data();
    void eachCommandOpensItsPageOnTheSite();
    void desktopBrowserHandsTheAddressToTheDesktop();
};

void TestSiteLinks::eachCommandOpensItsPageOnTheSite_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<QString>("path");

    QTest::newRow("submit page") << Command(&links::OpenSubmitPage) << QStringLiteral("/submit/homepage.html");
    QTest::newRow("hints") << Command(&links::OpenHints) << QStringLiteral("/quire/help.html");
    QTest::newRow("home page") << Command(&links::OpenHomePage) << QString();
}

void TestSiteLinks::eachCommandOpensItsPageOnTheSite()
{
    QFETCH(Command, command);
    QFETCH(QString, path);

    RecordingBrowser browser;
    QWidget owner;
    command(browser, &owner);
    QCOMPARE(browser.calls.size(), 1);
    QCOMPARE(browser.calls[0].owner.data(), &owner);
    const QUrl address = browser.calls[0].address;
    QCOMPARE(address.toString(), QString(links::SiteRoot) + path);
    QCOMPARE(address.scheme(), QStringLiteral("http"));

    // A second click is a second call, with the same arguments.
    command(browser, &owner);
    QCOMPARE(browser.calls.size(), 2);
    QCOMPARE(browser.calls[1].owner.data(), &owner);
    QCOMPARE(browser.calls[1].address, address);
}

void TestSiteLinks::desktopBrowserHandsTheAddressToTheDesktop()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "catchUrl");
    links::DesktopBrowser browser;
    QWidget owner;
    links::OpenHints(browser, &owner);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));

    QCOMPARE(catcher.caught.size(), 1);
    QCOMPARE(catcher.caught[0].toString(), QString(links::SiteRoot) + QStringLiteral("/quire/help.html"));
}

QTEST_MAIN(TestSiteLinks)
#include "tst_sitelinks.moc"
