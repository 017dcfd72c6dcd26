#include "DesktopFileDialog.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

namespace app {

namespace {

QStringList nameFilters(const QString &filter)
{
    const QString allFiles = QFileDialog::tr("All files (*)");
    if (filter == QLatin1String("HTML"))
        return { QStringLiteral("HTML (*.html *.htm)"), allFiles };
    if (filter.isEmpty())
        return { allFiles };
    return { filter, allFiles };
}

} // namespace

void DesktopFileDialog::showOpen(QWidget *parent)
{
    show(parent, false);
}

void DesktopFileDialog::showSave(QWidget *parent)
{
    show(parent, true);
}

void DesktopFileDialog::show(QWidget *parent, bool forSaving)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(nameFilters(m_filter));
    if (forSaving && m_filter == QLatin1String("HTML"))
        dialog.setDefaultSuffix(QStringLiteral("html"));
    if (!m_folder.isEmpty())
        dialog.setDirectory(m_folder);
    dialog.selectFile(m_fileName);
    // Wide and tall enough for the name, size, type and date columns, which
    // follow their contents instead of cutting them short.
    dialog.resize(dialog.size().expandedTo(QSize(800, 500)));
    if (auto *details = dialog.findChild<QTreeView *>()) {
        QHeaderView *header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    // A cancel leaves the file name as it was set.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    m_fileName = dialog.selectedFiles().constFirst();
}

} // namespace app
