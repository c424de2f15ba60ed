#pragma once

#include <QWidget>

class QMimeData;

// Receiver of what is dropped on a DraggableView.
class Dadodi_DestinationViewDelegate {
public:
    virtual ~Dadodi_DestinationViewDelegate() = default;
    // The dropped data (the drag's pasteboard); may be null.
    virtual void drag_files_in(const QMimeData* pasteboard) = 0;
};

// The drop area around the file table. It takes every drag and hands what is dropped to its
// delegate; without one a drop is taken and nothing happens.
class DraggableView : public QWidget {
    Q_OBJECT
public:
    explicit DraggableView(QWidget* parent = nullptr);

    Dadodi_DestinationViewDelegate* dadodi_Delegate = nullptr;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
