#include "app/table/draggable_view.h"

#include <QDragEnterEvent>
#include <QDropEvent>

#include "engine/stdout_log.h"

DraggableView::DraggableView(QWidget* parent) : QWidget(parent) { setAcceptDrops(true); }

void DraggableView::dragEnterEvent(QDragEnterEvent* event)
{
    logLine(QStringLiteral("dragging enter"));
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DraggableView::dragMoveEvent(QDragMoveEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DraggableView::dropEvent(QDropEvent* event)
{
    logLine(QStringLiteral("prepareForDragOperation"));
    if (dadodi_Delegate)
        dadodi_Delegate->drag_files_in(event->mimeData());
    event->setDropAction(Qt::CopyAction);
    event->accept();
}
