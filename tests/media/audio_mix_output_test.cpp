#include <gtest/gtest.h>

#include <set>

#include "reader_test_util.h"

using namespace media;
using namespace mediatest;

namespace {

struct Pcm {
    int rate = 0, channels = 0;
    std::vector<float> samples;  // interleaved
    bool contiguous = true;
    std::set<int> source_formats;  // of the buffers as they were made
};

Pcm mix(const char* name, std::vector<AssetTrackRef> tracks = {},
        const TimeRange& range = TimeRange::everything())
{
    const AssetRef asset = open(name);
    if (tracks.empty())
        tracks = asset->tracks_with_media_type(AVMediaTypeAudio);
    const auto out = audio_output(tracks);
    const auto reader = start(asset, {out}, range);
    Pcm pcm;
    int64_t at = 0;
    for (const auto& s : drain(out)) {
        pcm.source_formats.insert(s->audio_source()->format);
        const auto frame = s->audio_frame();
        const AVFrame* f = frame.get();
        EXPECT_EQ(f->format, AV_SAMPLE_FMT_FLT);
        EXPECT_EQ(s->num_samples, f->nb_samples);
        pcm.rate = f->sample_rate;
        pcm.channels = f->ch_layout.nb_channels;
        pcm.contiguous = pcm.contiguous && s->presentation_time == Time::make(at, f->sample_rate);
        at += f->nb_samples;
        const auto* p = reinterpret_cast<const float*>(f->data[0]);
        pcm.samples.insert(pcm.samples.end(), p, p + f->nb_samples * pcm.channels);
    }
    EXPECT_EQ(reader->status(), AssetReader::Status::Completed);
    return pcm;
}

}  // namespace

TEST(AudioMixOutput, PcmOfOneTrack)
{
    const Pcm wav = mix("tone.wav");
    EXPECT_EQ(wav.rate, 48000);
    EXPECT_EQ(wav.channels, 1);
    EXPECT_TRUE(wav.contiguous);
    EXPECT_EQ(wav.samples.size(), 96000u);

    const Pcm mp3 = mix("cover.mp3");
    EXPECT_EQ(mp3.rate, 44100);
    EXPECT_NEAR(mp3.samples.size() / 44100.0, 2.0, 0.05);
}

// Sound with a two-second hole in its timestamps (from 2 s to 4 s): the hole is delivered as
// silence in its place, and the sound after it keeps its time.
TEST(AudioMixOutput, AHoleInTheSoundIsSilenceInItsPlace)
{
    const Pcm pcm = mix("gap_audio.m4a");
    ASSERT_GT(pcm.rate, 0);
    EXPECT_TRUE(pcm.contiguous);
    const auto level = [&](double from, double to) {
        float peak = 0;
        for (auto i = size_t(from * pcm.rate) * pcm.channels; i < size_t(to * pcm.rate) * pcm.channels; ++i)
            peak = std::max(peak, std::abs(pcm.samples.at(i)));
        return peak;
    };
    EXPECT_NEAR(double(pcm.samples.size()) / pcm.channels / pcm.rate, 6.0, 0.1);
    EXPECT_GT(level(0.5, 1.5), 0.1f);
    EXPECT_LT(level(2.2, 3.8), 0.001f);
    EXPECT_GT(level(4.5, 5.5), 0.1f);
}

TEST(AudioMixOutput, TwoTracksAreSummedAtUnityGain)
{
    const AssetRef asset = open("two_audio.mov");
    const auto tracks = asset->tracks_with_media_type(AVMediaTypeAudio);
    ASSERT_EQ(tracks.size(), 2u);
    const Pcm both = mix("two_audio.mov");
    const Pcm first = mix("two_audio.mov", {tracks[0]});
    const Pcm second = mix("two_audio.mov", {tracks[1]});
    EXPECT_TRUE(both.contiguous);
    EXPECT_EQ(both.channels, 1);
    EXPECT_NEAR(both.samples.size() / 44100.0, 3.0, 0.05);
    ASSERT_EQ(both.samples.size(), std::max(first.samples.size(), second.samples.size()));
    const size_t n = std::min(first.samples.size(), second.samples.size());
    double peak = 0;
    for (size_t i = 0; i < n; ++i) {
        ASSERT_NEAR(both.samples[i], first.samples[i] + second.samples[i], 1e-6) << i;
        peak = std::max(peak, double(std::abs(both.samples[i])));
    }
    EXPECT_GT(peak, 0.1);  // it is sound, not silence
}

TEST(AudioMixOutput, MonoAndStereoMixToStereoAtFullLevel)
{
    const AssetRef asset = open("mono_stereo.mov");
    const auto tracks = asset->tracks_with_media_type(AVMediaTypeAudio);
    ASSERT_EQ(tracks.size(), 2u);
    const Pcm both = mix("mono_stereo.mov");
    const Pcm mono = mix("mono_stereo.mov", {tracks[0]});
    const Pcm stereo = mix("mono_stereo.mov", {tracks[1]});
    EXPECT_EQ(both.channels, 2);
    EXPECT_EQ(mono.channels, 1);
    ASSERT_EQ(both.samples.size(), 2 * 48000u);
    ASSERT_EQ(stereo.samples.size(), 2 * 48000u);
    for (size_t i = 0; i < 48000; i += 7) {
        ASSERT_NEAR(both.samples[2 * i], mono.samples[i] + stereo.samples[2 * i], 1e-5) << i;
        ASSERT_NEAR(both.samples[2 * i + 1], mono.samples[i] + stereo.samples[2 * i + 1], 1e-5) << i;
    }
}

TEST(AudioMixOutput, SamplesPassedOnAsDecodedEqualTheMixedOnes)
{
    // A lone track is passed on as decoded (16-bit integers from the WAV file, planar float
    // from MP3) and converted on request; the frame that crosses the end of a range goes
    // through the mixing path instead, to be cut. Both give the same floats.
    for (const auto& [name, rate] : {std::pair{"tone.wav", 48000}, std::pair{"cover.mp3", 44100}}) {
        SCOPED_TRACE(name);
        const Pcm whole = mix(name);
        ASSERT_EQ(whole.rate, rate);
        EXPECT_EQ(whole.source_formats.count(AV_SAMPLE_FMT_FLT), 0u);
        const int64_t length = rate + 17;
        const Pcm part = mix(name, {}, TimeRange::make(Time::zero(), Time::make(length, rate)));
        EXPECT_EQ(part.source_formats.size(), 2u);
        EXPECT_EQ(part.source_formats.count(AV_SAMPLE_FMT_FLT), 1u);
        EXPECT_TRUE(part.contiguous);
        ASSERT_EQ(part.samples.size(), size_t(length * whole.channels));
        for (size_t i = 0; i < part.samples.size(); ++i)
            ASSERT_EQ(part.samples[i], whole.samples[i]) << i;
    }
}
