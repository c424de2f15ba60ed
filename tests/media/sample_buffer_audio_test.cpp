#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/media/sample_buffer.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

using media::SampleBuffer;

namespace {

constexpr int kSamples = 64;
constexpr int kChannels = 2;

// The value of sample i of channel c, in [-1, 1), exactly representable in every format.
double value(int i, int c)
{
    return (i * 37 + c * 1000 - 2000) / 4096.0;
}

// A stereo frame of the test values in the given sample format.
std::shared_ptr<AVFrame> frame_of(AVSampleFormat format)
{
    auto f = media::share_frame(av_frame_alloc());
    f->format = format;
    f->nb_samples = kSamples;
    f->sample_rate = 48000;
    av_channel_layout_default(&f->ch_layout, kChannels);
    if (av_frame_get_buffer(f.get(), 0) < 0)
        return nullptr;
    const bool planar = av_sample_fmt_is_planar(format);
    for (int i = 0; i < kSamples; ++i)
        for (int c = 0; c < kChannels; ++c) {
            const double v = value(i, c);
            const int at = planar ? i : i * kChannels + c;
            uint8_t* plane = f->extended_data[planar ? c : 0];
            switch (av_get_packed_sample_fmt(format)) {
            case AV_SAMPLE_FMT_S16:
                reinterpret_cast<int16_t*>(plane)[at] = static_cast<int16_t>(v * 32768);
                break;
            case AV_SAMPLE_FMT_S32:
                reinterpret_cast<int32_t*>(plane)[at] = static_cast<int32_t>(v * 2147483648.0);
                break;
            case AV_SAMPLE_FMT_FLT:
                reinterpret_cast<float*>(plane)[at] = static_cast<float>(v);
                break;
            case AV_SAMPLE_FMT_DBL:
                reinterpret_cast<double*>(plane)[at] = v;
                break;
            default:
                return nullptr;
            }
        }
    return f;
}

}  // namespace

TEST(SampleBufferAudio, ConvertedOnRequestToInterleavedFloatFromAnyFormat)
{
    for (const AVSampleFormat format : {AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_S32, AV_SAMPLE_FMT_FLT, AV_SAMPLE_FMT_DBL,
                                        AV_SAMPLE_FMT_S16P, AV_SAMPLE_FMT_S32P, AV_SAMPLE_FMT_FLTP,
                                        AV_SAMPLE_FMT_DBLP}) {
        SCOPED_TRACE(av_get_sample_fmt_name(format));
        const auto source = frame_of(format);
        ASSERT_TRUE(source);
        SampleBuffer sample;
        sample.set_audio(source);
        // The source stays as it was made, for an encoder to convert from once.
        EXPECT_EQ(sample.audio_source().get(), source.get());

        const auto pcm = sample.audio_frame();
        ASSERT_TRUE(pcm);
        EXPECT_EQ(pcm->format, AV_SAMPLE_FMT_FLT);
        EXPECT_EQ(pcm->nb_samples, kSamples);
        EXPECT_EQ(pcm->sample_rate, 48000);
        EXPECT_EQ(pcm->ch_layout.nb_channels, kChannels);
        const auto* p = reinterpret_cast<const float*>(pcm->data[0]);
        for (int i = 0; i < kSamples; ++i)
            for (int c = 0; c < kChannels; ++c)
                ASSERT_EQ(p[i * kChannels + c], static_cast<float>(value(i, c))) << i << " " << c;

        // Converted once: copies of the buffer, and later requests, share the result.
        const SampleBuffer copy = sample;
        EXPECT_EQ(copy.audio_frame().get(), pcm.get());
        EXPECT_EQ(sample.audio_frame().get(), pcm.get());
    }
}

TEST(SampleBufferAudio, NoAudioGivesNoFrames)
{
    const SampleBuffer sample;
    EXPECT_FALSE(sample.audio_source());
    EXPECT_FALSE(sample.audio_frame());
}
