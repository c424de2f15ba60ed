#include "app/settings/pane_view_controller.h"

#include <QTabWidget>

void PaneViewController::load_view()
{
    if (view_loaded_)
        return;
    view_loaded_ = true;
    viewDidLoad();
}

void PaneViewController::showEvent(QShowEvent* event)
{
    load_view();
    QWidget::showEvent(event);
}

QList<QWidget*> PaneViewController::sibling_panes() const
{
    // A tab widget keeps its pages in an inner stack, so the tab view is a grandparent.
    QList<QWidget*> panes;
    for (QWidget* up = parentWidget(); up; up = up->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(up)) {
            for (int i = 0; i < tabs->count(); ++i)
                panes.append(tabs->widget(i));
            break;
        }
    }
    return panes;
}
