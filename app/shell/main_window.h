#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QSplitter>

class QAction;
class QMenu;
class ViewController;
class Setup_NSViewController;
class Help_ViewController;

// The split view: the list pane on the left, the settings column on the right.
class main_NSSplitViewController : public QSplitter {
    Q_OBJECT
public:
    explicit main_NSSplitViewController(QWidget* parent = nullptr);

    ViewController* list_pane() const { return list_pane_; }
    Setup_NSViewController* settings_column() const { return settings_column_; }

private:
    ViewController* list_pane_;
    Setup_NSViewController* settings_column_;
};

// The main window: the split view and the Help menu.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    main_NSSplitViewController* split() const { return split_; }

    // Shows the help window, a window of its own: while it is open, closing the main window
    // does not end the application.
    Help_ViewController* show_help();
    Help_ViewController* help_window() const;

    QMenu* help_menu = nullptr;
    QAction* help_action = nullptr;
    QAction* about_action = nullptr;
    QAction* more_apps_action = nullptr;

protected:
    // Every way out of the application passes here: the user closing the window, and SIGTERM
    // or SIGINT (see quit_on_signals.h). Work that must end before the window goes is
    // finished from here; ignoring the event keeps the window open.
    void closeEvent(QCloseEvent* event) override;

private:
    main_NSSplitViewController* split_;
    QPointer<Help_ViewController> help_;
};
