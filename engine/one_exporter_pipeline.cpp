// The pipeline path of the conversion job: set-up of the run and its two handlers.
#include <cerrno>

#include "engine/exporter_settings.h"
#include "engine/ffmpeg_command.h"
#include "engine/one_exporter.h"
#include "engine/reader_writer_exporter.h"
#include "engine/run_failure_texts.h"
#include "engine/stdout_log.h"

namespace {

// The job's status for the status of the pipeline's writer; 0 without a writer.
int status_of_writer(const media::AssetWriterRef& writer) { return writer ? exportStatusOf(writer->status()) : 0; }

QVariantMap default_video_settings(const OneExporter& job)
{
    return {
        {AVVideoCodecKey, job.customize_Export_AVVideoCodecType},
        {AVVideoWidthKey, qint64(job.customize_Export_width)},
        {AVVideoHeightKey, qint64(job.customize_Export_height)},
        {AVVideoScalingModeKey, QString::fromLatin1(AVVideoScalingModeResizeAspectFill)},
    };
}

}  // namespace

void OneExporter::start_export(const media::TimeRange& range)
{
    latest_engine_ = Engine::pipeline;
    open_verdict();
    // A row never shows the reason of an earlier run.
    error_info = std::nullopt;
    const std::optional<QUrl> url = make_output_url();
    out_url_obj = url;
    if (!url) {
        take_verdict();
        report_finished(QUrl());
        return;
    }

    const auto preset = My_prest_obj.get();
    const media::FileType file_type = preset ? preset->fileType : media::FileType(AVFileTypeQuickTimeMovie);
    const QVariantMap video = preset ? preset->video_outputSettings : default_video_settings(*this);
    const QVariantMap audio = preset ? preset->audio_outputSettings : linear_pcm_audio_settings();

    const auto pipeline = ReaderWriterExporter::create();
    out_ReaderWriterExporter = pipeline;
    pipeline->asset = raw_asset;
    pipeline->outputFileType = file_type;
    pipeline->metadata = metadata;
    logLine(QStringLiteral("是否预览 ") + (is_preview_play ? QStringLiteral("true") : QStringLiteral("false")) +
            u' ' + decimal_text(range.duration.seconds()));
    pipeline->outputURL = url;
    pipeline->videoOutputConfiguration = video;
    pipeline->audioOutputConfiguration = audio;
    pipeline->timeRange = range;

    std::weak_ptr<OneExporter> weak = weak_from_this();
    const auto self = shared_from_this();
    pipeline->export_(
        nullptr,
        [weak](float progress) {
            if (const auto job = weak.lock())
                job->on_session_exporter_progress(progress);
        },
        // The completion holds the job, so that its one export_finished always arrives.
        [self](const ExportResult& result) { self->on_session_exporter_complete(result); });
}

void OneExporter::on_session_exporter_progress(float progress)
{
    report_progress(progress);
    out_progress = progress;
    if (const auto pipeline = out_ReaderWriterExporter.get())
        status = status_of_writer(pipeline->writer());
}

void OneExporter::on_session_exporter_complete(const ExportResult& result)
{
    // The run's own result decides: a cancel or reset since then may have cleared the
    // pipeline's writer, and a cancel from now on changes nothing.
    take_verdict();
    const auto pipeline = out_ReaderWriterExporter.get();
    if (!result.is_success()) {
        QString description = result.error().description();
        // The output's name was taken while the run wrote under its hidden name.
        if (const auto* error = std::get_if<media::Error>(&result.error().value);
            error && media::is_posix_error(*error, EEXIST))
            description = existing_output_text();
        logLine(QStringLiteral("ReaderWriterExporter, failed to export ") + description);
        error_info = std::optional<QString>(description);
        // Only a cancel ends as cancelled: a failed reader cancels the writer, whose status
        // must not turn the failure into a cancel that the failure alert would not list.
        status = result.error().is(ReaderWriterExporterError::cancelled) ? 5 : 4;
    } else if (result.status() != 3) {
        logLine(QStringLiteral("ReaderWriterExporter, did not complete ") + QString::number(result.status()));
        status = result.status();
    } else {
        const QString url = pipeline && pipeline->outputURL ? pipeline->outputURL->toString() : QString();
        logLine(QStringLiteral("ReaderWriterExporter, export completed, ") + url);
        // The last report was the last sample's start, short of the end: the file is whole.
        out_progress = 1;
        report_progress(1);
        status = 3;
    }
    report_finished(pipeline && pipeline->outputURL ? *pipeline->outputURL : QUrl());
}
