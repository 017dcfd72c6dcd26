#include "AboutDialog.h"
#include "AboutLauncher.h"
#include "RecordingBrowser.h"
#include "SiteLinks.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

using dialogs::AboutDialog;

class TestAboutDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void controlsSitAtTheirPlaces_data();
    void controlsSitAtTheirPlaces();
    void isAFixedDialogWithOnlyACloseBox();
    void showingAgainRaisesItClosingDiscardsIt_data();
    void showingAgainRaisesItClosingDiscardsIt();
    void addressClickOpensTheSiteForTheDialog();
    void programRunsOnUntilTheDialogIsClosed();

private:
    RecordingBrowser browser;
    std::unique_ptr<dialogs::AboutLauncher> launcher;
    AboutDialog *shown();
};

void TestAboutDialog::init()
{
    browser.calls.clear();
    launcher = std::make_unique<dialogs::AboutLauncher>(browser);
}

void TestAboutDialog::cleanup()
{
    launcher.reset();
}

AboutDialog *TestAboutDialog::shown()
{
    launcher->show();
    return launcher->dialog();
}

static QString Exactly(const QString &text)
{
    return QRegularExpression::anchoredPattern(QRegularExpression::escape(text));
}

void TestAboutDialog::controlsSitAtTheirPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place"); // in pixels: twips / 15
    QTest::addColumn<QString>("text"); // a pattern for the whole text
    QTest::addColumn<QColor>("colour"); // of the text; invalid when the style decides

    const QColor styled;
    QTest::newRow("picture") << "picIcon" << QRect(16, 16, 36, 36) << "" << styled;
    QTest::newRow("title") << "lblTitle" << QRect(62, 16, 259, 16) << Exactly("LOOMSTEAD Beta") << QColor(Qt::black);
    QTest::newRow("maker") << "lblVersion" << QRect(62, 32, 259, 15) << "^[^\n]*\\b20\\d\\d\\b[^\n]*Corvantis$"
                           << styled;
    // The address grows to the right when the font needs more than the planned width.
    QTest::newRow("address") << "Label1" << QRect(64, 56, 121, 17) << Exactly(links::SiteRoot) << QColor(0, 0, 255);
    QTest::newRow("sales") << "Label2" << QRect(64, 72, 259, 15) << "^Email: [^@\\s]+@[^@\\s]+$" << styled;
    QTest::newRow("credits") << "lblDescription" << QRect(62, 96, 267, 46) << "^[^\n]+\n[^\n]*@[^\n]*$"
                             << QColor(Qt::black);
    QTest::newRow("OK") << "cmdOK" << QRect(288, 136, 84, 23) << Exactly("OK") << styled;
}

void TestAboutDialog::controlsSitAtTheirPlaces()
{
    QFETCH(QString, name);
    QFETCH(QRect, place);
    QFETCH(QString, text);
    QFETCH(QColor, colour);

    auto *control = shown()->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->pos(), place.topLeft());
    QCOMPARE(control->height(), place.height());
    QVERIFY(control->width() >= place.width());
    if (name != QStringLiteral("Label1"))
        QCOMPARE(control->width(), place.width());
    if (colour.isValid())
        QCOMPARE(control->palette().color(QPalette::WindowText), colour);

    const QString shownText = control->property("text").toString();
    QVERIFY2(QRegularExpression(text).match(shownText).hasMatch(), qPrintable(shownText));
    if (auto *label = qobject_cast<QLabel *>(control)) {
        const QRect needed
            = label->fontMetrics().boundingRect(label->contentsRect(), int(label->alignment()), shownText);
        QVERIFY2(label->contentsRect().contains(needed), qPrintable(shownText + QStringLiteral(" is cut off")));
    }
}

void TestAboutDialog::isAFixedDialogWithOnlyACloseBox()
{
    AboutDialog *about = shown();
    QCOMPARE(about->windowTitle(), QStringLiteral("LOOMSTEAD Beta"));
    QCOMPARE(about->size(), QSize(382, 177));
    QCOMPARE(about->minimumSize(), about->maximumSize());
    QVERIFY(!about->parentWidget());
    const Qt::WindowFlags flags = about->windowFlags();
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool); // no taskbar button
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

    auto *okButton = about->findChild<QPushButton *>(QStringLiteral("cmdOK"));
    QCOMPARE(about->focusWidget(), okButton);
    QVERIFY(okButton->isDefault());

    // The etched separator: a grey stroke over a white one.
    QList<QRect> strokes;
    for (const QWidget *stroke : about->findChildren<QWidget *>(QStringLiteral("Line1")))
        strokes.append(stroke->geometry());
    QCOMPARE(strokes, QList<QRect>({ QRect(6, 163, 371, 1), QRect(7, 164, 370, 2) }));
}

void TestAboutDialog::showingAgainRaisesItClosingDiscardsIt_data()
{
    QTest::addColumn<int>("key"); // 0: a click on OK; -1: the close box

    QTest::newRow("OK") << 0;
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
    QTest::newRow("close box") << -1;
}

void TestAboutDialog::showingAgainRaisesItClosingDiscardsIt()
{
    QFETCH(int, key);

    QPointer<AboutDialog> about = shown();
    about->setWindowTitle(QStringLiteral("changed"));
    // While open, showing it again raises the same dialog as it is, without loading it again.
    QCOMPARE(shown(), about.data());
    QCOMPARE(about->windowTitle(), QStringLiteral("changed"));
    const auto windows = QApplication::topLevelWidgets();
    QCOMPARE(
        std::count_if(windows.begin(), windows.end(), [](QWidget *w) { return qobject_cast<AboutDialog *>(w); }), 1);

    QWidget *okButton = about->findChild<QWidget *>(QStringLiteral("cmdOK"));
    if (key == 0)
        QTest::mouseClick(okButton, Qt::LeftButton);
    else if (key == -1)
        about->close();
    else
        QTest::keyClick(okButton, Qt::Key(key));
    QTRY_VERIFY(about.isNull());
    QVERIFY(!launcher->dialog());
    // The next showing builds and loads it anew.
    QCOMPARE(shown()->windowTitle(), QStringLiteral("LOOMSTEAD Beta"));
}

void TestAboutDialog::addressClickOpensTheSiteForTheDialog()
{
    AboutDialog *about = shown();
    auto *address = about->findChild<QLabel *>(QStringLiteral("Label1"));
    QCOMPARE(address->toolTip(), QString(links::SiteRoot));
    QCOMPARE(address->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(address->font().underline());

    QTest::mouseClick(address, Qt::LeftButton);
    QCOMPARE(browser.calls.size(), 1);
    QCOMPARE(browser.calls[0].owner.data(), about);
    QCOMPARE(browser.calls[0].address, QUrl(links::SiteRoot));
    QTest::qWait(0);
    QCOMPARE(launcher->dialog(), about);
    QVERIFY(about->isVisible());
}

// Qt only tells of the last window closing while its event loop runs, so the
// steps run inside one.
void TestAboutDialog::programRunsOnUntilTheDialogIsClosed()
{
    QWidget mainWindow;
    mainWindow.show();
    AboutDialog *about = shown();
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    qsizetype closedWithMainWindow = -1;

    QTimer::singleShot(0, &mainWindow, &QWidget::close);
    QTimer::singleShot(0, about, [&] {
        closedWithMainWindow = lastClosed.size();
        about->close();
    });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(closedWithMainWindow, 0);
    QCOMPARE(lastClosed.size(), 1);
}

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
