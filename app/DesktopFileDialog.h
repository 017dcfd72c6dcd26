#pragma once

#include "FileDialog.h"

namespace app {

// The production file dialog: a QFileDialog built afresh for every showing.
// The filter "HTML" lists *.html and *.htm files; "All files (*)" is always
// offered as well, so that any file can be picked. A name typed for saving
// under the HTML filter without a suffix gets ".html".
class DesktopFileDialog : public FileDialog
{
public:
    void setFilter(const QString &filter) override { m_filter = filter; }
    void setFileName(const QString &fileName) override { m_fileName = fileName; }
    void setDirectory(const QString &folder) override { m_folder = folder; }
    void showOpen(QWidget *parent) override;
    void showSave(QWidget *parent) override;
    QString fileName() const override { return m_fileName; }

private:
    void show(QWidget *parent, bool forSaving);

    QString m_filter;
    QString m_fileName;
    QString m_folder;
};

} // namespace app
