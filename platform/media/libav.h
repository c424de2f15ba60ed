#pragma once

// Small helpers around the FFmpeg libraries, shared by the reading side of the media layer.

#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "time.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/buffer.h>
}

struct SwsContext;
struct SwrContext;
struct AVAudioFifo;

namespace media::av {

struct FormatCloser {
    void operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }
};
struct CodecCloser {
    void operator()(AVCodecContext* ctx) const { avcodec_free_context(&ctx); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
// An output context, which has no input to close.
struct OutputFormatFreer {
    void operator()(AVFormatContext* ctx) const { avformat_free_context(ctx); }
};
struct ScalerFreer {
    void operator()(SwsContext* ctx) const;
};
struct ResamplerFreer {
    void operator()(SwrContext* ctx) const;
};
struct AudioFifoFreer {
    void operator()(AVAudioFifo* fifo) const;
};
struct BufferPoolFreer {
    // Buffers still out keep their memory until they are released.
    void operator()(AVBufferPool* pool) const { av_buffer_pool_uninit(&pool); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatFreer>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerFreer>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerFreer>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoFreer>;
using BufferPoolPtr = std::unique_ptr<AVBufferPool, BufferPoolFreer>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;

// The library's text for an error code.
std::string error_text(int code);

// Lowers the libraries' log to errors, once: warnings about damaged files and the encoders'
// progress lines would flood the terminal.
void quiet_library_log();

// Why the system does not let the file be read, in the system's words: "No such file or
// directory", "Permission denied", "Is a directory". None when it can be opened for reading,
// and for what is neither a folder nor a regular file (open_input refuses that itself).
std::optional<QString> unreadable_file_reason(const QString& path);

// Opens a local file for demuxing and reads its stream information. Only the file protocol
// is allowed, so a crafted file cannot make the demuxer reach other files or the network.
// nullptr with a description on failure.
FormatPtr open_input(const QString& path, QString* error);

// A decoder for the stream; threads: 0 = as many as useful, 1 = none. Frame threading
// gives the best throughput; slice threading alone gives the first picture soonest.
CodecPtr open_decoder(const AVStream* st, int threads, QString* error, bool frame_threads = true);

// Stream time <-> media::Time.
Time to_time(int64_t value, AVRational time_base);
int64_t from_time(const Time& t, AVRational time_base);

// True for the stream kinds the asset ignores: cover art and attachments.
bool is_hidden_stream(const AVStream* st);

// True for the uncompressed PCM codecs, in any sample layout.
bool is_pcm(AVCodecID id);

}  // namespace media::av
