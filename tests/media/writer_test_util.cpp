#include "writer_test_util.h"

#include <QFile>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <memory>

#include "platform/dispatch/queue.h"
#include "platform/foundation/files.h"
#include "support/support.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
}

using namespace media;

namespace writertest {

SampleBufferRef video_sample(int index, int width, int height, AVPixelFormat format, Time frame_duration)
{
    auto buffer = PixelBuffer::create(width, height, format);
    if (!buffer)
        return nullptr;
    AVFrame* f = buffer->frame();
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    // Fill every plane's bytes with a gradient that moves with the index.
    for (int p = 0; p < 4 && f->data[p]; ++p) {
        const int h = (p == 1 || p == 2) ? AV_CEIL_RSHIFT(height, d->log2_chroma_h) : height;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < f->linesize[p]; ++x)
                f->data[p][y * f->linesize[p] + x] = static_cast<uint8_t>((x + y + index * 4) & 0x7f) + 40;
    }
    auto s = std::make_shared<SampleBuffer>();
    s->image_buffer = buffer;
    s->presentation_time = Time::make(frame_duration.value * index, frame_duration.timescale);
    s->duration = frame_duration;
    s->num_samples = 1;
    return s;
}

SampleBufferRef audio_sample(int index, int rate, int channels)
{
    constexpr int kFrames = 1024;
    AVFrame* f = av_frame_alloc();
    f->format = AV_SAMPLE_FMT_FLT;
    f->sample_rate = rate;
    f->nb_samples = kFrames;
    av_channel_layout_default(&f->ch_layout, channels);
    if (av_frame_get_buffer(f, 0) < 0) {
        av_frame_free(&f);
        return nullptr;
    }
    auto* data = reinterpret_cast<float*>(f->data[0]);
    for (int i = 0; i < kFrames; ++i) {
        const double t = static_cast<double>(index * kFrames + i) / rate;
        for (int c = 0; c < channels; ++c)
            data[i * channels + c] = static_cast<float>(0.3 * std::sin(2 * M_PI * 440 * t));
    }
    auto s = std::make_shared<SampleBuffer>();
    s->set_audio(share_frame(f));
    s->presentation_time = Time::make(int64_t(index) * kFrames, rate);
    s->duration = Time::make(kFrames, rate);
    s->num_samples = kFrames;
    return s;
}

SampleBufferRef timecode_sample(uint32_t frame_number, Time frame_duration, uint32_t quanta, bool drop_frame)
{
    AVPacket* pkt = av_packet_alloc();
    if (av_new_packet(pkt, 4) < 0) {
        av_packet_free(&pkt);
        return nullptr;
    }
    for (int i = 0; i < 4; ++i)
        pkt->data[i] = static_cast<uint8_t>(frame_number >> (24 - 8 * i));
    auto desc = std::make_shared<FormatDescription>();
    desc->media_type = AVMediaTypeTimecode;
    desc->media_subtype = kCMTimeCodeFormatType_TimeCode32;
    desc->timecode_flags = drop_frame ? kCMTimeCodeFlag_DropFrame : 0;
    desc->frame_duration = frame_duration;
    desc->frame_quanta = quanta;
    auto s = std::make_shared<SampleBuffer>();
    s->data_packet = share_packet(pkt);
    s->format_description = desc;
    s->presentation_time = Time::zero();
    s->duration = frame_duration;
    s->num_samples = 1;
    return s;
}

Producer video_frames(int count, int width, int height, AVPixelFormat format, Time frame_duration)
{
    auto i = std::make_shared<int>(0);
    return [=]() -> SampleBufferRef {
        return *i < count ? video_sample((*i)++, width, height, format, frame_duration) : nullptr;
    };
}

Producer audio_buffers(double seconds, int rate, int channels)
{
    const int count = static_cast<int>(std::ceil(seconds * rate / 1024));
    auto i = std::make_shared<int>(0);
    return [=]() -> SampleBufferRef { return *i < count ? audio_sample((*i)++, rate, channels) : nullptr; };
}

Producer samples(std::vector<SampleBufferRef> list)
{
    auto rest = std::make_shared<std::vector<SampleBufferRef>>(std::move(list));
    auto i = std::make_shared<size_t>(0);
    return [=]() -> SampleBufferRef { return *i < rest->size() ? (*rest)[(*i)++] : nullptr; };
}

AssetWriter::Status run(const AssetWriterRef& writer, const std::vector<Feed>& feeds,
                        const std::function<void(int)>& on_sample)
{
    const auto queue = dispatch::Queue::serial("writer-test-input");
    auto done = std::make_shared<std::atomic<int>>(0);
    auto appended = std::make_shared<int>(0);
    for (const Feed& feed : feeds) {
        auto input = feed.input;
        auto next = feed.next;
        auto finished = std::make_shared<bool>(false);
        input->request_media_data_when_ready(queue, [=] {
            while (!*finished && input->is_ready_for_more_media_data()) {
                SampleBufferRef s = writer->status() == AssetWriter::Status::Writing ? next() : nullptr;
                if (!s || !input->append_sample_buffer(*s)) {
                    input->mark_as_finished();
                    *finished = true;
                    ++*done;
                    return;
                }
                ++*appended;
                if (on_sample)
                    on_sample(*appended);
            }
        });
    }
    const int n = static_cast<int>(feeds.size());
    if (!testsupport::pump_until([&] { return *done == n; }, std::chrono::seconds(120)))
        return AssetWriter::Status::Unknown;
    auto completed = std::make_shared<std::atomic<int>>(0);
    writer->finish_writing([completed] { ++*completed; });
    if (!testsupport::pump_until([&] { return *completed > 0; }, std::chrono::seconds(120)))
        return AssetWriter::Status::Unknown;
    return writer->status();
}

