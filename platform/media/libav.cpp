#include "libav.h"
#include "texts.h"

#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <limits>
#include <mutex>
#include <set>
#include <string_view>

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace media::av {

void ScalerFreer::operator()(SwsContext* ctx) const { sws_freeContext(ctx); }
void ResamplerFreer::operator()(SwrContext* ctx) const { swr_free(&ctx); }
void AudioFifoFreer::operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }

namespace {

// Every demuxer except those that read other files named inside the file (playlists,
// manifests, concatenation lists): a media file is read on its own.
const char* allowed_demuxers()
{
    static const std::string list = [] {
        static const std::set<std::string> refused = {"hls", "applehttp", "dash", "concat", "imf"};
        std::string names;
        void* it = nullptr;
        while (const AVInputFormat* f = av_demuxer_iterate(&it)) {
            std::string all = f->name;
            size_t start = 0;
            while (start <= all.size()) {
                const size_t end = std::min(all.find(',', start), all.size());
                const std::string name = all.substr(start, end - start);
                if (!name.empty() && !refused.count(name))
                    names += (names.empty() ? "" : ",") + name;
                start = end + 1;
            }
        }
        return names;
    }();
    return list.c_str();
}

}  // namespace

void quiet_library_log()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (av_log_get_level() > AV_LOG_ERROR)
            av_log_set_level(AV_LOG_ERROR);
    });
}

std::string error_text(int code)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

std::optional<QString> unreadable_file_reason(const QString& path)
{
    const auto system_text = [](int code) { return QString::fromLocal8Bit(std::strerror(code)); };
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0)
        return system_text(errno);
    if (S_ISDIR(info.st_mode))
        return system_text(EISDIR);
    if (!S_ISREG(info.st_mode))
        return std::nullopt;
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return system_text(errno);
    ::close(fd);
    return std::nullopt;
}

FormatPtr open_input(const QString& path, QString* error)
{
    quiet_library_log();
    if (path.isEmpty()) {
        if (error)
            *error = translated("没有给出文件。");
        return nullptr;
    }
    // A pipe or a device would block or never end: only regular files are media files.
    struct stat info {};
    if (::stat(path.toUtf8().constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        if (error)
            *error = QStringLiteral("\"%1\" is not a file that can be read.").arg(path);
        return nullptr;
    }
    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "protocol_whitelist", "file", 0);
    av_dict_set(&opts, "format_whitelist", allowed_demuxers(), 0);
    AVFormatContext* raw = nullptr;
    // The "file:" prefix keeps a colon in the name from being read as a protocol.
    const QByteArray url = "file:" + path.toUtf8();
    int rc = avformat_open_input(&raw, url.constData(), nullptr, &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        if (error)
            *error = translated("无法打开文件“%1”：%2。")
                         .arg(path, QString::fromStdString(error_text(rc)));
        return nullptr;
    }
    FormatPtr ctx(raw);
    rc = avformat_find_stream_info(ctx.get(), nullptr);
    if (rc < 0) {
        if (error)
            *error = translated("无法读取“%1”的媒体数据：%2。")
                         .arg(path, QString::fromStdString(error_text(rc)));
        return nullptr;
    }
    return ctx;
}

CodecPtr open_decoder(const AVStream* st, int threads, QString* error, bool frame_threads)
{
    const AVCodecParameters* par = st->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) {
        if (error)
            *error = translated("没有编码 %1 的解码器。")
                         .arg(QString::fromUtf8(avcodec_get_name(par->codec_id)));
        return nullptr;
    }
    CodecPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), par) < 0) {
        if (error)
            *error = translated("无法设置解码器。");
        return nullptr;
    }
    ctx->thread_count = threads;
    if (!frame_threads)
        ctx->thread_type = FF_THREAD_SLICE;
    ctx->pkt_timebase = st->time_base;
    const int rc = avcodec_open2(ctx.get(), codec, nullptr);
    if (rc < 0) {
        if (error)
            *error = translated("无法打开 %1 解码器：%2。")
                         .arg(QString::fromUtf8(codec->name), QString::fromStdString(error_text(rc)));
        return nullptr;
    }
    return ctx;
}

Time to_time(int64_t value, AVRational tb)
{
    if (value == AV_NOPTS_VALUE || tb.num <= 0 || tb.den <= 0)
        return Time::invalid();
    if (tb.num == 1)
        return Time::make(value, tb.den);
    // Keep the exact value when the rescaled timescale still fits.
    const int64_t scale = static_cast<int64_t>(tb.den);
    if (value <= std::numeric_limits<int64_t>::max() / tb.num &&
        value >= std::numeric_limits<int64_t>::min() / tb.num && scale <= INT32_MAX)
        return Time::make(value * tb.num, static_cast<int32_t>(scale));
    return Time::make(av_rescale_q(value, tb, AVRational{1, 90000}), 90000);
}

int64_t from_time(const Time& t, AVRational tb)
{
    if (t.is_positive_infinity())
        return std::numeric_limits<int64_t>::max();
    if (t.is_negative_infinity())
        return std::numeric_limits<int64_t>::min();
    if (!t.is_numeric())
        return AV_NOPTS_VALUE;
    return av_rescale_q(t.value, AVRational{1, t.timescale}, tb);
}

bool is_hidden_stream(const AVStream* st)
{
    return (st->disposition & AV_DISPOSITION_ATTACHED_PIC) ||
           st->codecpar->codec_type == AVMEDIA_TYPE_ATTACHMENT;
}

bool is_pcm(AVCodecID id)
{
    const AVCodecDescriptor* desc = avcodec_descriptor_get(id);
    return desc && desc->name && std::string_view(desc->name).starts_with("pcm_");
}

}  // namespace media::av
