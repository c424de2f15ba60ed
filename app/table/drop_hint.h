#pragma once

#include <QLabel>

// The drop-hint picture over the empty table: it covers its parent (the table's viewport),
// lets every mouse event through and shows a drawn picture with a short caption.
class DropHint : public QLabel {
    Q_OBJECT
public:
    explicit DropHint(QWidget* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void redraw();
};
