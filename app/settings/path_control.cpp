#include "app/settings/path_control.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {
// QLineEdit keeps this much room on each side of its text, inside the contents rectangle.
constexpr int kLineEditMargin = 2;
}  // namespace

PathControl::PathControl(QWidget* parent) : QLineEdit(parent)
{
    setReadOnly(true);
    setCursor(Qt::PointingHandCursor);
    // A click reveals the folder and leaves the shortened path in sight; the keyboard may
    // still come here to copy the whole path.
    setFocusPolicy(Qt::TabFocus);
}

void PathControl::set_url(const std::optional<QUrl>& url)
{
    url_ = url;
    setToolTip(url ? url->toLocalFile() : QString());
    show_path();
}

QString PathControl::elided_path(const QString& path, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    const QString middle = metrics.elidedText(path, Qt::ElideMiddle, width);
    const qsizetype mark = middle.lastIndexOf(QChar(0x2026));
    const qsizetype last = path.size() - path.lastIndexOf(QLatin1Char('/'));  // with its slash
    if (mark >= 0 && middle.size() - mark - 1 >= last)
        return middle;
    // The folder's own name matters most: the start goes first.
    return metrics.elidedText(path, Qt::ElideLeft, width);
}

void PathControl::show_path()
{
    const QString path = url_ ? url_->toLocalFile() : QString();
    setText(hasFocus() ? path : elided_path(path, fontMetrics(), text_width()));
    // Should the text still be wider, its end stays in sight.
    setCursorPosition(text().size());
}

int PathControl::text_width() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const QMargins margins = textMargins();
    return std::max(0, contents.width() - margins.left() - margins.right() - 2 * kLineEditMargin - 1);
}

void PathControl::mouseReleaseEvent(QMouseEvent* event)
{
    QLineEdit::mouseReleaseEvent(event);
    // A drag that selected text is not a click.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && !hasSelectedText())
        emit clicked();
}

void PathControl::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    show_path();
}

void PathControl::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    show_path();
}

void PathControl::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    show_path();
}

void PathControl::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        show_path();
}
