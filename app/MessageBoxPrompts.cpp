#include "MessageBoxPrompts.h"

#include <QMessageBox>

namespace app {

UserPrompts::Answer MessageBoxPrompts::askYesNoCancel(QWidget *parent, const QString &title, const QString &question)
{
    QMessageBox box(
        QMessageBox::NoIcon, title, question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    // Qt makes Yes the default button, and Esc and the close box give Cancel.
    const int answer = box.exec();
    return answer == QMessageBox::Yes ? Answer::Yes : answer == QMessageBox::No ? Answer::No : Answer::Cancel;
}

UserPrompts::Answer MessageBoxPrompts::askYesNo(QWidget *parent, const QString &title, const QString &question)
{
    QMessageBox box(QMessageBox::Warning, title, question, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No); // Esc and the close box give No too
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void MessageBoxPrompts::showError(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace app
