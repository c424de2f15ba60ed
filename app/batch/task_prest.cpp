// The preset of one row: a copy of the current preset with the keep-source-size sentinel
// resolved to the size of that row's picture.
#include <cmath>

#include "app/table/view_controller.h"
#include "engine/run_task_obj.h"
#include "engine/settings_values.h"

namespace {

constexpr double kKeepSourceSize = -100;

// The picture as it is displayed: the natural size of the last video track, turned by that
// track's quarter turn (a phone's portrait clip is stored landscape with a 90-degree turn).
// Other transforms keep the stored size.
std::optional<media::Size> displayed_size(const get_obj_info& info)
{
    if (!info.naturalSize)
        return std::nullopt;
    media::Size size = *info.naturalSize;
    if (!info.tracks)
        return size;
    for (auto it = info.tracks->rbegin(); it != info.tracks->rend(); ++it) {
        const media::AssetTrackRef& track = *it;
        if (!track || track->media_type != QLatin1String(AVMediaTypeVideo))
            continue;
        const media::AffineTransform& t = track->preferred_transform;
        const bool quarter_turn = std::fabs(t.a) < 1e-6 && std::fabs(t.d) < 1e-6 &&
                                  std::fabs(std::fabs(t.b) - 1) < 1e-6 && std::fabs(std::fabs(t.c) - 1) < 1e-6;
        if (quarter_turn)
            std::swap(size.width, size.height);
        break;
    }
    return size;
}

}  // namespace

My_Prest ViewController::get_task_prest(const Run_task_obj& row) const { return get_task_prest(my_Prest, row); }

My_Prest ViewController::get_task_prest(const My_Prest& preset, const Run_task_obj& row)
{
    My_Prest p;
    p.name = preset.name;
    p.fileType = preset.fileType;
    p.video_outputSettings = preset.video_outputSettings;
    p.audio_outputSettings = preset.audio_outputSettings;
    p.is_run_ffmpeg = preset.is_run_ffmpeg;

    const std::optional<double> width = settings_number(preset.video_outputSettings.value(AVVideoWidthKey));
    if (width != kKeepSourceSize || !row.obj_info)
        return p;
    if (const std::optional<media::Size> size = displayed_size(*row.obj_info)) {
        // Toward zero, not rounded: 1919.6 gives 1919.
        p.video_outputSettings.insert(AVVideoWidthKey, qint64(std::trunc(size->width)));
        p.video_outputSettings.insert(AVVideoHeightKey, qint64(std::trunc(size->height)));
    }
    return p;
}
