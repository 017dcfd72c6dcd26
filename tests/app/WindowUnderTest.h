#pragma once

#include "ScriptedSeams.h"

#include <RecordingBrowser.h>

#include <MainWindow.h>
#include <MetaFieldEdit.h>

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// Types text key by key, as a keyboard would; "\n" is the Enter key.
inline void typeText(QWidget *widget, const QString &text)
{
    for (const QChar character : text) {
        if (character == QLatin1Char('\n'))
            QTest::keyClick(widget, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
    }
}

// The real main window with scripted seams, reached by object names.
struct WindowUnderTest
{
    ScriptedFileDialog fileDialog;
    ScriptedPrompts prompts;
    RecordingBrowser browser;
    app::MainWindow window { fileDialog, prompts, browser };

    app::MetaFieldEdit *field(const char *name) { return window.findChild<app::MetaFieldEdit *>(name); }
    QLineEdit *line(const char *name) { return window.findChild<QLineEdit *>(name); }
    QString text(const char *name)
    {
        if (app::MetaFieldEdit *meta = field(name))
            return meta->value().text;
        return line(name)->text();
    }

    // Clicks the button or chooses the menu item of that name.
    void run(const QString &name)
    {
        if (auto *button = window.findChild<QPushButton *>(name))
            button->click();
        else
            window.findChild<QAction *>(name)->trigger();
    }
};
