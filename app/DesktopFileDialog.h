#pragma once

#include "FileDialog.h"

namespace app {

// The production file dialog: a QFileDialog built afresh for every showing.
// It lists *.html and *.htm files, offers "All files (*)" as well so that any
// file can be picked, and gives a name typed for saving without a suffix
// ".html".
class DesktopFileDialog : public FileDialog
{
public:
    std::optional<QString> choose(QWidget *parent, Purpose purpose, const QString &folder) override;
};

} // namespace app
