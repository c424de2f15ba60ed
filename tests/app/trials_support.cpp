#include "trials_support.h"

#include <QApplication>
#include <mutex>

#include "engine/one_exporter.h"
#include "app/trials/trial_owner.h"
#include "engine/run_task_obj.h"
#include "support/support.h"

namespace trialtest {

void register_names()
{
    static std::once_flag once;
    std::call_once(once, [] {
        register_file_type_names();
        register_codec_names();
        register_audio_format_names();
    });
}

QString fixture_path(const std::string& name) { return QString::fromStdString(testsupport::fixture(name)); }

std::shared_ptr<Run_task_obj> fixture_row(const std::string& name)
{
    auto row = std::make_shared<Run_task_obj>(QUrl::fromLocalFile(fixture_path(name)));
    row->set_state(EnumState::read());
    // Its compatibility answer is in, as it is long before a user opens a trial of it.
    if (row->out_Ex)
        row->out_Ex->wait_for_compatibility(std::chrono::seconds(120));
    return row;
}

std::shared_ptr<My_Prest> h264_preset()
{
    auto preset = std::make_shared<My_Prest>();
    preset->fileType = AVFileTypeMPEG4;
    preset->video_outputSettings = {
        {AVVideoCodecKey, QString(AVVideoCodecTypeH264)},
        {AVVideoWidthKey, 320.0},
        {AVVideoHeightKey, 240.0},
    };
    preset->audio_outputSettings = {{AVFormatIDKey, uint(kAudioFormatMPEG4AAC)}};
    return preset;
}

std::shared_ptr<My_Prest> unwritable_preset()
{
    auto preset = h264_preset();
    preset->fileType = AVFileTypeJPEG;
    return preset;
}

double probed_duration(const QString& path)
{
    const auto out = testsupport::run_program({"ffprobe", "-v", "error", "-show_entries", "format=duration", "-of",
                                               "csv=p=0", path.toStdString()});
    bool ok = false;
    const double seconds = out ? QString::fromStdString(*out).trimmed().toDouble(&ok) : 0;
    return ok ? seconds : -1;
}

QMessageBox* alert_over(QWidget* window) { return window ? window->findChild<QMessageBox*>() : nullptr; }

bool any_alert_up()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(widget) && widget->isVisible())
            return true;
    return false;
}

bool wait_for_owner_gone(const std::weak_ptr<TrialOwner>& owner)
{
    return testsupport::pump_until([&] { return owner.expired(); });
}

bool wait_for_end(const OneExporter& job)
{
    return testsupport::pump_until([&] {
        const int status = job.status;
        return status == 3 || status == 4 || status == 5;
    });
}

}  // namespace trialtest
