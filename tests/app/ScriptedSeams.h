#pragma once

#include <FileDialog.h>
#include <UserPrompts.h>

#include <QList>
#include <QStringList>
#include <QUrl>

#include <optional>

// The window's seams, answered from a script instead of by a user.

// Each showing takes the next answer: a path the user picks, QString() for a
// dialog that comes back with an empty name, or std::nullopt for a cancel.
class ScriptedFileDialog : public app::FileDialog
{
public:
    std::optional<QString> choose(QWidget *, Purpose purpose, const QString &folder) override
    {
        showings.append(purpose == Purpose::Open ? QStringLiteral("open") : QStringLiteral("save"));
        folders.append(folder);
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }

    QList<std::optional<QString>> answers;
    // "open" or "save".
    QStringList showings;
    // The folder each showing started in.
    QStringList folders;
};

// Questions take the next answer from one script, in the order they are asked
// (Cancel, or No for a Yes / No question, when the script has none left).
class ScriptedPrompts : public app::UserPrompts
{
public:
    Answer askYesNoCancel(QWidget *, const QString &title, const QString &question) override
    {
        questions.append(title + QLatin1Char('|') + question);
        return answers.isEmpty() ? Answer::Cancel : answers.takeFirst();
    }
    Answer askYesNo(QWidget *, const QString &title, const QString &question) override
    {
        questions.append(title + QLatin1Char('|') + question);
        return answers.isEmpty() ? Answer::No : answers.takeFirst();
    }
    void showError(QWidget *, const QString &title, const QString &text) override
    {
        errors.append(title + QLatin1Char('|') + text);
    }

    QList<Answer> answers;
    QStringList questions;
    QStringList errors;
};
