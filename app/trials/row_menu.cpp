// The row context menu: built for the row under a right-click, or for the current row from
// the keyboard, with its items enabled as far as they make sense for that row.
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QTableView>

#include "app/shell/localized.h"
#include "app/table/items_model.h"
#include "app/table/view_controller.h"
#include "app/trials/row_state.h"
#include "engine/run_task_obj.h"

namespace {

// Brings the table's right-clicks and menu keys to the list pane. A right press does not
// reach the table, so that the selection stays as it was: the menu acts on the clicked row
// and the selected rows together.
class RowMenuFilter : public QObject {
public:
    explicit RowMenuFilter(ViewController* list)
        : QObject(list), list_(list), table_(list->tableView), viewport_(list->tableView->viewport())
    {
    }

protected:
    // The table is kept apart from the list pane: while the pane is being destroyed, its
    // children still send events here, and the pane itself must not be touched then.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!table_)
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            return watched == viewport_ && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
        case QEvent::ContextMenu: {
            auto* menu_event = static_cast<QContextMenuEvent*>(event);
            if (menu_event->reason() != QContextMenuEvent::Mouse)
                list_->show_menu_for_current_row();
            else if (watched == viewport_)
                list_->rightMouseDown(menu_event->pos());
            return true;
        }
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool menu_key = key->key() == Qt::Key_Menu ||
                                  (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
            if (!menu_key || watched != table_)
                return false;
            list_->show_menu_for_current_row();
            return true;
        }
        default:
            return false;
        }
    }

private:
    ViewController* list_;
    // Kept as plain objects: they are only compared, never used, and may be half destroyed.
    QPointer<QObject> table_;
    QPointer<QObject> viewport_;
};

}  // namespace

void ViewController::install_row_menu()
{
    auto* filter = new RowMenuFilter(this);
    tableView->installEventFilter(filter);
    tableView->viewport()->installEventFilter(filter);
}

int ViewController::clickedRow() const { return tableView_clicked.isValid() ? tableView_clicked.row() : -1; }

void ViewController::rightMouseDown(const QPoint& viewport_position)
{
    const QModelIndex index = tableView->indexAt(viewport_position);
    // Outside every row: no new menu, and nothing to act on.
    if (!index.isValid())
        return;
    tableView_clicked = index;
    const std::shared_ptr<Run_task_obj> row = items_model->at(index.row());
    if (!row)
        return;

    if (tableView_menu)
        tableView_menu->deleteLater();
    auto* menu = new QMenu(tableView);
    tableView_menu = menu;
    const auto item = [this, menu](const char* key, void (ViewController::*action)(), bool enabled) {
        QAction* a = menu->addAction(L(key));
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, this, action);
    };
    const bool running = row_is_running(*row);
    item("在访达显示源文件", &ViewController::tableViewShowSrtItemClicked, true);
    item("在访达显示输出文件", &ViewController::tableViewShowXmlItemClicked, row_output_file(*row).has_value());
    menu->addSeparator();
    item("预览输出文件(10s)", &ViewController::tableView_preview_play_ItemClicked, true);
    item("估算文件大小", &ViewController::tableView_calculate_file_size_ItemClicked, row->out_Ex != nullptr);
    menu->addSeparator();
    item("转换失败,尝试用传统引擎", &ViewController::tableView_calculate_reset_state_runffmpeg_ItemClicked, !running);
    item("重置状态", &ViewController::tableView_reset_state_ItemClicked, !running);
    menu->popup(tableView->viewport()->mapToGlobal(viewport_position));
}

void ViewController::show_menu_for_current_row()
{
    const QModelIndex current = tableView->currentIndex();
    if (current.isValid())
        rightMouseDown(tableView->visualRect(current).center());
}
