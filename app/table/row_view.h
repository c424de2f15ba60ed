#pragma once

#include <QColor>
#include <QPalette>
#include <QRectF>

class QPainter;

// The selection of a table row: a rounded rectangle a little narrower than the row, gray on a
// light palette and blue on a dark one, at alpha 0.3, with no visible outline.
class MyNSTableRowView {
public:
    void drawSelectionInRect(QPainter& painter, const QRectF& bounds, const QPalette& palette) const;

    // The fill for this palette.
    static QColor selection_color(const QPalette& palette);
    // The rectangle filled for a row with these bounds.
    static QRectF selection_rect(const QRectF& bounds);
};
