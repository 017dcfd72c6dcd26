#pragma once

#include <QString>

class QWidget;

namespace app {

// The window's one file dialog, shared by the open and save commands: each
// command sets the filter and the file name before every showing and reads
// the file name back afterwards. A cancel leaves the file name as it was set
// (or empty); it is not reported in any other way.
class FileDialog
{
public:
    virtual ~FileDialog() = default;
    virtual void setFilter(const QString &filter) = 0;
    virtual void setFileName(const QString &fileName) = 0;
    // The folder the dialog starts in; empty for the current folder.
    virtual void setDirectory(const QString &folder) = 0;
    virtual void showOpen(QWidget *parent) = 0;
    virtual void showSave(QWidget *parent) = 0;
    virtual QString fileName() const = 0;
};

} // namespace app
