#pragma once

#include "UserPrompts.h"

namespace app {

// The production prompts: modal QMessageBoxes with exactly the title given.
class MessageBoxPrompts : public UserPrompts
{
public:
    Answer askYesNoCancel(QWidget *parent, const QString &title, const QString &question) override;
    Answer askYesNo(QWidget *parent, const QString &title, const QString &question) override;
    void showError(QWidget *parent, const QString &title, const QString &text) override;
};

} // namespace app