const StreamInfo* FileInfo::first(const std::string& type) const
{
    for (const StreamInfo& s : streams)
        if (s.type == type)
            return &s;
    return nullptr;
}

double FileInfo::worst_interleave_gap() const
{
    double worst = 0;
    double last_time[2] = {NAN, NAN};  // video, audio
    for (const Packet& p : packets) {
        const std::string& type = streams[p.stream].type;
        const int k = type == "video" ? 0 : type == "audio" ? 1 : -1;
        if (k < 0)
            continue;
        last_time[k] = p.dts;
        if (!std::isnan(last_time[1 - k]))
            worst = std::max(worst, std::fabs(last_time[k] - last_time[1 - k]));
    }
    return worst;
}

FileInfo probe(const std::string& path)
{
    FileInfo info;
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
        return info;
    if (avformat_find_stream_info(ctx, nullptr) < 0) {
        avformat_close_input(&ctx);
        return info;
    }
    info.opened = true;
    info.format = ctx->iformat->name;
    const AVDictionaryEntry* e = nullptr;
    while ((e = av_dict_get(ctx->metadata, "", e, AV_DICT_IGNORE_SUFFIX)))
        info.tags[e->key] = e->value;
    std::vector<int64_t> first_ts(ctx->nb_streams, AV_NOPTS_VALUE), end_ts(ctx->nb_streams, AV_NOPTS_VALUE);
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* st = ctx->streams[i];
        StreamInfo s;
        const AVCodecParameters* par = st->codecpar;
        s.type = par->codec_type == AVMEDIA_TYPE_VIDEO ? "video"
                 : par->codec_type == AVMEDIA_TYPE_AUDIO ? "audio"
                                                          : "data";
        s.codec = avcodec_get_name(par->codec_id);
        char tag[AV_FOURCC_MAX_STRING_SIZE] = {};
        av_fourcc_make_string(tag, par->codec_tag);
        s.tag = tag;
        s.width = par->width;
        s.height = par->height;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO && par->format >= 0)
            s.pix_fmt = av_get_pix_fmt_name(static_cast<AVPixelFormat>(par->format));
        s.sample_rate = par->sample_rate;
        s.channels = par->ch_layout.nb_channels;
        while ((e = av_dict_get(st->metadata, "", e, AV_DICT_IGNORE_SUFFIX)))
            s.tags[e->key] = e->value;
        info.streams.push_back(s);
    }
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(ctx, pkt) >= 0) {
        const int i = pkt->stream_index;
        const AVRational tb = ctx->streams[i]->time_base;
        StreamInfo& s = info.streams[i];
        ++s.packets;
        if (pkt->pts != AV_NOPTS_VALUE) {
            if (first_ts[i] == AV_NOPTS_VALUE || pkt->pts < first_ts[i])
                first_ts[i] = pkt->pts;
            if (end_ts[i] == AV_NOPTS_VALUE || pkt->pts + pkt->duration > end_ts[i])
                end_ts[i] = pkt->pts + pkt->duration;
        }
        info.packets.push_back({i, pkt->pos, pkt->dts == AV_NOPTS_VALUE ? NAN : pkt->dts * av_q2d(tb)});
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* st = ctx->streams[i];
        if (st->start_time != AV_NOPTS_VALUE)
            info.streams[i].start = st->start_time * av_q2d(st->time_base);
        if (st->duration > 0 && st->duration != AV_NOPTS_VALUE)
            info.streams[i].duration = st->duration * av_q2d(st->time_base);
        else if (first_ts[i] != AV_NOPTS_VALUE)
            info.streams[i].duration = (end_ts[i] - std::max<int64_t>(0, first_ts[i])) * av_q2d(ctx->streams[i]->time_base);
    }
    std::stable_sort(info.packets.begin(), info.packets.end(),
                     [](const Packet& a, const Packet& b) { return a.pos < b.pos; });
    avformat_close_input(&ctx);
    return info;
}

