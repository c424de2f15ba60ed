#include "app/settings/setup_ns_view_controller.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/settings/audio_setup_view_controller.h"
#include "app/settings/only_audio_setup_view_controller.h"
#include "app/settings/setup_setup_view_controller.h"
#include "app/settings/video_setup_view_controller.h"
#include "app/settings/view_controller_delegate.h"
#include "engine/stdout_log.h"

Setup_NSViewController::Setup_NSViewController(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* folder_row = new QHBoxLayout;
    out_path_obj = new QLineEdit(this);
    out_path_obj->setReadOnly(true);
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
    buttons->addStretch();
    buttons->addWidget(stop_button);
    buttons->addWidget(start_button);
    layout->addLayout(buttons);
    connect(start_button, &QPushButton::clicked, this, &Setup_NSViewController::run_action);
    connect(stop_button, &QPushButton::clicked, this, &Setup_NSViewController::stop_action);
}

void Setup_NSViewController::set_out_path_url(const std::optional<QUrl>& url)
{
    out_path_url_ = url;
    out_path_obj->setText(url ? url.value().toLocalFile() : QString());
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
