#include "app/table/custom_cell.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QtMath>
#include <QToolTip>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionProgressBar>
#include <QTextLayout>
#include <algorithm>
#include <deque>
#include <optional>
#include <vector>

#include "app/table/items_model.h"
#include "app/table/row_view.h"

namespace {

constexpr int kMargin = 8;
constexpr int kGap = 12;
constexpr int kStatusWidth = 230;
// The name and media information: about their width in a window of the usual size. A wider
// window gives its spare width to the status, where a failure's cause is told.
constexpr int kTextsWidth = 280;
constexpr int kIconSide = 16;
constexpr int kBarHeight = 12;
// Scaled pictures kept for repainting (thumbnails and icons of the rows in sight).
constexpr int kScaledCacheEntries = 600;

QColor muted(const QPalette& palette)
{
    QColor color = palette.color(QPalette::Text);
    color.setAlphaF(0.6);
    return color;
}

// Draws one line of text, cut with an ellipsis to the rectangle's width.
// A line whose glyphs come partly from a fallback font (a Chinese name among Latin letters) is
// taller than the font's own line: it is drawn whole, a pixel or two past its box, rather than
// losing the tails of g, p and y.
void draw_line(QPainter& painter, const QRect& rect, const QString& text, int flags = Qt::AlignLeft | Qt::AlignVCenter)
{
    const QString shown = painter.fontMetrics().elidedText(text, Qt::ElideRight, rect.width());
    painter.drawText(rect, flags | Qt::TextDontClip, shown);
}

// A line of wrapped text: where it starts in its paragraph and how long it is.
struct WrappedLine {
    qsizetype paragraph;
    int start, length;
};

// The paragraphs' lines when wrapped at the width, broken between words where they can,
// each paragraph starting a line of its own; no more than `limit` lines.
std::vector<WrappedLine> wrapped_lines(const QStringList& paragraphs, const QFont& font, QPaintDevice* device,
                                       int width, size_t limit)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    std::vector<WrappedLine> lines;
    for (qsizetype p = 0; p < paragraphs.size() && lines.size() < limit; ++p) {
        QTextLayout layout(paragraphs[p], font, device);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid() && lines.size() < limit; line = layout.createLine()) {
            line.setLineWidth(width);
            lines.push_back({p, line.textStart(), line.textLength()});
        }
        layout.endLayout();
    }
    return lines;
}

// One line of text laid out on its own, as tall as its glyphs need: glyphs that come from a
// fallback font (Chinese in a Latin interface font) make a line taller than the font's own
// height, and a line drawn in the font's height loses the tails of g, p and y.
class TextLine {
public:
    TextLine(const QString& text, const QFont& font, QPaintDevice* device) : layout_(text, font, device)
    {
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        layout_.setTextOption(option);
        layout_.beginLayout();
        line_ = layout_.createLine();
        layout_.endLayout();
    }
    TextLine(const TextLine&) = delete;
    TextLine& operator=(const TextLine&) = delete;

    int height() const { return line_.isValid() ? qCeil(line_.height()) : 0; }
    // Draws the line with its top at the point.
    void draw(QPainter& painter, const QPoint& top_left) const
    {
        if (line_.isValid())
            line_.draw(&painter, top_left);
    }

private:
    QTextLayout layout_;
    QTextLine line_;
};

