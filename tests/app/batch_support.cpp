#include "batch_support.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTabWidget>
#include <dirent.h>
#include <fstream>
#include <thread>

#include "app/settings/setup_ns_view_controller.h"
#include "app/table/items_model.h"
#include "platform/media/identifiers.h"

namespace batchtest {

My_Prest small_mp4_preset()
{
    My_Prest p;
    p.name = QStringLiteral("test_mp4");
    p.fileType = AVFileTypeMPEG4;
    p.set_size(-100, -100);
    p.video_outputSettings.insert(AVVideoCodecKey, QString(AVVideoCodecTypeH264));
    p.video_outputSettings.insert(AVVideoCompressionPropertiesKey, QVariantMap{{AVVideoAverageBitRateKey, 500000}});
    p.audio_outputSettings.insert(AVFormatIDKey, uint(kAudioFormatMPEG4AAC));
    p.audio_outputSettings.insert(AVEncoderBitRateKey, 96000);
    p.audio_outputSettings.insert(AVNumberOfChannelsKey, 2);
    p.audio_outputSettings.insert(AVSampleRateKey, 48000.0f);
    return p;
}

My_Prest slow_preset()
{
    My_Prest p = small_mp4_preset();
    p.set_size(4096, 2160);
    return p;
}

bool wait_converting(const Run_task_obj& row)
{
    return testsupport::pump_until([&] { return row.out_Ex->status == 2 && row.out_Ex->out_progress > 0; });
}

Window::Window() : list(window.split()->list_pane())
{
    register_file_type_names();
    register_codec_names();
    register_audio_format_names();
    window.split()->settings_column()->set_out_path_url(QUrl::fromLocalFile(QString::fromStdString(out.path())));
}

Window::~Window()
{
    // No test leaves a worker behind for the next one.
    wait_idle();
}

void Window::keep_preset(const My_Prest& preset)
{
    QTabWidget* tabs = window.split()->settings_column()->tab_view;
    while (tabs->count() > 0) {
        QWidget* pane = tabs->widget(0);
        tabs->removeTab(0);
        delete pane;
    }
    list->my_Prest = preset;
}

std::shared_ptr<Run_task_obj> Window::add_row(const std::string& path)
{
    auto row = std::make_shared<Run_task_obj>(QUrl::fromLocalFile(QString::fromStdString(path)));
    row->set_state(EnumState::read());
    // Its compatibility answer is in, as it is long before a user acts on a new row.
    if (row->out_Ex)
        row->out_Ex->wait_for_compatibility(std::chrono::seconds(120));
    add_row(row);
    return row;
}

void Window::add_row(const std::shared_ptr<Run_task_obj>& row) { list->items_model->append(row); }

bool Window::wait_idle(int seconds)
{
    return testsupport::pump_until([this] { return !list->batch_running(); }, std::chrono::seconds(seconds));
}

QString Window::output(const QString& name) const { return QString::fromStdString(out.path()) + u'/' + name; }

std::string copy_fixture(const std::string& fixture_name, const std::string& folder, const std::string& name)
{
    const std::string target = folder + "/" + name;
    QFile::copy(QString::fromStdString(testsupport::fixture(fixture_name)), QString::fromStdString(target));
    return target;
}

bool wait_for_ffmpeg_choice(const OneExporter& job)
{
    return testsupport::pump_until([&] { return job.is_run_ffmpeg.load(); });
}

int ffmpeg_children()
{
    int count = 0;
    const std::string self = std::to_string(::getpid());
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return -1;
    while (dirent* entry = ::readdir(proc)) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string pid, comm, state, ppid;
        if (!(stat >> pid >> comm >> state >> ppid))
            continue;
        if (ppid == self && comm == "(ffmpeg)")
            ++count;
    }
    ::closedir(proc);
    return count;
}

std::shared_ptr<HeldJob> HeldJob::make(const QString& path)
{
    return std::shared_ptr<HeldJob>(new HeldJob(media::Asset::from_path(path)));
}

void HeldJob::start_export(const media::TimeRange&)
{
    if (hold_start) {
        entered_start = true;
        start_gate_.wait();
    }
    ++starts;
    out_url_obj = make_output_url();
    status = 2;
    running = true;
}

void HeldJob::start_ffmpeg_export(const media::TimeRange& range) { start_export(range); }

void HeldJob::cancel_export()
{
    ++cancels;
    if (running && !ignore_cancel)
        finish(5);
}

void HeldJob::finish(int final_status)
{
    std::lock_guard guard(lock_);
    if (!running.exchange(false))
        return;
    status = final_status;
    const auto self = std::static_pointer_cast<HeldJob>(shared_from_this());
    std::thread([self] {
        if (const auto receiver = self->delegate.get())
            receiver->export_finished(self->out_url_obj.get().value_or(QUrl()));
    }).detach();
}

void HeldJob::flood_progress(int reports)
{
    const auto self = std::static_pointer_cast<HeldJob>(shared_from_this());
    std::thread([self, reports] {
        const auto receiver = self->delegate.get();
        for (int i = 1; receiver && i <= reports; ++i) {
            self->out_progress = float(i) / float(reports);
            receiver->export_progress(self->out_progress);
        }
    }).detach();
}

QString status_text(const ViewController& list, const Run_task_obj& row)
{
    const int position = list.items_model->index_of(&row);
    return list.items_model->data(list.items_model->index(position, 0), ItemsModel::StatusTextRole).toString();
}

QList<QMessageBox*> visible_alerts(const ViewController& list)
{
    QList<QMessageBox*> shown;
    for (QMessageBox* box : list.findChildren<QMessageBox*>())
        if (box->isVisible())
            shown.append(box);
    return shown;
}

std::shared_ptr<Run_task_obj> held_row(const std::string& path)
{
    auto row = std::make_shared<Run_task_obj>(QUrl::fromLocalFile(QString::fromStdString(path)));
    row->out_Ex = HeldJob::make(QString::fromStdString(path));
    row->set_state(EnumState::read());
    return row;
}

}  // namespace batchtest
