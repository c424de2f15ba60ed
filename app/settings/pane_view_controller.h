#pragma once

#include <QList>
#include <QWidget>

// A settings pane whose controls are put into their first state once, on first use: when the
// tab view first shows it, when a sibling pane needs it, or when its settings are first read.
class PaneViewController : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Runs viewDidLoad the first time; later calls do nothing.
    void load_view();

protected:
    virtual void viewDidLoad() {}
    void showEvent(QShowEvent* event) override;
    // The panes of the tab view that holds this one, in tab order (this one included);
    // empty when the pane stands outside a tab view.
    QList<QWidget*> sibling_panes() const;

private:
    bool view_loaded_ = false;
};