// Draws text over as many lines as the rectangle holds, each at its own height. Each line of
// the text (a failure's cause is ffmpeg's last two messages, one a line) starts a line of its
// own, as QTextLayout does not break at line breaks; the last line drawn ends with an
// ellipsis when text remains.
void draw_wrapped(QPainter& painter, const QRect& rect, const QString& text)
{
    static const QRegularExpression line_break(QStringLiteral("\r\n|\r|\n"));
    QStringList paragraphs;
    for (const QString& part : text.split(line_break))
        if (const QString paragraph = part.trimmed(); !paragraph.isEmpty())
            paragraphs << paragraph;
    const QFont& font = painter.font();
    QPaintDevice* device = painter.device();
    // No line is lower than a pixel: this many lines are more than the rectangle holds.
    const std::vector<WrappedLine> wrapped = wrapped_lines(paragraphs, font, device, rect.width(), rect.height() + 1);
    auto piece = [&](const WrappedLine& line, qsizetype length) {
        return paragraphs[line.paragraph].mid(line.start, length).trimmed();
    };

    // The lines that fit, the first always; and the first that does not, where there is one.
    std::deque<TextLine> lines;
    size_t shown = 0;
    int height = 0;
    for (const WrappedLine& line : wrapped) {
        lines.emplace_back(piece(line, line.length), font, device);
        if (shown > 0 && height + lines.back().height() > rect.height())
            break;
        height += lines.back().height();
        ++shown;
    }
    // Where text remains, the last line shown is the rest of its paragraph as far as it fits
    // and the ellipsis, even where that rest fits and only later lines are left out. It may be
    // taller than the line it replaces, and then takes the place of the line above.
    std::optional<TextLine> last;
    if (shown < wrapped.size()) {
        for (;; --shown) {
            height -= lines[shown - 1].height();
            const QString rest = piece(wrapped[shown - 1], -1) + QChar(0x2026);
            last.emplace(QFontMetrics(font, device).elidedText(rest, Qt::ElideRight, rect.width()), font, device);
            if (shown == 1 || height + last->height() <= rect.height())
                break;
        }
    }
    QPoint at = rect.topLeft();
    for (size_t n = 0; n < shown; ++n) {
        const TextLine& line = last && n == shown - 1 ? *last : lines[n];
        line.draw(painter, at);
        at.ry() += line.height();
    }
}

}  // namespace

// Where the parts of a cell go.
struct CustomCell::Layout {
    // status_text is the first line of the status; a row without a progress bar lets its
    // text run on below it, over status_lines.
    QRect thumbnail, texts, status, icon, status_text, status_lines, bar;

    explicit Layout(const QRect& row)
    {
        const QRect cell = row.adjusted(kMargin + 4, kMargin, -kMargin - 4, -kMargin);
        thumbnail = QRect(cell.left(), cell.top(), cell.height() * 16 / 9, cell.height());
        const int spare = cell.width() - thumbnail.width() - 2 * kGap - kTextsWidth;
        const int status_width = std::max(std::min(kStatusWidth, cell.width() / 3), spare);
        status = QRect(cell.right() - status_width + 1, cell.top(), status_width, cell.height());
        texts = QRect(thumbnail.right() + kGap, cell.top(), status.left() - kGap - thumbnail.right() - kGap, cell.height());
        const int middle = status.top() + status.height() / 2;
        icon = QRect(status.left(), middle - kIconSide - 2, kIconSide, kIconSide);
        status_text = QRect(icon.right() + 6, icon.top() - 4, status.right() - icon.right() - 6, kIconSide + 8);
        bar = QRect(status.left(), middle + 4, status.width(), kBarHeight);
        status_lines = QRect(status_text.left(), status_text.top() + 4, status_text.width(), status.bottom() - status_text.top() - 3);
    }
};

CustomCell::CustomCell(QObject* parent) : QStyledItemDelegate(parent), scaled_(kScaledCacheEntries) {}

QRect CustomCell::status_lines(const QRect& row) { return Layout(row).status_lines; }

QSize CustomCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return {option.rect.width(), kRowHeight};
}

void CustomCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    if (option.state & QStyle::State_Selected)
        MyNSTableRowView().drawSelectionInRect(*painter, option.rect, option.palette);

    const Layout layout(option.rect);
    draw_image(*painter, index.data(ItemsModel::ThumbnailRole).value<QImage>(), layout.thumbnail);
    draw_texts(*painter, option, index, layout.texts);
    draw_status(*painter, option, index, layout);
    painter->restore();
}

bool CustomCell::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                           const QModelIndex& index)
{
    // The status text is the tool tip of the status field only, as it is the field it explains.
    if (event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const Layout layout(option.rect);
    const QString tip = index.data(Qt::ToolTipRole).toString();
    if (tip.isEmpty() || !layout.status_text.united(layout.status_lines).contains(event->pos())) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(), tip, view, layout.status_text);
    return true;
}

