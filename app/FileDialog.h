#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace app {

// The window's file dialog, shared by the open and save commands. It lists
// HTML pages and starts in folder (the current folder when empty).
class FileDialog
{
public:
    enum class Purpose { Open, Save };

    virtual ~FileDialog() = default;
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<QString> choose(QWidget *parent, Purpose purpose, const QString &folder) = 0;
};

} // namespace app
