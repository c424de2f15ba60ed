// What the check for a source cut short costs on whole files: for each file given, the
// verdict over every audio and video stream, its wall time and the bytes the process read
// for it (from /proc/self/io, so the demuxer's own reads count too).
// Usage: verdict_bench FILE...
#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/media/libav.h"
#include "platform/media/source_extent.h"

namespace {

long long bytes_read()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return -1;
}

std::vector<int> media_streams(const QString& path)
{
    std::vector<int> streams;
    if (const media::av::FormatPtr ctx = media::av::open_input(path, nullptr))
        for (unsigned i = 0; i < ctx->nb_streams; ++i) {
            const AVMediaType type = ctx->streams[i]->codecpar->codec_type;
            if (type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_VIDEO)
                streams.push_back(int(i));
        }
    return streams;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    av_log_set_level(AV_LOG_QUIET);
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        const std::vector<int> streams = media_streams(path);
        const long long before = bytes_read();
        const auto start = std::chrono::steady_clock::now();
        const auto cut = media::source_cut_short(path, streams, media::TimeRange::everything());
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const long long read = bytes_read() - before;
        QString verdict = QStringLiteral("whole");
        if (cut && cut->bytes_expected > 0)
            verdict = QStringLiteral("cut: %1 of %2 bytes").arg(cut->bytes_there).arg(cut->bytes_expected);
        else if (cut)
            verdict = QStringLiteral("cut: %1 of %2 s").arg(cut->converted, 0, 'f', 1).arg(cut->expected, 0, 'f', 1);
        std::printf("%-40s %-36s %8.3f s %12lld bytes read\n", argv[i], verdict.toUtf8().constData(), seconds, read);
    }
    return 0;
}
