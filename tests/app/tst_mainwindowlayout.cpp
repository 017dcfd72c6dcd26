#include "WindowUnderTest.h"

#include <CaptionLineEdit.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>

#include <memory>

class MainWindowLayout : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowUnderTest> m_ui;

private slots:
    void init() { m_ui = std::make_unique<WindowUnderTest>(); }
    void cleanup() { m_ui.reset(); }

    void startsEmptyWithTitleFocusedAndFixedSize()
    {
        m_ui->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_ui->window));
        for (const char *name : { "Text1", "Text2", "Text3", "Text6", "Text7" })
            QCOMPARE(m_ui->text(name), QString());
        QCOMPARE(m_ui->window.pageBuffer(), QByteArray("Text10\r\n"));
        QCOMPARE(m_ui->window.focusWidget(), m_ui->field("Text1"));
        QCOMPARE(m_ui->window.windowTitle(), QStringLiteral("TAGWRIGHT 2.0 Beta"));
        QCOMPARE(m_ui->window.centralWidget()->size(), QSize(474, 525));
        QCOMPARE(m_ui->window.minimumSize(), m_ui->window.maximumSize());
        QVERIFY(!(m_ui->window.windowFlags() & Qt::WindowMaximizeButtonHint));
    }

    void controlsStandWhereDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("caption");

        const auto row = [](const char *name, const char *container, QRect twips, const char *caption) {
            QTest::newRow(name) << name << container << twips << caption;
        };
        row("Command5", "", { 6000, 7620, 975, 230 }, "RESET ");
        row("Command3", "", { 240, 160, 1455, 230 }, "SUBMIT PAGE");
        row("Text9", "", { 1920, 1080, 1815, 285 }, "New File with Meta Tags");
        row("Text8", "", { 1920, 720, 855, 285 }, "Original File");
        row("Text3", "", { 120, 6120, 6855, 1455 }, "");
        row("Text2", "", { 120, 4320, 6855, 1455 }, "");
        row("Text1", "", { 120, 2400, 6855, 1455 }, "");
        row("Frame1", "", { 120, 480, 6855, 1095 }, "Meta Tag Generation");
        row("Command4", "Frame1", { 960, 240, 735, 255 }, "&Save");
        row("Text7", "Frame1", { 3600, 600, 3135, 285 }, "");
        row("Text6", "Frame1", { 2760, 240, 3975, 285 }, "");
        row("Command2", "Frame1", { 120, 600, 1335, 255 }, "&Save As");
        row("Command1", "Frame1", { 120, 240, 855, 255 }, "&Open");
        row("Frame2", "", { 120, 0, 6855, 495 }, "");
        row("Text4", "Frame2", { 2160, 160, 4215, 285 }, "Information on submitting your page to the Search Engines");
        row("Label3", "", { 120, 4080, 1710, 195 }, "META TAG: Description");
        row("Label2", "", { 120, 5880, 1605, 195 }, "META TAG: Keywords");
        row("Label1", "", { 120, 2160, 1215, 195 }, "META TAG: Title");
    }
    void controlsStandWhereDesigned()
    {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QRect, twips);
        QFETCH(QString, caption);
        const QWidget *control = m_ui->window.findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->parentWidget()->objectName(), container);
        const auto pixels = [](int value) { return qRound(value / 15.0); };
        QCOMPARE(control->geometry(),
            QRect(pixels(twips.x()), pixels(twips.y()), pixels(twips.width()), pixels(twips.height())));
        const QVariant text = control->property(qobject_cast<const QGroupBox *>(control) ? "title" : "text");
        QCOMPARE(text.isValid() ? text.toString() : QString(), caption);
    }

    // Controls earlier in the design's table lie over later ones.
    void overlappingControlsStack_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QString>("top");
        QTest::newRow("SUBMIT PAGE over Frame2") << QPoint(20, 15) << "Command3";
        QTest::newRow("Original File over Frame1") << QPoint(130, 55) << "Text8";
        QTest::newRow("caption over the new path") << QPoint(248, 80) << "Text9";
    }
    void overlappingControlsStack()
    {
        QFETCH(QPoint, point);
        QFETCH(QString, top);
        QWidget *hit = m_ui->window.centralWidget()->childAt(point);
        while (hit && hit->objectName().isEmpty())
            hit = hit->parentWidget();
        QVERIFY(hit);
        QCOMPARE(hit->objectName(), top);
    }

    void menusAsDesigned()
    {
        QStringList captions;
        for (const char *name :
            { "file", "Open", "save", "saveas", "en", "set", "options", "helpmen", "hints", "About" }) {
            const auto *menu = m_ui->window.findChild<QMenu *>(name);
            const auto *item = menu ? menu->menuAction() : m_ui->window.findChild<QAction *>(name);
            QVERIFY2(item, name);
            captions.append(item->text());
        }
        QCOMPARE(captions,
            (QStringList {
                "&File", "Open", "Save", "Save As", "Exit", "&Setup", "Options", "&Help", "Hints", "About" }));
        QVERIFY(!m_ui->window.findChild<QMenu *>("set")->menuAction()->isEnabled());
    }

    // What a screen reader says for each field and button.
    void controlsHaveAccessibleNames_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        const std::pair<const char *, const char *> names[] = {
            { "Text1", "Title" },
            { "Text2", "Description" },
            { "Text3", "Keywords" },
            { "Text6", "Original file" },
            { "Text7", "New file with meta tags" },
            { "Command1", "Open" },
            { "Command2", "Save As" },
            { "Command3", "SUBMIT PAGE" },
            { "Command4", "Save" },
            { "Command5", "RESET" },
        };
        for (const auto &[control, name] : names)
            QTest::newRow(control) << control << name;
    }
    void controlsHaveAccessibleNames()
    {
        QFETCH(QString, control);
        QFETCH(QString, name);
        m_ui->window.show();
        QWidget *widget = m_ui->window.findChild<QWidget *>(control);
        QVERIFY(widget);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name).trimmed(), name);
    }

    void tabGoesRoundInDesignedOrder()
    {
        m_ui->window.show();
        QVERIFY(QTest::qWaitForWindowActive(&m_ui->window));
        QStringList order;
        for (int step = 0; step < 11; ++step) {
            order.append(QApplication::focusWidget()->objectName());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order,
            (QStringList { "Text1", "Text2", "Text3", "Command1", "Command2", "Text6", "Text7", "Command3", "Command5",
                "Command4", "Text1" }));
    }

    void captionFieldsTakeAClick()
    {
        m_ui->window.show();
        QVERIFY(QTest::qWaitForWindowActive(&m_ui->window));
        auto *submissionLine = m_ui->window.findChild<app::CaptionLineEdit *>("Text4");
        QSignalSpy clicks(submissionLine, &app::CaptionLineEdit::clicked);
        QTest::mouseClick(submissionLine, Qt::LeftButton);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(QApplication::focusWidget(), submissionLine);
        QTest::mouseClick(m_ui->line("Text8"), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), m_ui->line("Text8"));
    }

    void fieldsHoldTheirLimit_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("pasting");
        QTest::addColumn<bool>("selectAll");
        QTest::newRow("Title, typing") << "Text1" << 512 << false << false;
        QTest::newRow("Description, typing") << "Text2" << 1024 << false << false;
        QTest::newRow("Keywords, pasting") << "Text3" << 1024 << true << false;
        QTest::newRow("Title, pasting over everything") << "Text1" << 512 << true << true;
    }
    void fieldsHoldTheirLimit()
    {
        QFETCH(QString, name);
        QFETCH(int, limit);
        QFETCH(bool, pasting);
        QFETCH(bool, selectAll);
        app::MetaFieldEdit *field = m_ui->field(name.toLatin1().constData());
        const QString earlier(limit - 3, QLatin1Char('x'));
        field->setPlainText(earlier);
        field->moveCursor(QTextCursor::End);
        if (selectAll)
            field->selectAll();
        const QString added = selectAll ? QString(limit + 10, QLatin1Char('p')) : QStringLiteral("ab\ncdef");

        if (pasting) {
            QGuiApplication::clipboard()->setText(added);
            field->paste();
        } else {
            typeText(field, added);
        }

        QCOMPARE(field->value().text, selectAll ? added.left(limit) : earlier + added.left(3));
    }
};

QTEST_MAIN(MainWindowLayout)
#include "tst_mainwindowlayout.moc"
