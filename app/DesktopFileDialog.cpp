#include "DesktopFileDialog.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

namespace app {

std::optional<QString> DesktopFileDialog::choose(QWidget *parent, Purpose purpose, const QString &folder)
{
    const bool forSaving = purpose == Purpose::Save;
    QFileDialog dialog(parent);
    dialog.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters({ QStringLiteral("HTML (*.html *.htm)"), QFileDialog::tr("All files (*)") });
    if (forSaving)
        dialog.setDefaultSuffix(QStringLiteral("html"));
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    dialog.selectFile(QStringLiteral("*.html"));
    // Wide and tall enough for the name, size, type and date columns, which
    // follow their contents instead of cutting them short.
    dialog.resize(dialog.size().expandedTo(QSize(800, 500)));
    if (auto *details = dialog.findChild<QTreeView *>()) {
        QHeaderView *header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace app
