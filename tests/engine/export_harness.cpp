#include "export_harness.h"

#include <QCoreApplication>
#include <QThread>

#include "support/support.h"

namespace {

bool onMainThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

}  // namespace

int RunRecord::completionCount() const
{
    std::lock_guard guard(lock);
    return completions;
}

ExportResult RunRecord::lastResult() const
{
    std::lock_guard guard(lock);
    return *result;
}

std::vector<float> RunRecord::progressValues() const
{
    std::lock_guard guard(lock);
    return progress;
}

std::shared_ptr<RunRecord> startRecording(const std::shared_ptr<ReaderWriterExporter>& exporter)
{
    auto record = std::make_shared<RunRecord>();
    exporter->export_(
        nullptr,
        [record](float p) {
            std::lock_guard guard(record->lock);
            record->progress.push_back(p);
            record->progressOnMainThread |= onMainThread();
        },
        [record](const ExportResult& r) {
            std::lock_guard guard(record->lock);
            ++record->completions;
            record->result = r;
            record->completionOffMainThread |= !onMainThread();
        });
    return record;
}

bool waitForCompletion(const RunRecord& record, int seconds)
{
    return testsupport::pump_until([&] { return record.completionCount() > 0; }, std::chrono::seconds(seconds));
}

std::shared_ptr<ReaderWriterExporter> makeExporter(const QString& source, const QString& output,
                                                   const QString& fileType, std::optional<QVariantMap> video,
                                                   std::optional<QVariantMap> audio)
{
    auto exporter = ReaderWriterExporter::create();
    exporter->asset = media::Asset::from_path(source);
    exporter->outputURL = QUrl::fromLocalFile(output);
    exporter->outputFileType = fileType;
    exporter->videoOutputConfiguration = std::move(video);
    exporter->audioOutputConfiguration = std::move(audio);
    return exporter;
}

QVariantMap videoSettings(const QString& codec, int width, int height)
{
    return {{AVVideoCodecKey, codec},
            {AVVideoWidthKey, width},
            {AVVideoHeightKey, height},
            {AVVideoCompressionPropertiesKey, QVariantMap{{AVVideoAverageBitRateKey, 2000000}}}};
}

QVariantMap aacSettings()
{
    return {{AVFormatIDKey, QVariant::fromValue<uint>(kAudioFormatMPEG4AAC)},
            {AVSampleRateKey, 44100},
            {AVNumberOfChannelsKey, 1},
            {AVEncoderBitRateKey, 96000}};
}

QVariantMap linearPCMSettings()
{
    return {{AVFormatIDKey, QVariant::fromValue<uint>(kAudioFormatLinearPCM)},
            {AVSampleRateKey, 44100},
            {AVNumberOfChannelsKey, 1},
            {AVLinearPCMBitDepthKey, 16},
            {AVLinearPCMIsFloatKey, false},
            {AVLinearPCMIsBigEndianKey, false}};
}
