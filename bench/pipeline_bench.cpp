// Converts one file with the reader/writer pipeline, as the application does: H.264 at
// 5 Mbit/s and AAC into a QuickTime movie. Prints the wall time and the peak memory.
// Usage: pipeline_bench SOURCE OUTPUT [WIDTH HEIGHT]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

#include "engine/reader_writer_exporter.h"

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: %s SOURCE OUTPUT [WIDTH HEIGHT]\n", argv[0]);
        return 2;
    }
    auto exporter = ReaderWriterExporter::create();
    exporter->asset = media::Asset::from_path(QString::fromLocal8Bit(argv[1]));
    exporter->outputURL = QUrl::fromLocalFile(QString::fromLocal8Bit(argv[2]));
    exporter->outputFileType = media::FileType(AVFileTypeQuickTimeMovie);

    const auto video = exporter->asset->tracks_with_media_type(AVMediaTypeVideo);
    if (video.empty()) {
        std::fprintf(stderr, "no video track in %s\n", argv[1]);
        return 2;
    }
    const int width = argc == 5 ? std::atoi(argv[3]) : static_cast<int>(video.front()->natural_size.width);
    const int height = argc == 5 ? std::atoi(argv[4]) : static_cast<int>(video.front()->natural_size.height);
    exporter->videoOutputConfiguration = QVariantMap{
        {AVVideoCodecKey, QString(AVVideoCodecTypeH264)},
        {AVVideoWidthKey, width},
        {AVVideoHeightKey, height},
        {AVVideoCompressionPropertiesKey, QVariantMap{{AVVideoAverageBitRateKey, 5000000}}}};
    exporter->audioOutputConfiguration = QVariantMap{{AVFormatIDKey, QVariant::fromValue<uint>(kAudioFormatMPEG4AAC)},
                                                     {AVSampleRateKey, 48000},
                                                     {AVNumberOfChannelsKey, 2},
                                                     {AVEncoderBitRateKey, 128000}};

    QElapsedTimer timer;
    timer.start();
    int status = 1;
    exporter->export_(nullptr, nullptr, [&](const ExportResult& result) {
        if (result.is_success())
            status = 0;
        else
            std::fprintf(stderr, "failed: %s\n", qPrintable(result.error().description()));
        app.quit();
    });
    app.exec();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("seconds=%.3f peak_kb=%ld\n", timer.elapsed() / 1000.0, usage.ru_maxrss);
    return status;
}
