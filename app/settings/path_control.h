#pragma once

#include <QLineEdit>
#include <QUrl>
#include <optional>

// Shows a folder's path, read-only; a click on it asks for the folder to be revealed.
class PathControl : public QLineEdit {
    Q_OBJECT
public:
    explicit PathControl(QWidget* parent = nullptr);

    std::optional<QUrl> url() const { return url_; }
    void set_url(const std::optional<QUrl>& url);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::optional<QUrl> url_;
};
