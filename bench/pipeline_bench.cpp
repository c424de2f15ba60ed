// Converts one file with the reader/writer pipeline, as the application does, and exits
// with 0 on success; pipeline_bench.sh times it from outside, like the ffmpeg command.
// Usage: pipeline_bench SOURCE OUTPUT CODEC [WIDTH HEIGHT]
//   CODEC: h264 or hevc (5 Mbit/s), prores422, or none (the audio alone); the audio is AAC
//   at 128 kbit/s, 48 kHz stereo. The file type follows OUTPUT's extension (.mov or .mp4).
//   Without a size the picture keeps its upright size.
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

#include "engine/reader_writer_exporter.h"
#include "platform/foundation/memory.h"

namespace {

std::optional<QVariantMap> video_settings(const char* codec, int width, int height)
{
    QVariantMap settings{{AVVideoWidthKey, width}, {AVVideoHeightKey, height}};
    const QVariantMap rate{{AVVideoAverageBitRateKey, 5000000}};
    if (!std::strcmp(codec, "h264")) {
        settings.insert(AVVideoCodecKey, QString(AVVideoCodecTypeH264));
        settings.insert(AVVideoCompressionPropertiesKey, rate);
    } else if (!std::strcmp(codec, "hevc")) {
        settings.insert(AVVideoCodecKey, QString(AVVideoCodecTypeHEVC));
        settings.insert(AVVideoCompressionPropertiesKey, rate);
    } else if (!std::strcmp(codec, "prores422")) {
        settings.insert(AVVideoCodecKey, QString(AVVideoCodecTypeAppleProRes422));
    } else {
        return std::nullopt;
    }
    return settings;
}

}  // namespace

int main(int argc, char* argv[])
{
    // As the application does.
    foundation::tune_malloc();
    QCoreApplication app(argc, argv);
    if (argc != 4 && argc != 6) {
        std::fprintf(stderr, "usage: %s SOURCE OUTPUT h264|hevc|prores422|none [WIDTH HEIGHT]\n", argv[0]);
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[2]);
    auto exporter = ReaderWriterExporter::create();
    exporter->asset = media::Asset::from_path(QString::fromLocal8Bit(argv[1]));
    exporter->outputURL = QUrl::fromLocalFile(output);
    exporter->outputFileType = media::FileType(
        QFileInfo(output).suffix() == QLatin1String("mp4") ? AVFileTypeMPEG4 : AVFileTypeQuickTimeMovie);

    if (std::strcmp(argv[3], "none") != 0) {
        const auto video = exporter->asset->tracks_with_media_type(AVMediaTypeVideo);
        if (video.empty()) {
            std::fprintf(stderr, "no video track in %s\n", argv[1]);
            return 2;
        }
        const auto& track = *video.front();
        const media::Size upright =
            track.preferred_transform.apply(media::Rect{{0, 0}, track.natural_size}).size;
        const int width = argc == 6 ? std::atoi(argv[4]) : static_cast<int>(upright.width);
        const int height = argc == 6 ? std::atoi(argv[5]) : static_cast<int>(upright.height);
        exporter->videoOutputConfiguration = video_settings(argv[3], width, height);
        if (!exporter->videoOutputConfiguration) {
            std::fprintf(stderr, "unknown codec %s\n", argv[3]);
            return 2;
        }
    }
    exporter->audioOutputConfiguration = QVariantMap{{AVFormatIDKey, QVariant::fromValue<uint>(kAudioFormatMPEG4AAC)},
                                                     {AVSampleRateKey, 48000},
                                                     {AVNumberOfChannelsKey, 2},
                                                     {AVEncoderBitRateKey, 128000}};

    int status = 1;
    exporter->export_(nullptr, nullptr, [&](const ExportResult& result) {
        if (result.is_success())
            status = 0;
        else
            std::fprintf(stderr, "failed: %s\n", qPrintable(result.error().description()));
        app.quit();
    });
    app.exec();
    return status;
}
