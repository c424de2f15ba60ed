#include "app/settings/setup_ns_view_controller.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/settings/audio_setup_view_controller.h"
#include "app/settings/only_audio_setup_view_controller.h"
#include "app/settings/path_control.h"
#include "app/settings/setup_setup_view_controller.h"
#include "app/settings/video_setup_view_controller.h"
#include "app/settings/view_controller_delegate.h"
#include "engine/stdout_log.h"
#include "platform/desktop/services.h"
#include "platform/foundation/bookmark.h"
#include "platform/foundation/files.h"

Setup_NSViewController::Setup_NSViewController(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("输出文件夹"), this));
    auto* folder_row = new QHBoxLayout;
    out_path_obj = new PathControl(this);
    out_path_obj->setPlaceholderText(tr("未选择文件夹"));
    choose_button = new QPushButton(tr("选择…"), this);
    folder_row->addWidget(out_path_obj, 1);
    folder_row->addWidget(choose_button);
    layout->addLayout(folder_row);

    tab_view = new QTabWidget(this);
    tab_view->addTab(new Video_setup_ViewController(tab_view), tr("视频"));
    tab_view->addTab(new Audio_setup_ViewController(tab_view), tr("音频"));
    tab_view->addTab(new Only_Audio_setup_ViewController(tab_view), tr("仅音频"));
    tab_view->addTab(new Setup_setup_ViewController(tab_view), tr("通用"));
    layout->addWidget(tab_view, 1);

    auto* buttons = new QHBoxLayout;
    start_button = new QPushButton(tr("开始"), this);
    stop_button = new QPushButton(tr("停止"), this);
    start_button->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(stop_button);
    buttons->addWidget(start_button);
    layout->addLayout(buttons);

    connect(choose_button, &QPushButton::clicked, this, &Setup_NSViewController::out_path_ac);
    connect(out_path_obj, &PathControl::clicked, this, &Setup_NSViewController::open_outpath);
    connect(start_button, &QPushButton::clicked, this, &Setup_NSViewController::run_action);
    connect(stop_button, &QPushButton::clicked, this, &Setup_NSViewController::stop_action);

    viewDidLoad();
}

void Setup_NSViewController::viewDidLoad()
{
    if (const std::optional<QUrl> folder = restore_bookmark())
        set_out_path_url(folder);
    else
        set_default_out_path();
}

std::optional<QUrl> Setup_NSViewController::out_path_url() const { return out_path_obj->url(); }

void Setup_NSViewController::set_out_path_url(const std::optional<QUrl>& url) { out_path_obj->set_url(url); }

std::optional<QUrl> Setup_NSViewController::restore_bookmark()
{
    const QVariant stored = QSettings().value(QLatin1String(kBookmarkKey));
    if (!stored.isValid()) {
        logLine(QStringLiteral("Error retrieving persistent bookmark data."));
        return std::nullopt;
    }
    // A folder that is gone or is no longer a folder is not used; the key stays, so the
    // folder comes back should it reappear (a disk mounted again).
    const foundation::ResolvedBookmark resolved = foundation::resolve_bookmark(stored.toString());
    if (!resolved.url) {
        logLine(QStringLiteral("Error resolving bookmark: ") + resolved.error);
        return std::nullopt;
    }
    return resolved.url;
}

void Setup_NSViewController::set_default_out_path()
{
    const QString name = QCoreApplication::applicationName();
    logLine(QStringLiteral("文件名称 ") + name);
    const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (name.isEmpty() || videos.isEmpty()) {
        // Without a name the folder would be the videos folder itself (or the working
        // directory); no folder is shown and Start refuses instead.
        logLine(QStringLiteral("No default output folder: the application's name or the videos folder is unknown."));
        set_out_path_url(std::nullopt);
        return;
    }
    const QString folder = QDir(videos).filePath(name);
    if (!foundation::file_exists(folder)) {
        const QString error = foundation::create_directories_reporting(folder);
        if (!error.isEmpty())
            logLine(error);
    }
    set_out_path_url(QUrl::fromLocalFile(folder));
}

void Setup_NSViewController::save_bookmark()
{
    if (!userSelectedFolderURL) {
        logLine(QStringLiteral("ERROR: You cannot bookmark a URL that is nil"));
        return;
    }
    const foundation::Bookmark bookmark = foundation::make_bookmark(*userSelectedFolderURL);
    if (!bookmark.data) {
        logLine(QStringLiteral("Could not create a bookmark because: ") + bookmark.error);
        return;
    }
    QSettings settings;
    settings.setValue(QLatin1String(kBookmarkKey), *bookmark.data);
    // Written now, so that a settings file that cannot be written is noticed and said.
    settings.sync();
    if (settings.status() != QSettings::NoError)
        logLine(QStringLiteral("Could not create a bookmark because: the settings file “%1” could not be written")
                    .arg(settings.fileName()));
}

void Setup_NSViewController::out_path_ac()
{
    if (folder_dialog) {
        folder_dialog->raise();
        return;
    }
    auto* dialog = new QFileDialog(this, tr("选择输出文件夹"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    if (const std::optional<QUrl> shown = out_path_url())
        dialog->setDirectoryUrl(*shown);
    connect(dialog, &QFileDialog::finished, this, [this, dialog](int result) {
        const QList<QUrl> urls = dialog->selectedUrls();
        if (result == QDialog::Accepted && urls.size() == 1)
            folder_chosen(urls.first());
    });
    folder_dialog = dialog;
    // Window-modal without a nested event loop: conversions keep reporting meanwhile.
    dialog->open();
}

void Setup_NSViewController::folder_chosen(const QUrl& url)
{
    // The root of the file system is refused without a word.
    if (!url.isLocalFile() || QDir(url.toLocalFile()).isRoot())
        return;
    userSelectedFolderURL = url;
    save_bookmark();
    set_out_path_url(url);
}

void Setup_NSViewController::open_outpath()
{
    const std::optional<QUrl> url = out_path_url();
    if (!url)
        return;
    logLine(url->toString());
    desktop::services().reveal(*url);
}

void Setup_NSViewController::run_action()
{
    if (!list_ViewController_Delegate)
        return;
    logLine(QStringLiteral("开始按钮触发"));
    list_ViewController_Delegate->start_run();
}

void Setup_NSViewController::stop_action()
{
    if (!list_ViewController_Delegate)
        return;
    logLine(QStringLiteral("停止触发"));
    list_ViewController_Delegate->stop_run();
}
