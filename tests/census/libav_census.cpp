#include "libav_census.h"

#include <atomic>
#include <type_traits>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/buffer.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace {

std::atomic<long> g_formats{0}, g_codecs{0}, g_scalers{0}, g_resamplers{0}, g_pools{0};

// Counts an allocation that a call left in *slot, and a context it freed from it.
template <class T>
void count_change(std::atomic<long>& counter, const T* before, const T* after)
{
    if (!before && after)
        ++counter;
    else if (before && !after)
        --counter;
}

// Makes a call that opens or frees the context in *slot, and counts what it did.
template <class T, class Call>
auto counted(std::atomic<long>& counter, T** slot, Call call)
{
    const T* before = slot ? *slot : nullptr;
    if constexpr (std::is_void_v<decltype(call())>) {
        call();
        count_change<T>(counter, before, slot ? *slot : nullptr);
    } else {
        const auto rc = call();
        count_change<T>(counter, before, slot ? *slot : nullptr);
        return rc;
    }
}

}  // namespace

extern "C" {

int __real_avformat_open_input(AVFormatContext** ps, const char* url, const AVInputFormat* fmt, AVDictionary** options);
void __real_avformat_close_input(AVFormatContext** s);
int __real_avformat_alloc_output_context2(AVFormatContext** ctx, const AVOutputFormat* oformat,
                                          const char* format_name, const char* filename);
void __real_avformat_free_context(AVFormatContext* s);
AVCodecContext* __real_avcodec_alloc_context3(const AVCodec* codec);
void __real_avcodec_free_context(AVCodecContext** avctx);
SwsContext* __real_sws_alloc_context(void);
SwsContext* __real_sws_getContext(int srcW, int srcH, enum AVPixelFormat srcFormat, int dstW, int dstH,
                                  enum AVPixelFormat dstFormat, int flags, SwsFilter* srcFilter, SwsFilter* dstFilter,
                                  const double* param);
void __real_sws_freeContext(SwsContext* c);
int __real_swr_alloc_set_opts2(SwrContext** ps, const AVChannelLayout* out_ch_layout, enum AVSampleFormat out_sample_fmt,
                               int out_sample_rate, const AVChannelLayout* in_ch_layout,
                               enum AVSampleFormat in_sample_fmt, int in_sample_rate, int log_offset, void* log_ctx);
void __real_swr_free(SwrContext** s);
AVBufferPool* __real_av_buffer_pool_init(size_t size, AVBufferRef* (*alloc)(size_t size));
void __real_av_buffer_pool_uninit(AVBufferPool** pool);

int __wrap_avformat_open_input(AVFormatContext** ps, const char* url, const AVInputFormat* fmt, AVDictionary** options)
{
    return counted(g_formats, ps, [&] { return __real_avformat_open_input(ps, url, fmt, options); });
}

void __wrap_avformat_close_input(AVFormatContext** s)
{
    counted(g_formats, s, [&] { __real_avformat_close_input(s); });
}

int __wrap_avformat_alloc_output_context2(AVFormatContext** ctx, const AVOutputFormat* oformat,
                                          const char* format_name, const char* filename)
{
    return counted(g_formats, ctx,
                   [&] { return __real_avformat_alloc_output_context2(ctx, oformat, format_name, filename); });
}

void __wrap_avformat_free_context(AVFormatContext* s)
{
    count_change<AVFormatContext>(g_formats, s, nullptr);
    __real_avformat_free_context(s);
}

AVCodecContext* __wrap_avcodec_alloc_context3(const AVCodec* codec)
{
    AVCodecContext* c = __real_avcodec_alloc_context3(codec);
    count_change<AVCodecContext>(g_codecs, nullptr, c);
    return c;
}

void __wrap_avcodec_free_context(AVCodecContext** avctx)
{
    counted(g_codecs, avctx, [&] { __real_avcodec_free_context(avctx); });
}

SwsContext* __wrap_sws_alloc_context(void)
{
    SwsContext* c = __real_sws_alloc_context();
    count_change<SwsContext>(g_scalers, nullptr, c);
    return c;
}

SwsContext* __wrap_sws_getContext(int srcW, int srcH, enum AVPixelFormat srcFormat, int dstW, int dstH,
                                  enum AVPixelFormat dstFormat, int flags, SwsFilter* srcFilter, SwsFilter* dstFilter,
                                  const double* param)
{
    SwsContext* c =
        __real_sws_getContext(srcW, srcH, srcFormat, dstW, dstH, dstFormat, flags, srcFilter, dstFilter, param);
    count_change<SwsContext>(g_scalers, nullptr, c);
    return c;
}

void __wrap_sws_freeContext(SwsContext* c)
{
    count_change<SwsContext>(g_scalers, c, nullptr);
    __real_sws_freeContext(c);
}

int __wrap_swr_alloc_set_opts2(SwrContext** ps, const AVChannelLayout* out_ch_layout, enum AVSampleFormat out_sample_fmt,
                               int out_sample_rate, const AVChannelLayout* in_ch_layout,
                               enum AVSampleFormat in_sample_fmt, int in_sample_rate, int log_offset, void* log_ctx)
{
    return counted(g_resamplers, ps, [&] {
        return __real_swr_alloc_set_opts2(ps, out_ch_layout, out_sample_fmt, out_sample_rate, in_ch_layout,
                                          in_sample_fmt, in_sample_rate, log_offset, log_ctx);
    });
}

void __wrap_swr_free(SwrContext** s)
{
    counted(g_resamplers, s, [&] { __real_swr_free(s); });
}

AVBufferPool* __wrap_av_buffer_pool_init(size_t size, AVBufferRef* (*alloc)(size_t size))
{
    AVBufferPool* pool = __real_av_buffer_pool_init(size, alloc);
    count_change<AVBufferPool>(g_pools, nullptr, pool);
    return pool;
}

void __wrap_av_buffer_pool_uninit(AVBufferPool** pool)
{
    counted(g_pools, pool, [&] { __real_av_buffer_pool_uninit(pool); });
}

}  // extern "C"

namespace census {

std::string LibavContexts::text() const
{
    return "formats " + std::to_string(formats) + ", codecs " + std::to_string(codecs) + ", scalers " +
           std::to_string(scalers) + ", resamplers " + std::to_string(resamplers) + ", buffer pools " +
           std::to_string(buffer_pools);
}

LibavContexts libav_contexts()
{
    return {g_formats.load(), g_codecs.load(), g_scalers.load(), g_resamplers.load(), g_pools.load()};
}

}  // namespace census
