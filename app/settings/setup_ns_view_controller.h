#pragma once

#include <QUrl>
#include <QWidget>
#include <optional>

class QLineEdit;
class QPushButton;
class QTabWidget;
class ViewController_Delegate;

// The settings column: the output folder, Start and Stop, and the tabs of the four panes.
class Setup_NSViewController : public QWidget {
    Q_OBJECT
public:
    explicit Setup_NSViewController(QWidget* parent = nullptr);

    // The output folder shown; the list pane copies it at every Start.
    std::optional<QUrl> out_path_url() const { return out_path_url_; }
    void set_out_path_url(const std::optional<QUrl>& url);

    ViewController_Delegate* list_ViewController_Delegate = nullptr;
    std::optional<QUrl> userSelectedFolderURL;

    QLineEdit* out_path_obj = nullptr;
    QPushButton* choose_button = nullptr;
    QPushButton* start_button = nullptr;
    QPushButton* stop_button = nullptr;
    // Holds the four panes: video, audio, audio only, general.
    QTabWidget* tab_view = nullptr;

public slots:
    void run_action();
    void stop_action();

private:
    std::optional<QUrl> out_path_url_;
};
