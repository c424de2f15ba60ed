#pragma once

#include <QLineEdit>
#include <QUrl>
#include <optional>

// Shows a folder's path, read-only; a click on it asks for the folder to be revealed.
// A path wider than the field is cut in the middle with an ellipsis, the folder's own name
// kept whole; the tool tip holds the whole path. While the field has the keyboard focus it
// holds the whole path, so that it can be selected and copied.
class PathControl : public QLineEdit {
    Q_OBJECT
public:
    explicit PathControl(QWidget* parent = nullptr);

    std::optional<QUrl> url() const { return url_; }
    void set_url(const std::optional<QUrl>& url);

    // The path cut to fit the width: in the middle, or at the start where the middle would
    // cut into the last component.
    static QString elided_path(const QString& path, const QFontMetrics& metrics, int width);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void show_path();
    // The width the text has inside the frame and the field's own margins.
    int text_width() const;

    std::optional<QUrl> url_;
};
