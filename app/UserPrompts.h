#pragma once

#include <QString>

class QWidget;

namespace app {

// The modal questions and messages of the window, kept behind an interface so
// that tests answer them without a real message box.
class UserPrompts
{
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~UserPrompts() = default;
    // Yes / No / Cancel, Yes the default, no icon; closing the box is Cancel.
    virtual Answer askYesNoCancel(QWidget *parent, const QString &title, const QString &question) = 0;
    // Yes / No, No the default, with a warning icon: for a question whose Yes
    // may lose someone's work. Closing the box is No.
    virtual Answer askYesNo(QWidget *parent, const QString &title, const QString &question) = 0;
    // A failure the user must know of, such as a file that could not be written.
    virtual void showError(QWidget *parent, const QString &title, const QString &text) = 0;
};

} // namespace app
