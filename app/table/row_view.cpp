#include "app/table/row_view.h"

#include <QPainter>
#include <QPainterPath>

#include "engine/system_colors.h"

namespace {
constexpr qreal kInsetX = 5.0;
constexpr qreal kInsetY = 0.3;
constexpr qreal kRadius = 5.0;
constexpr qreal kAlpha = 0.3;

// A light palette has a light window colour.
bool is_light(const QPalette& palette) { return palette.color(QPalette::Window).lightness() >= 128; }
}  // namespace

QColor MyNSTableRowView::selection_color(const QPalette& palette)
{
    QColor color = is_light(palette) ? systemGrayColor() : systemBlueColor();
    color.setAlphaF(kAlpha);
    return color;
}

QRectF MyNSTableRowView::selection_rect(const QRectF& bounds)
{
    return bounds.adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY);
}

void MyNSTableRowView::drawSelectionInRect(QPainter& painter, const QRectF& bounds, const QPalette& palette) const
{
    QPainterPath path;
    path.addRoundedRect(selection_rect(bounds), kRadius, kRadius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, selection_color(palette));
    painter.restore();
}
