#pragma once

#include <QMainWindow>
#include <QSplitter>

class ViewController;
class Setup_NSViewController;

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

// The main window: the split view and the menus.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    main_NSSplitViewController* split() const { return split_; }

private:
    main_NSSplitViewController* split_;
};
