#include "app/settings/path_control.h"

#include <QMouseEvent>

PathControl::PathControl(QWidget* parent) : QLineEdit(parent)
{
    setReadOnly(true);
    setCursor(Qt::PointingHandCursor);
}

void PathControl::set_url(const std::optional<QUrl>& url)
{
    url_ = url;
    setText(url ? url->toLocalFile() : QString());
    setToolTip(text());
    // The folder's own name matters most when the field is narrower than the path.
    setCursorPosition(text().size());
}

void PathControl::mouseReleaseEvent(QMouseEvent* event)
{
    QLineEdit::mouseReleaseEvent(event);
    // A drag that selected text is not a click.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && !hasSelectedText())
        emit clicked();
}