void CustomCell::draw_texts(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                            const QRect& area) const
{
    if (area.width() <= 0)
        return;
    const QPalette& palette = option.palette;
    QFont name_font = option.font;
    name_font.setBold(true);
    painter.setFont(name_font);
    const int name_height = painter.fontMetrics().height();

    // The name, with the duration at the right of its line.
    const QString duration = index.data(ItemsModel::DurationRole).toString();
    const int duration_width = duration.isEmpty() ? 0 : painter.fontMetrics().horizontalAdvance(duration) + kGap;
    painter.setPen(palette.color(QPalette::Text));
    draw_line(painter, QRect(area.left(), area.top(), area.width() - duration_width, name_height),
              index.data(ItemsModel::NameRole).toString());
    QFont small_font = option.font;
    small_font.setPointSizeF(option.font.pointSizeF() * 0.9);
    painter.setFont(small_font);
    painter.setPen(muted(palette));
    if (!duration.isEmpty())
        draw_line(painter, QRect(area.left(), area.top(), area.width(), name_height), duration,
                  Qt::AlignRight | Qt::AlignVCenter);

    // One line per track as far as they fit, the media type on the last line.
    const int line = painter.fontMetrics().height();
    const QRect type_line(area.left(), area.bottom() - line + 1, area.width(), line);
    int y = area.top() + name_height + 2;
    const QStringList tracks = index.data(ItemsModel::InfoRole).toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& track : tracks) {
        if (y + line > type_line.top())
            break;
        draw_line(painter, QRect(area.left(), y, area.width(), line), track);
        y += line;
    }
    draw_line(painter, type_line, index.data(ItemsModel::MediaTypeRole).toString());
}

void CustomCell::draw_status(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                             const Layout& layout) const
{
    draw_image(painter, index.data(ItemsModel::StatusIconRole).value<QImage>(), layout.icon);
    painter.setFont(option.font);
    painter.setPen(option.palette.color(QPalette::Text));
    const QString text = index.data(ItemsModel::StatusTextRole).toString();
    // Without a bar, a failure's cause may take the lines below its first.
    if (!index.data(ItemsModel::ProgressVisibleRole).toBool()) {
        draw_wrapped(painter, layout.status_lines, text);
        return;
    }
    draw_line(painter, layout.status_text, text);
    QStyleOptionProgressBar bar;
    bar.rect = layout.bar;
    // The table's own highlight is made invisible (the selection is ours); the bar fills with
    // the application's.
    bar.palette = option.palette;
    bar.palette.setColor(QPalette::Highlight, QApplication::palette(option.widget).color(QPalette::Highlight));
    bar.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    bar.minimum = 0;
    bar.maximum = 10000;
    bar.progress = qRound(index.data(ItemsModel::ProgressRole).toDouble() * 100);
    bar.textVisible = false;
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ProgressBar, &bar, &painter, option.widget);
}

void CustomCell::draw_image(QPainter& painter, const QImage& image, const QRect& box) const
{
    if (image.isNull() || box.isEmpty())
        return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QImage picture = fitted(image, box.size(), ratio);
    const QSizeF size = picture.deviceIndependentSize();
    const QPointF at(box.left() + (box.width() - size.width()) / 2, box.top() + (box.height() - size.height()) / 2);
    painter.drawImage(at, picture);
}

QImage CustomCell::fitted(const QImage& image, const QSize& box, qreal device_pixel_ratio) const
{
    const QSize pixels = image.size().scaled((QSizeF(box) * device_pixel_ratio).toSize(), Qt::KeepAspectRatio);
    const QString key = QStringLiteral("%1/%2x%3").arg(image.cacheKey()).arg(pixels.width()).arg(pixels.height());
    if (const QImage* cached = scaled_.object(key))
        return *cached;
    QImage scaled = pixels == image.size() ? image : image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(device_pixel_ratio);
    scaled_.insert(key, new QImage(scaled));
    return scaled;
}
