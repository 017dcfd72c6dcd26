#pragma once

#include <FileDialog.h>
#include <UserPrompts.h>

#include <QList>
#include <QStringList>
#include <QUrl>

#include <optional>

// The window's seams, answered from a script instead of by a user.

// Each showing takes the next answer: a path the user picks, QString() for a
// dialog that comes back with an empty name, or std::nullopt for a cancel,
// which leaves the name as it was set.
class ScriptedFileDialog : public app::FileDialog
{
public:
    void setFilter(const QString &filter) override { m_filter = filter; }
    void setFileName(const QString &fileName) override { m_fileName = fileName; }
    void setDirectory(const QString &folder) override { m_folder = folder; }
    void showOpen(QWidget *) override { show(QStringLiteral("open")); }
    void showSave(QWidget *) override { show(QStringLiteral("save")); }
    QString fileName() const override { return m_fileName; }

    QList<std::optional<QString>> answers;
    // "open" or "save", with the filter and file name set before the showing.
    QStringList showings;
    // The folder each showing started in.
    QStringList folders;

private:
    void show(const QString &kind)
    {
        showings.append(kind + QLatin1Char(' ') + m_filter + QLatin1Char(' ') + m_fileName);
        folders.append(m_folder);
        if (const std::optional<QString> answer = answers.isEmpty() ? std::nullopt : answers.takeFirst())
            m_fileName = *answer;
    }

    QString m_filter;
    QString m_fileName;
    QString m_folder;
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
