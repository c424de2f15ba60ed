#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <optional>

class PathControl;
class QFileDialog;
class QPushButton;
class QTabWidget;
class ViewController_Delegate;

// The settings column: the output folder, Start and Stop, and the tabs of the four panes.
// Everything here runs on the main thread.
class Setup_NSViewController : public QWidget {
    Q_OBJECT
public:
    explicit Setup_NSViewController(QWidget* parent = nullptr);

    // The settings key of the remembered output folder.
    static constexpr const char* kBookmarkKey = "PermanentFolderBookmark";

    // The output folder shown; the list pane copies it at every Start. Empty when no folder
    // could be named at all.
    std::optional<QUrl> out_path_url() const;
    void set_out_path_url(const std::optional<QUrl>& url);

    // The remembered folder when it still is a folder; logs why not otherwise.
    std::optional<QUrl> restore_bookmark();
    // Shows the default folder (the videos folder plus the application's name), created when missing.
    void set_default_out_path();
    // Remembers userSelectedFolderURL for the next launches.
    void save_bookmark();

    // The list pane; set by it when it loads.
    ViewController_Delegate* list_ViewController_Delegate = nullptr;
    // The folder chosen in the dialog during this run; a restored or default folder never goes here.
    std::optional<QUrl> userSelectedFolderURL;

    PathControl* out_path_obj = nullptr;
    QPushButton* choose_button = nullptr;
    QPushButton* start_button = nullptr;
    QPushButton* stop_button = nullptr;
    // Holds the four panes: video, audio, audio only, general.
    QTabWidget* tab_view = nullptr;
    // The folder dialog while it is open.
    QPointer<QFileDialog> folder_dialog;

public slots:
    // Opens the folder dialog (window-modal); an accepted folder replaces the shown one.
    void out_path_ac();
    // Reveals the shown folder in the file manager.
    void open_outpath();
    void run_action();
    void stop_action();

private:
    void viewDidLoad();
    void folder_chosen(const QUrl& url);
};
