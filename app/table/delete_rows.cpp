#include <QItemSelectionModel>
#include <QTableView>

#include "app/table/items_model.h"
#include "app/table/view_controller.h"

void ViewController::del_cl()
{
    QList<int> selected;
    for (const QModelIndex& index : tableView->selectionModel()->selectedRows())
        selected.append(index.row());
    items_model->remove_rows(selected);
    // Even with nothing removed; a removed row that converts goes on converting.
    run_task_obj.reset();
    items_model->reload();
}
