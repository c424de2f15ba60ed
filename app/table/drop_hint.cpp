#include "app/table/drop_hint.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kBoxWidth = 260;
constexpr int kBoxHeight = 150;

// A dashed box with an arrow pointing down into it and the caption below the arrow.
QPixmap draw_hint(const QString& caption, const QPalette& palette, const QFont& font, qreal ratio)
{
    QPixmap pixmap(QSize(kBoxWidth, kBoxHeight) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette.color(QPalette::Text);
    QPen dashed(ink, 2.5, Qt::DashLine);
    p.setPen(dashed);
    p.drawRoundedRect(QRectF(2, 2, kBoxWidth - 4, kBoxHeight - 4), 14, 14);

    const qreal cx = kBoxWidth / 2.0;
    QPainterPath arrow;
    arrow.moveTo(cx - 9, 26);
    arrow.lineTo(cx + 9, 26);
    arrow.lineTo(cx + 9, 58);
    arrow.lineTo(cx + 24, 58);
    arrow.lineTo(cx, 84);
    arrow.lineTo(cx - 24, 58);
    arrow.lineTo(cx - 9, 58);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.fillPath(arrow, ink);

    QFont caption_font = font;
    caption_font.setPointSizeF(font.pointSizeF() * 1.15);
    p.setFont(caption_font);
    p.setPen(ink);
    p.drawText(QRectF(10, 96, kBoxWidth - 20, 40), Qt::AlignCenter | Qt::TextWordWrap, caption);
    return pixmap;
}

}  // namespace

DropHint::DropHint(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    parent->installEventFilter(this);
    setGeometry(parent->rect());
    redraw();
}

bool DropHint::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QLabel::eventFilter(watched, event);
}

void DropHint::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::LanguageChange || event->type() == QEvent::PaletteChange)
        redraw();
}

// Drawn again when shown: the screen, and with it the pixel ratio, may have changed.
void DropHint::showEvent(QShowEvent* event)
{
    QLabel::showEvent(event);
    redraw();
}

void DropHint::redraw()
{
    setPixmap(draw_hint(tr("将文件或文件夹拖到这里"), palette(), font(), devicePixelRatioF()));
}
