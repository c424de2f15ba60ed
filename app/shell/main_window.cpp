#include "app/shell/main_window.h"

#include "app/settings/setup_ns_view_controller.h"
#include "app/table/view_controller.h"
#include "app/build_info.h"

main_NSSplitViewController::main_NSSplitViewController(QWidget* parent)
    : QSplitter(Qt::Horizontal, parent),
      list_pane_(new ViewController(this)),
      settings_column_(new Setup_NSViewController(this))
{
    setChildrenCollapsible(false);
    setStretchFactor(0, 1);
    setStretchFactor(1, 0);
    // Both columns stand in the splitter now, so the list pane can find its siblings.
    list_pane_->viewDidLoad();
}

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), split_(new main_NSSplitViewController(this))
{
    setCentralWidget(split_);
    setWindowTitle(QString::fromUtf8(build_info::app_name));
    resize(1100, 680);
}
