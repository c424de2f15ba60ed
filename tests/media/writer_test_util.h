#pragma once

// Helpers of the writer tests: synthetic samples, a driver that feeds writer inputs the way
// the pipeline does, and a probe of written files.

#include <QVariantMap>
#include <gtest/gtest.h>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/media/writer.h"

namespace writertest {

// A picture of the size and format with a pattern that moves with index.
media::SampleBufferRef video_sample(int index, int width, int height, AVPixelFormat format,
                                    media::Time frame_duration);
// 1024 frames of a stereo sine, interleaved float, starting at sample index * 1024.
media::SampleBufferRef audio_sample(int index, int rate = 44100, int channels = 2);
// A stored timecode sample holding frame_number (tmcd, 32-bit big-endian).
media::SampleBufferRef timecode_sample(uint32_t frame_number, media::Time frame_duration,
                                       uint32_t quanta, bool drop_frame);

// Gives the next sample of one input, or nullptr at its end.
using Producer = std::function<media::SampleBufferRef()>;
Producer video_frames(int count, int width, int height, AVPixelFormat format = AV_PIX_FMT_YUV420P,
                      media::Time frame_duration = media::Time::make(1, 25));
Producer audio_buffers(double seconds, int rate = 44100, int channels = 2);
Producer samples(std::vector<media::SampleBufferRef> list);

struct Feed {
    media::AssetWriterInputRef input;
    Producer next;
};

// Feeds every input from its producer on one serial queue, like the pipeline's sample loops
// (append while ready; mark finished at the end, or once the writer stops writing), then
// finishes the writer. on_sample runs on the queue after each append (for cancels).
media::AssetWriter::Status run(const media::AssetWriterRef& writer, const std::vector<Feed>& feeds,
                               const std::function<void(int appended)>& on_sample = {});

struct Packet {
    int stream;
    int64_t pos;
    double dts;
};
struct StreamInfo {
    std::string type;   // "video", "audio", "data"
    std::string codec;
    std::string tag;    // four characters
    int width = 0, height = 0;
    std::string pix_fmt;
    int sample_rate = 0, channels = 0;
    int packets = 0;
    double duration = 0;  // seconds
    double start = 0;     // seconds
    std::map<std::string, std::string> tags;
};
struct FileInfo {
    bool opened = false;
    std::string format;
    std::vector<StreamInfo> streams;
    std::vector<Packet> packets;  // in file order
    std::map<std::string, std::string> tags;
    const StreamInfo* first(const std::string& type) const;
    // Longest time between neighbouring audio and video packets in file order, seconds.
    double worst_interleave_gap() const;
};
FileInfo probe(const std::string& path);

// The luma plane of the first video frame, row by row (empty when it cannot be decoded).
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> luma;
    int at(int x, int y) const { return luma[static_cast<size_t>(y) * width + x]; }
};
Picture first_picture(const std::string& path);

// Top-level box types of an ISO media file, in order.
std::vector<std::string> top_level_boxes(const std::string& path);

QVariantMap h264_settings(int width, int height, int bit_rate = 0);
QVariantMap aac_settings(int rate = 48000, int channels = 2);
QVariantMap lpcm_settings(int bits, const QVariant& is_float, const QVariant& big_endian);

bool exists(const std::string& path);

// A video codec written to a file type, and what a probe of the file must find.
struct CodecCase {
    const char* codec_type;
    const char* file_type;
    const char* codec;
    const char* tag;  // four characters; empty: not checked
};
// The codecs that both QuickTime and MPEG-4 files hold, between before and after.
std::vector<CodecCase> with_codec_cases(std::vector<CodecCase> before, const std::vector<CodecCase>& after);
// Test names: the codec type and the file type's last part, e.g. "avc1_quicktime_movie".
std::string case_name(const testing::TestParamInfo<CodecCase>& info);

}  // namespace writertest
