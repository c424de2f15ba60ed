// The list pane's settings read: the output folder, the preset and the keep-source-folders flag.
#include <QCheckBox>

#include "app/settings/audio_setup_view_controller.h"
#include "app/settings/only_audio_setup_view_controller.h"
#include "app/settings/setup_ns_view_controller.h"
#include "app/settings/setup_setup_view_controller.h"
#include "app/settings/video_setup_view_controller.h"
#include "app/table/view_controller.h"
#include "engine/stdout_log.h"

void ViewController::refresh_setup()
{
    find_panes();
    update_out_path();
    logLine(QStringLiteral("输出路径 ") + (out_path_obj ? out_path_obj->toString() : QStringLiteral("nil")));
    update_my_Prest();
    is_add_rawpath = setup_setup_vc && setup_setup_vc->is_add_rawpath_button &&
                     setup_setup_vc->is_add_rawpath_button->checkState() == Qt::Checked;
}

void ViewController::update_out_path()
{
    out_path_obj = setup_vc ? setup_vc->out_path_url() : std::nullopt;
}

void ViewController::update_my_Prest()
{
    if (std::optional<My_Prest> p = panes_prest())
        my_Prest = std::move(*p);
}

std::optional<My_Prest> ViewController::panes_prest()
{
    if (only_audio_setup_vc) {
        if (std::optional<My_Prest> only_audio = only_audio_setup_vc->get_only_audio_prest()) {
            only_audio->is_run_ffmpeg = true;
            logLine(QStringLiteral("获取仅音频编码 ") + only_audio->fileType);
            return only_audio;
        }
    }
    if (!video_setup_vc)
        return std::nullopt;
    My_Prest p = video_setup_vc->get_video_prest();
    p.merge_audio_settings(audio_setup_vc ? audio_setup_vc->get_audio_settings()
                                          : settings_entries(linear_pcm_audio_settings()));
    return p;
}