Picture first_picture(const std::string& path)
{
    Picture pic;
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
        return pic;
    const AVCodec* codec = nullptr;
    const int index = avformat_find_stream_info(ctx, nullptr) >= 0
                          ? av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0)
                          : -1;
    AVCodecContext* dec = index >= 0 ? avcodec_alloc_context3(codec) : nullptr;
    if (dec && avcodec_parameters_to_context(dec, ctx->streams[index]->codecpar) >= 0 &&
        avcodec_open2(dec, codec, nullptr) >= 0) {
        AVPacket* pkt = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        bool got = false;
        while (!got && av_read_frame(ctx, pkt) >= 0) {
            if (pkt->stream_index == index && avcodec_send_packet(dec, pkt) >= 0)
                got = avcodec_receive_frame(dec, frame) >= 0;
            av_packet_unref(pkt);
        }
        if (!got && avcodec_send_packet(dec, nullptr) >= 0)
            got = avcodec_receive_frame(dec, frame) >= 0;
        if (got) {
            pic.width = frame->width;
            pic.height = frame->height;
            for (int y = 0; y < frame->height; ++y)
                pic.luma.insert(pic.luma.end(), frame->data[0] + y * frame->linesize[0],
                                frame->data[0] + y * frame->linesize[0] + frame->width);
        }
        av_frame_free(&frame);
        av_packet_free(&pkt);
    }
    avcodec_free_context(&dec);
    avformat_close_input(&ctx);
    return pic;
}

std::vector<std::string> top_level_boxes(const std::string& path)
{
    std::vector<std::string> boxes;
    std::ifstream in(path, std::ios::binary);
    for (;;) {
        unsigned char head[16];
        if (!in.read(reinterpret_cast<char*>(head), 8))
            break;
        uint64_t size = (uint64_t(head[0]) << 24) | (head[1] << 16) | (head[2] << 8) | head[3];
        boxes.emplace_back(reinterpret_cast<char*>(head + 4), 4);
        uint64_t header = 8;
        if (size == 1) {
            if (!in.read(reinterpret_cast<char*>(head + 8), 8))
                break;
            size = 0;
            for (int i = 8; i < 16; ++i)
                size = (size << 8) | head[i];
            header = 16;
        }
        if (size < header)
            break;
        in.seekg(static_cast<std::streamoff>(size - header), std::ios::cur);
    }
    return boxes;
}

QVariantMap h264_settings(int width, int height, int bit_rate)
{
    QVariantMap m{{AVVideoCodecKey, QString(AVVideoCodecTypeH264)},
                  {AVVideoWidthKey, width},
                  {AVVideoHeightKey, height},
                  {AVVideoScalingModeKey, QString(AVVideoScalingModeResizeAspectFill)}};
    if (bit_rate > 0)
        m.insert(AVVideoCompressionPropertiesKey, QVariantMap{{AVVideoAverageBitRateKey, bit_rate}});
    return m;
}

QVariantMap aac_settings(int rate, int channels)
{
    return {{AVFormatIDKey, kAudioFormatMPEG4AAC},
            {AVEncoderBitRateKey, 129000},
            {AVNumberOfChannelsKey, channels},
            {AVSampleRateKey, static_cast<float>(rate)}};
}

QVariantMap lpcm_settings(int bits, const QVariant& is_float, const QVariant& big_endian)
{
    return {{AVFormatIDKey, kAudioFormatLinearPCM},
            {AVLinearPCMIsBigEndianKey, big_endian},
            {AVLinearPCMIsFloatKey, is_float},
            {AVLinearPCMBitDepthKey, bits},
            {AVLinearPCMIsNonInterleaved, QString("false")},
            {AVNumberOfChannelsKey, 2},
            {AVSampleRateKey, 48000.0f}};
}

bool exists(const std::string& path) { return foundation::file_exists(QString::fromStdString(path)); }

std::vector<CodecCase> with_codec_cases(std::vector<CodecCase> before, const std::vector<CodecCase>& after)
{
    static const CodecCase common[] = {
        {AVVideoCodecTypeHEVC, AVFileTypeQuickTimeMovie, "hevc", "hvc1"},
        {AVVideoCodecTypeAppleProRes422Proxy, AVFileTypeQuickTimeMovie, "prores", "apco"},
        {AVVideoCodecTypeAppleProRes422LT, AVFileTypeQuickTimeMovie, "prores", "apcs"},
        {AVVideoCodecTypeAppleProRes422, AVFileTypeQuickTimeMovie, "prores", "apcn"},
        {AVVideoCodecTypeAppleProRes422HQ, AVFileTypeQuickTimeMovie, "prores", "apch"},
        {AVVideoCodecTypeAppleProRes4444, AVFileTypeQuickTimeMovie, "prores", "ap4h"},
        {AVVideoCodecTypeJPEG, AVFileTypeQuickTimeMovie, "mjpeg", "jpeg"},
        {AVVideoCodecTypeH264, AVFileTypeMPEG4, "h264", "avc1"},
        {AVVideoCodecTypeHEVC, AVFileTypeMPEG4, "hevc", "hvc1"},
    };
    before.insert(before.end(), std::begin(common), std::end(common));
    before.insert(before.end(), after.begin(), after.end());
    return before;
}

std::string case_name(const testing::TestParamInfo<CodecCase>& info)
{
    std::string type = info.param.file_type;
    type = type.substr(type.find_last_of('.') + 1);
    std::replace(type.begin(), type.end(), '-', '_');
    return std::string(info.param.codec_type) + "_" + type;
}

}  // namespace writertest
