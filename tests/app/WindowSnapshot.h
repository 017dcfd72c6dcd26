#pragma once

#include "WindowUnderTest.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>

// What a command of the window may change: the three meta fields, the two
// paths and the page buffer.
struct WindowSnapshot
{
    QStringList texts; // Text1, Text2, Text3, Text6, Text7
    QByteArray page;

    static WindowSnapshot of(WindowUnderTest &ui)
    {
        return { { ui.text("Text1"), ui.text("Text2"), ui.text("Text3"), ui.text("Text6"), ui.text("Text7") },
            ui.window.pageBuffer() };
    }
    bool operator==(const WindowSnapshot &) const = default;
};

inline char *toString(const WindowSnapshot &snapshot)
{
    QByteArray page = snapshot.page.left(60);
    if (snapshot.page.size() > 60)
        page += "... (" + QByteArray::number(snapshot.page.size()) + " bytes)";
    return qstrdup(
        (snapshot.texts.join(QLatin1String(" | ")).toUtf8() + " | page: " + page.toPercentEncoding(" <>/=\""))
            .constData());
}

inline QByteArray metaTag(const QByteArray &word, const QByteArray &value)
{
    return "<meta name=\"" + word + "\" content=\"" + value + "\">\r\n";
}

// A page with three meta values and a kept part of keptSize bytes (at least 30).
struct TestPage
{
    QByteArray kept;
    QByteArray bytes;

    static TestPage ofKeptSize(qsizetype keptSize)
    {
        const QByteArray title = "<title>Shop</title>";
        const QByteArray closing = "</html>";
        const QByteArray kept = title + QByteArray(keptSize - title.size() - closing.size(), 'a') + closing;
        return { kept,
            "<html><head>\r\n" + metaTag("Title", "Shop") + metaTag("Description", "Tools")
                + metaTag("KeyWords", "tools") + kept + "\r\n" };
    }
};

// The whole file a save of TestPage writes, with its values untouched.
inline QByteArray savedFile(const QByteArray &kept)
{
    return "<html>\r\n<head>\r\n<meta name=\"Author\" content=\"Corvantis\">\r\n"
           "<meta name=\"GENERATOR\" content=\"Tagwright 2.0\">\r\n"
        + metaTag("Title", "Shop") + metaTag("Description", "Tools") + metaTag("KeyWords", "tools") + kept + "\r\n";
}

inline qsizetype keptSizeForFileOf(qint64 fileSize)
{
    return static_cast<qsizetype>(fileSize - savedFile({}).size());
}

// Opens path through the Open button, as a user picking it in the dialog.
inline void openThroughWindow(WindowUnderTest &ui, const QString &path)
{
    ui.fileDialog.answers.append(path);
    ui.run(QStringLiteral("Command1"));
}
