#include "app/table/open_file_panel.h"

#include <QAbstractItemView>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QListView>
#include <algorithm>

FilesAndFoldersDialog::FilesAndFoldersDialog(QWidget* parent) : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFiles);
    setSizeGripEnabled(true);
    for (QAbstractItemView* view : findChildren<QAbstractItemView*>())
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void FilesAndFoldersDialog::accept()
{
    // The list and the detail view share one selection model.
    chosen_.clear();
    if (auto* view = findChild<QListView*>(QStringLiteral("listView")); view && view->selectionModel()) {
        QModelIndexList rows = view->selectionModel()->selectedRows();
        std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
        for (const QModelIndex& index : rows)
            chosen_.append(QUrl::fromLocalFile(index.data(QFileSystemModel::FilePathRole).toString()));
    }
    if (chosen_.isEmpty()) {
        // Nothing selected, only a typed name: the dialog's own handling.
        QFileDialog::accept();
        if (result() == QDialog::Accepted)
            chosen_ = selectedUrls();
        return;
    }
    QDialog::accept();
}

std::optional<QList<QUrl>> FileAndFolderPanel::run(QWidget* parent)
{
    FilesAndFoldersDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosen();
}
