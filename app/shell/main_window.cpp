#include "app/shell/main_window.h"

#include <QCloseEvent>
#include <QMenuBar>

#include "app/build_info.h"
#include "app/settings/setup_ns_view_controller.h"
#include "app/shell/app_delegate.h"
#include "app/shell/help_view_controller.h"
#include "app/table/view_controller.h"

main_NSSplitViewController::main_NSSplitViewController(QWidget* parent)
    : QSplitter(Qt::Horizontal, parent),
      list_pane_(new ViewController(this)),
      settings_column_(new Setup_NSViewController(this))
{
    setChildrenCollapsible(false);
    setStretchFactor(0, 1);
    setStretchFactor(1, 0);
    setSizes({680, 420});
    // Both columns stand in the splitter now, so the list pane can find its siblings.
    list_pane_->viewDidLoad();
}

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), split_(new main_NSSplitViewController(this))
{
    setCentralWidget(split_);
    setWindowTitle(QString::fromUtf8(build_info::app_name));
    resize(1100, 680);

    help_menu = menuBar()->addMenu(tr("帮助"));
    help_action = help_menu->addAction(tr("使用帮助"), this, &MainWindow::show_help);
    help_action->setShortcut(QKeySequence::HelpContents);
    help_menu->addSeparator();
    about_action = help_menu->addAction(tr("关于我们"));
    connect(about_action, &QAction::triggered, this, &AppDelegate::adout_us);
    more_apps_action = help_menu->addAction(tr("更多应用"));
    connect(more_apps_action, &QAction::triggered, this, &AppDelegate::more_excellent_app);
}

MainWindow::~MainWindow()
{
    // The help window has no parent (so that it counts as a window of its own); it goes with us.
    delete help_;
}

Help_ViewController* MainWindow::show_help()
{
    if (!help_) {
        help_ = new Help_ViewController;
        help_->setAttribute(Qt::WA_DeleteOnClose);
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
    return help_;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // A running batch, trial or add is stopped first; the window closes once it has ended.
    const bool ready = split_->list_pane()->ready_to_quit([self = QPointer<MainWindow>(this)] {
        if (self)
            self->close();
    });
    if (ready)
        event->accept();
    else
        event->ignore();
}

Help_ViewController* MainWindow::help_window() const { return help_; }
