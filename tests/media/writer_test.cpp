#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>

#include <QFile>
#include <QUrl>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <thread>
#include <sys/resource.h>

#include "platform/dispatch/queue.h"
#include "support/support.h"
#include "writer_test_util.h"

using namespace media;
using namespace writertest;

namespace {

AssetWriterRef make_writer(const std::string& path, const char* type = AVFileTypeQuickTimeMovie)
{
    Error error;
    auto writer = AssetWriter::create(QUrl::fromLocalFile(QString::fromStdString(path)), type, &error);
    EXPECT_TRUE(writer) << error.description.toStdString();
    return writer;
}

AssetWriterInputRef add(const AssetWriterRef& writer, const char* type, const std::optional<QVariantMap>& settings)
{
    auto input = AssetWriterInput::create(type, settings);
    EXPECT_TRUE(writer->can_add_input(input));
    writer->add_input(input);
    return input;
}

}  // namespace

TEST(Writer, H264AndAacInMovie)
{
    testsupport::TempDir dir;
    const std::string out = dir.file("out put.mov");
    auto writer = make_writer(out);
    auto video = add(writer, AVMediaTypeVideo, h264_settings(320, 240, 1000000));
    auto audio = add(writer, AVMediaTypeAudio, aac_settings(48000, 2));
    ASSERT_TRUE(writer->start_writing());
    writer->start_session_at_source_time(Time::zero());
    // While it is written, the file has a hidden name that keeps the extension.
    std::vector<std::string> while_writing;
    ASSERT_EQ(run(writer, {{video, video_frames(75, 320, 240)}, {audio, audio_buffers(3.0)}},
                  [&](int appended) {
                      if (appended == 40)
                          while_writing = testsupport::entries(dir.path());
                  }),
              AssetWriter::Status::Completed);
    EXPECT_FALSE(writer->error());
    ASSERT_EQ(while_writing.size(), 1u);
    EXPECT_EQ(while_writing[0].rfind(".out put.converting-", 0), 0u) << while_writing[0];
    EXPECT_TRUE(QString::fromStdString(while_writing[0]).endsWith(".mov"));
    EXPECT_TRUE(writer->created_output_file());
    EXPECT_EQ(testsupport::entries(dir.path()), std::vector<std::string>{"out put.mov"});

    const FileInfo info = probe(out);
    ASSERT_TRUE(info.opened);
    const StreamInfo* v = info.first("video");
    const StreamInfo* a = info.first("audio");
    ASSERT_TRUE(v && a);
    EXPECT_EQ(v->codec, "h264");
    EXPECT_EQ(v->tag, "avc1");
    EXPECT_EQ(v->width, 320);
    EXPECT_EQ(v->height, 240);
    EXPECT_EQ(v->packets, 75);
    EXPECT_NEAR(v->duration, 3.0, 0.04);
    EXPECT_EQ(a->codec, "aac");
    EXPECT_EQ(a->sample_rate, 48000);
    EXPECT_EQ(a->channels, 2);
    EXPECT_NEAR(a->duration, 3.0, 0.05);
    EXPECT_LE(info.worst_interleave_gap(), 1.0);
}

TEST(Writer, SessionStartBecomesTheFileStart)
{
    testsupport::TempDir dir;
    const std::string out = dir.file("later.mov");
    auto writer = make_writer(out);
    auto video = add(writer, AVMediaTypeVideo, h264_settings(320, 240));
    auto audio = add(writer, AVMediaTypeAudio, aac_settings(44100, 2));
    ASSERT_TRUE(writer->start_writing());
    writer->start_session_at_source_time(Time::make(10, 1));
    // One second of samples from 10 s on.
    std::vector<SampleBufferRef> frames, buffers;
    for (int i = 250; i < 275; ++i)
        frames.push_back(video_sample(i, 320, 240, AV_PIX_FMT_YUV420P, Time::make(1, 25)));
    for (int i = 0; i < 43; ++i) {
        buffers.push_back(audio_sample(i));
        buffers.back()->presentation_time = Time::make(441000 + i * 1024, 44100);
    }
    ASSERT_EQ(run(writer, {{video, samples(frames)}, {audio, samples(buffers)}}), AssetWriter::Status::Completed);
    const FileInfo info = probe(out);
    ASSERT_TRUE(info.first("video") && info.first("audio"));
    EXPECT_NEAR(info.first("video")->start, 0.0, 1e-3);
    EXPECT_NEAR(info.first("video")->duration, 1.0, 0.04);
    EXPECT_NEAR(info.first("audio")->start, 0.0, 1e-3);
    EXPECT_NEAR(info.first("audio")->duration, 1.0, 0.05);
}

class WriterCodecs : public testing::TestWithParam<CodecCase> {};

TEST_P(WriterCodecs, EncodesFramesAtTheSettingsSize)
{
    const CodecCase c = GetParam();
    testsupport::TempDir dir;
    const std::string out = dir.file("out");
    auto writer = make_writer(out, c.file_type);
    QVariantMap settings{{AVVideoCodecKey, QString(c.codec_type)}, {AVVideoWidthKey, 160}, {AVVideoHeightKey, 120.0}};
    ASSERT_TRUE(writer->can_apply_output_settings(settings, AVMediaTypeVideo));
    auto video = add(writer, AVMediaTypeVideo, settings);
    ASSERT_TRUE(writer->start_writing());
    // Frames of another size and pixel format are converted for the encoder.
    ASSERT_EQ(run(writer, {{video, video_frames(20, 320, 240, AV_PIX_FMT_YUV422P10LE)}}),
              AssetWriter::Status::Completed);
    const FileInfo info = probe(out);
    const StreamInfo* v = info.first("video");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->codec, c.codec);
    if (*c.tag) {
        EXPECT_EQ(v->tag, c.tag);
    }
    EXPECT_EQ(v->width, 160);
    EXPECT_EQ(v->height, 120);
    EXPECT_EQ(v->packets, 20);
    EXPECT_NEAR(v->duration, 0.8, 0.04);
}

INSTANTIATE_TEST_SUITE_P(
    All, WriterCodecs,
    testing::ValuesIn(with_codec_cases({}, {CodecCase{AVVideoCodecTypeH264, AVFileTypeAppleM4V, "h264", ""},
                                            CodecCase{AVVideoCodecTypeH264, AVFileType3GPP, "h264", ""}})),
    case_name);

TEST(Writer, SizeComesFromTheFirstFrameOrIsRoundedToEven)
{
    testsupport::TempDir dir;
    struct Case {
        QVariant width, height;
        int want_width, want_height;
    };
    for (const Case& c : {Case{0, 0, 200, 150}, Case{QVariant(), QVariant(), 200, 150}, Case{321, 241.0, 322, 242}}) {
        const std::string out = dir.file("size.mov");
        QFile::remove(QString::fromStdString(out));
        auto writer = make_writer(out);
        QVariantMap settings{{AVVideoCodecKey, QString(AVVideoCodecTypeH264)}};
        if (c.width.isValid())
            settings.insert(AVVideoWidthKey, c.width);
        if (c.height.isValid())
            settings.insert(AVVideoHeightKey, c.height);
        auto video = add(writer, AVMediaTypeVideo, settings);
        ASSERT_TRUE(writer->start_writing());
        ASSERT_EQ(run(writer, {{video, video_frames(5, 200, 150)}}), AssetWriter::Status::Completed);
        const FileInfo info = probe(out);
        const StreamInfo* v = info.first("video");
        ASSERT_TRUE(v);
        EXPECT_EQ(v->width, c.want_width);
        EXPECT_EQ(v->height, c.want_height);
    }
}

TEST(Writer, ScalingModesCutFrameOrStretchAPictureOfAnotherShape)
{
    // 320x240 grey with a white band over the top 30 rows, into 320x180.
    auto banded = [] {
        auto s = video_sample(0, 320, 240, AV_PIX_FMT_YUV420P, Time::make(1, 25));
        AVFrame* f = s->image_buffer->frame();
        for (int p = 0; p < 3; ++p) {
            const int h = p ? 120 : 240;
            for (int y = 0; y < h; ++y)
                memset(f->data[p] + y * f->linesize[p], p == 0 && y < 30 ? 235 : 128, p ? 160 : 320);
        }
        return s;
    };
    testsupport::TempDir dir;
    struct Case {
        const char* mode;
        int top_row;     // luma of the top row, centre column
        int left_column; // luma of the left column, middle row
    };
    for (const Case& c : {Case{AVVideoScalingModeResizeAspectFill, 128, 128},  // band cut away
                          Case{AVVideoScalingModeResizeAspect, 235, 16},       // bars left and right
                          Case{AVVideoScalingModeResize, 235, 128}}) {         // band squeezed
        SCOPED_TRACE(c.mode);
        const std::string out = dir.file(std::string(c.mode) + ".mov");
        auto writer = make_writer(out);
        QVariantMap settings = h264_settings(320, 180);
        settings.insert(AVVideoScalingModeKey, QString(c.mode));
        auto video = add(writer, AVMediaTypeVideo, settings);
        ASSERT_TRUE(writer->start_writing());
        ASSERT_EQ(run(writer, {{video, samples({banded()})}}), AssetWriter::Status::Completed);
        const Picture pic = first_picture(out);
        ASSERT_EQ(pic.width, 320);
        ASSERT_EQ(pic.height, 180);
        EXPECT_NEAR(pic.at(160, 1), c.top_row, 6);
        EXPECT_NEAR(pic.at(1, 90), c.left_column, 6);
    }
}

// A fitted picture reaches the frame's edges where it fills it and sits centred between clean
// bars of the same size: a picture one sample narrower than the frame (an odd source width
// rounded up to an even frame) leaves no black column; 320x180 in 176x176 gets bars of 38 rows
// on both sides (the exact picture is 99 rows high); the bar right of a picture is black from
// its first column.
TEST(Writer, FittedPictureIsCentredAndLeavesNoBlackEdge)
{
    auto grey = [](int width, int height) {
        auto s = video_sample(0, width, height, AV_PIX_FMT_YUV420P, Time::make(1, 25));
        AVFrame* f = s->image_buffer->frame();
        for (int p = 0; p < 3; ++p)
            for (int y = 0; y < (p ? (height + 1) / 2 : height); ++y)
                memset(f->data[p] + y * f->linesize[p], p ? 128 : 200, p ? (width + 1) / 2 : width);
        return s;
    };
    // Black rows (or columns) at each end of the picture's middle column (or row).
    auto black_ends = [](const Picture& pic, bool rows) {
        const int n = rows ? pic.height : pic.width;
        auto luma = [&](int i) { return rows ? pic.at(pic.width / 2, i) : pic.at(i, pic.height / 2); };
        int first = 0, last = 0;
        while (first < n && luma(first) < 108)
            ++first;
        while (last < n && luma(n - 1 - last) < 108)
            ++last;
        return std::pair{first, last};
    };
    testsupport::TempDir dir;
    struct Case {
        int src_w, src_h, dst_w, dst_h;
        bool rows;
        int bar;
    };
    for (const Case& c : {Case{319, 240, 320, 240, false, 0}, Case{320, 180, 176, 176, true, 38},
                          Case{176, 176, 320, 180, false, 70}}) {
        SCOPED_TRACE(std::to_string(c.src_w) + "x" + std::to_string(c.src_h));
        const std::string out = dir.file("fit" + std::to_string(c.src_w) + "x" + std::to_string(c.src_h) + ".mov");
        auto writer = make_writer(out);
        QVariantMap settings = h264_settings(c.dst_w, c.dst_h);
        settings.insert(AVVideoScalingModeKey, QString(AVVideoScalingModeResizeAspect));
        auto video = add(writer, AVMediaTypeVideo, settings);
        ASSERT_TRUE(writer->start_writing());
        ASSERT_EQ(run(writer, {{video, samples({grey(c.src_w, c.src_h)})}}), AssetWriter::Status::Completed);
        const Picture pic = first_picture(out);
        ASSERT_EQ(pic.width, c.dst_w);
        ASSERT_EQ(pic.height, c.dst_h);
        EXPECT_EQ(black_ends(pic, c.rows), std::pair(c.bar, c.bar));
        EXPECT_EQ(black_ends(pic, !c.rows), std::pair(0, 0));
    }
}

TEST(Writer, LinearPcmFollowsTheFlagsAndTheContainer)
{
    testsupport::TempDir dir;
    struct Case {
        const char* file_type;
        int bits;
        QVariant is_float, big_endian;
        const char* codec;
    };
    const Case cases[] = {
        {AVFileTypeQuickTimeMovie, 24, QString("false"), QString("false"), "pcm_s24le"},
        {AVFileTypeQuickTimeMovie, 24, false, QString("true"), "pcm_s24be"},
        {AVFileTypeQuickTimeMovie, 32, QString("true"), false, "pcm_f32le"},
        {AVFileTypeQuickTimeMovie, 16, false, true, "pcm_s16be"},
        {AVFileTypeWAVE, 24, QString("false"), QString("true"), "pcm_s24le"},
        {AVFileTypeWAVE, 8, QString("false"), QString("false"), "pcm_u8"},
        {AVFileTypeAIFF, 16, QString("false"), QString("false"), "pcm_s16be"},
        {AVFileTypeCoreAudioFormat, 24, QString("false"), QString("false"), "pcm_s24le"},
        {AVFileTypeSunAU, 16, QString("false"), QString("false"), "pcm_s16be"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codec);
        const std::string out = dir.file("pcm" + std::to_string(n++));
        auto writer = make_writer(out, c.file_type);
        auto audio = add(writer, AVMediaTypeAudio, lpcm_settings(c.bits, c.is_float, c.big_endian));
        ASSERT_TRUE(writer->start_writing());
        ASSERT_EQ(run(writer, {{audio, audio_buffers(1.0)}}), AssetWriter::Status::Completed);
        const FileInfo info = probe(out);
        const StreamInfo* a = info.first("audio");
        ASSERT_TRUE(a);
        EXPECT_EQ(a->codec, c.codec);
        EXPECT_EQ(a->sample_rate, 48000);
        EXPECT_EQ(a->channels, 2);
    }
}

TEST(Writer, AudioWithoutSettingsIsWrittenAsFloatPcm)
{
    testsupport::TempDir dir;
    const std::string out = dir.file("raw.mov");
    auto writer = make_writer(out);
    auto audio = add(writer, AVMediaTypeAudio, std::nullopt);
    ASSERT_TRUE(writer->start_writing());
    ASSERT_EQ(run(writer, {{audio, audio_buffers(0.5, 22050, 1)}}), AssetWriter::Status::Completed);
    const FileInfo info = probe(out);
    const StreamInfo* a = info.first("audio");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->codec, "pcm_f32le");
    EXPECT_EQ(a->sample_rate, 22050);
    EXPECT_EQ(a->channels, 1);
}

TEST(Writer, AnInputOutsideAWriterEndsItsLoop)
{
    testsupport::TempDir dir;
    auto writer = make_writer(dir.file("refused.wav"), AVFileTypeWAVE);
    // The wav writer refuses video; a loop that feeds the input anyway still comes to its end.
    auto video = AssetWriterInput::create(AVMediaTypeVideo, h264_settings(320, 240));
    ASSERT_FALSE(writer->can_add_input(video));
    auto audio = add(writer, AVMediaTypeAudio, lpcm_settings(16, false, false));
    ASSERT_TRUE(writer->start_writing());
    EXPECT_EQ(run(writer, {{video, video_frames(5, 320, 240)}, {audio, audio_buffers(0.5)}}),
              AssetWriter::Status::Completed);
    EXPECT_FALSE(video->is_ready_for_more_media_data());
    EXPECT_FALSE(video->append_sample_buffer(*video_sample(9, 320, 240, AV_PIX_FMT_YUV420P, Time::make(1, 25))));
    EXPECT_EQ(writer->inputs().size(), 1u);
}

TEST(Writer, Ac3AudioFiles)
{
    testsupport::TempDir dir;
    const QVariantMap ac3{{AVFormatIDKey, kAudioFormatAC3}, {AVSampleRateKey, 48000}, {AVNumberOfChannelsKey, 2}};
    for (const auto& [type, codec] : {std::pair{AVFileTypeAC3, "ac3"}, std::pair{AVFileTypeEnhancedAC3, "eac3"}}) {
        SCOPED_TRACE(codec);
        const std::string out = dir.file(std::string("out.") + codec);
        auto writer = make_writer(out, type);
        EXPECT_FALSE(writer->can_apply_output_settings(h264_settings(320, 240), AVMediaTypeVideo));
        EXPECT_FALSE(writer->can_apply_output_settings(aac_settings(), AVMediaTypeAudio));
        auto audio = add(writer, AVMediaTypeAudio, ac3);
        ASSERT_TRUE(writer->start_writing());
        ASSERT_EQ(run(writer, {{audio, audio_buffers(1.0)}}), AssetWriter::Status::Completed);
        const FileInfo info = probe(out);
        const StreamInfo* a = info.first("audio");
        ASSERT_TRUE(a);
        EXPECT_EQ(a->codec, codec);
        EXPECT_EQ(a->sample_rate, 48000);
    }
}

TEST(Writer, FileTypesAndSettingsItCannotWrite)
{
    testsupport::TempDir dir;
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(dir.file("x")));
    for (const char* type : {AVFileTypeJPEG, AVFileTypeHEIC, AVFileTypeTIFF, AVFileTypeDNG, AVFileTypeAVCI,
                             AVFileTypeSCC, AVFileTypeAppleiTT, AVFileTypeMFX}) {
        Error error;
        EXPECT_FALSE(AssetWriter::create(url, type, &error)) << type;
        EXPECT_FALSE(error.description.isEmpty());
    }
    Error error;
    EXPECT_FALSE(AssetWriter::create(QUrl("http://example.com/a.mov"), AVFileTypeQuickTimeMovie, &error));
    EXPECT_FALSE(error.description.isEmpty());
    auto nowhere = make_writer(dir.file("missing folder/a.mov"));
    EXPECT_FALSE(nowhere->start_writing());
    EXPECT_EQ(nowhere->status(), AssetWriter::Status::Failed);
    EXPECT_TRUE(nowhere->error()->description.contains("无法创建"));

    auto mov = make_writer(dir.file("a.mov"));
    EXPECT_FALSE(mov->can_apply_output_settings(
        QVariantMap{{AVVideoCodecKey, QString(AVVideoCodecTypeHEVCWithAlpha)}}, AVMediaTypeVideo));
    EXPECT_FALSE(mov->can_apply_output_settings(QVariantMap{{AVVideoCodecKey, QString("xxxx")}}, AVMediaTypeVideo));
    EXPECT_FALSE(mov->can_apply_output_settings(h264_settings(-5, 240), AVMediaTypeVideo));
    EXPECT_TRUE(mov->can_apply_output_settings(std::nullopt, AVMediaTypeTimecode));
    EXPECT_FALSE(mov->can_apply_output_settings(QVariantMap{{AVFormatIDKey, kAudioFormatMPEGLayer3}}, AVMediaTypeAudio));
    auto mp4 = make_writer(dir.file("a.mp4"), AVFileTypeMPEG4);
    EXPECT_FALSE(mp4->can_apply_output_settings(
        QVariantMap{{AVVideoCodecKey, QString(AVVideoCodecTypeAppleProRes422)}}, AVMediaTypeVideo));
    auto wav = make_writer(dir.file("a.wav"), AVFileTypeWAVE);
    EXPECT_FALSE(wav->can_apply_output_settings(aac_settings(), AVMediaTypeAudio));
    EXPECT_TRUE(wav->can_apply_output_settings(lpcm_settings(16, false, false), AVMediaTypeAudio));
    EXPECT_FALSE(wav->can_add_input(AssetWriterInput::create(AVMediaTypeVideo, h264_settings(320, 240))));
    EXPECT_FALSE(wav->can_add_input(AssetWriterInput::create(AVMediaTypeTimecode, std::nullopt)));
    // An input belongs to one writer, and inputs come before writing starts.
    auto input = AssetWriterInput::create(AVMediaTypeAudio, aac_settings());
    mov->add_input(input);
    EXPECT_FALSE(mp4->can_add_input(input));
    ASSERT_TRUE(mov->start_writing());
    EXPECT_FALSE(mov->can_add_input(AssetWriterInput::create(AVMediaTypeAudio, aac_settings())));
    mov->cancel_writing();
}

TEST(Writer, ExistingFileIsNeverTouched)
{
    testsupport::TempDir dir;
    const std::string out = dir.file("taken.mov");
    {
        std::ofstream f(out);
        f << "precious";
    }
    auto writer = make_writer(out);
    auto video = add(writer, AVMediaTypeVideo, h264_settings(320, 240));
    EXPECT_FALSE(writer->start_writing());
    EXPECT_EQ(writer->status(), AssetWriter::Status::Failed);
    ASSERT_TRUE(writer->error());
    EXPECT_TRUE(writer->error()->description.contains("已经存在"));
    EXPECT_FALSE(writer->created_output_file());
    // The loops still run to their end, and nothing removes the file.
    EXPECT_EQ(run(writer, {{video, video_frames(5, 320, 240)}}), AssetWriter::Status::Failed);
    writer->cancel_writing();
    writer.reset();
    std::ifstream f(out);
    std::string text;
    f >> text;
    EXPECT_EQ(text, "precious");
}

TEST(Writer, CancelStopsAndLeavesNothing)
{
    testsupport::TempDir dir;
    const std::string out = dir.file("cancel.mov");
    auto writer = make_writer(out);
    auto video = add(writer, AVMediaTypeVideo, h264_settings(320, 240));
    auto audio = add(writer, AVMediaTypeAudio, aac_settings());
    ASSERT_TRUE(writer->start_writing());
    const auto status = run(writer, {{video, video_frames(1000, 320, 240)}, {audio, audio_buffers(40)}},
                            [&](int appended) {
                                if (appended == 30)
                                    writer->cancel_writing();
                            });
    EXPECT_EQ(status, AssetWriter::Status::Cancelled);
    EXPECT_TRUE(testsupport::entries(dir.path()).empty());
    EXPECT_FALSE(writer->created_output_file());
}

namespace {

// A writer whose H.264 encoder holds many pictures (look-ahead, frame threads), so that
// finishing its file takes a while; finish_writing has been called. done counts completions.
AssetWriterRef finishing_writer(const std::string& path, std::atomic<int>& done)
{
    auto writer = make_writer(path);
    auto video = add(writer, AVMediaTypeVideo, h264_settings(1280, 720));
    EXPECT_TRUE(writer->start_writing());
    const Producer frames = video_frames(60, 1280, 720);
    while (const SampleBufferRef frame = frames())
        EXPECT_TRUE(video->append_sample_buffer(*frame));
    writer->finish_writing([&done] { ++done; });
    return writer;
}

}  // namespace

// Cancels that race the finishing of the file, from at once to well into it. Whichever side
// wins, one completion comes, and the file is there exactly when the writer completed; a
// cancelled writer removes its file although the encoder was not drained to its end nor the
// file closed. The cancel right after finish_writing comes before the end.
TEST(Writer, ACancelWhileTheFileIsFinishedStopsTheFinishing)
{
    using namespace std::chrono_literals;
    testsupport::TempDir dir;
    int cancelled = 0;
    int index = 0;
    for (const auto delay : {0ms, 20ms, 100ms}) {
        SCOPED_TRACE(delay.count());
        const std::string name = "out" + std::to_string(index++) + ".mov";
        std::atomic<int> done{0};
        auto writer = finishing_writer(dir.file(name), done);
        std::this_thread::sleep_for(delay);
        writer->cancel_writing();
        const AssetWriter::Status status = writer->status();
        ASSERT_TRUE(testsupport::pump_until([&] { return done == 1; }, std::chrono::seconds(120)));
        EXPECT_EQ(writer->status(), status);
        if (status == AssetWriter::Status::Cancelled) {
            ++cancelled;
            EXPECT_FALSE(writer->created_output_file());
            EXPECT_TRUE(testsupport::entries(dir.path()).empty());
        } else {
            EXPECT_EQ(status, AssetWriter::Status::Completed);
            EXPECT_EQ(testsupport::entries(dir.path()), std::vector<std::string>{name});
            std::remove(dir.file(name).c_str());
        }
        testsupport::pump_until([] { return false; }, 50ms);
        EXPECT_EQ(done, 1);
    }
    EXPECT_GE(cancelled, 1);
}

TEST(Writer, CancelLeavesAFileThatTookThePlaceOfItsOwn)
{
    testsupport::TempDir dir;
    const std::string out = dir.file("swapped.mov");
    auto writer = make_writer(out);
    auto video = add(writer, AVMediaTypeVideo, h264_settings(320, 240));
    ASSERT_TRUE(writer->start_writing());
    ASSERT_TRUE(video->append_sample_buffer(*video_sample(0, 320, 240, AV_PIX_FMT_YUV420P, Time::make(1, 25))));
    const auto names = testsupport::entries(dir.path());
    ASSERT_EQ(names.size(), 1u);
    const std::string unfinished = dir.file(names[0]);
    ASSERT_EQ(std::rename(unfinished.c_str(), dir.file("moved.mov").c_str()), 0);
    {
        std::ofstream f(unfinished);
        f << "someone else's";
    }
    writer->cancel_writing();
    EXPECT_EQ(writer->status(), AssetWriter::Status::Cancelled);
    std::ifstream f(unfinished);
    std::string text;
    std::getline(f, text);
    EXPECT_EQ(text, "someone else's");
}

TEST(Writer, ANameTakenDuringTheWriteIsNeverReplaced)
{
    testsupport::TempDir dir;
    const std::string out = dir.file("raced.mov");
    auto writer = make_writer(out);
    auto video = add(writer, AVMediaTypeVideo, h264_settings(320, 240));
    ASSERT_TRUE(writer->start_writing());
    const auto status = run(writer, {{video, video_frames(20, 320, 240)}}, [&](int appended) {
        if (appended == 10) {
            std::ofstream f(out);
            f << "arrived meanwhile";
        }
    });
    EXPECT_EQ(status, AssetWriter::Status::Failed);
    ASSERT_TRUE(writer->error());
    EXPECT_TRUE(is_posix_error(*writer->error(), EEXIST)) << writer->error()->description.toStdString();
    EXPECT_FALSE(writer->created_output_file());
    // The other file is whole, and the unfinished one is gone.
    EXPECT_EQ(testsupport::entries(dir.path()), std::vector<std::string>{"raced.mov"});
    std::ifstream f(out);
    std::string text;
    std::getline(f, text);
    EXPECT_EQ(text, "arrived meanwhile");
}

TEST(Writer, FullDiskFailsTheWriterAndRemovesTheFile)
{
    testsupport::TempDir dir;
    const std::string out = dir.file("full.mov");
    auto writer = make_writer(out);
    auto video = add(writer, AVMediaTypeVideo,
                     QVariantMap{{AVVideoCodecKey, QString(AVVideoCodecTypeAppleProRes422HQ)},
                                 {AVVideoWidthKey, 640},
                                 {AVVideoHeightKey, 480}});
    ASSERT_TRUE(writer->start_writing());
    // A file size limit makes writes fail the way a full disk does.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 256 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    const auto status = run(writer, {{video, video_frames(60, 640, 480)}});
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(status, AssetWriter::Status::Failed);
    ASSERT_TRUE(writer->error());
    EXPECT_TRUE(writer->error()->description.contains("File too large")) << writer->error()->description.toStdString();
    EXPECT_TRUE(is_posix_error(*writer->error(), EFBIG));
    EXPECT_TRUE(testsupport::entries(dir.path()).empty());
}

TEST(Writer, FailedAppendFailsTheWriterWithAReason)
{
    testsupport::TempDir dir;
    struct Case {
        const char* file;
        Producer frames;
        const char* reason;
    };
    const Case cases[] = {
        // The third frame goes back in time.
        {"fail.mov",
         samples({video_sample(0, 320, 240, AV_PIX_FMT_YUV420P, Time::make(1, 25)),
                  video_sample(1, 320, 240, AV_PIX_FMT_YUV420P, Time::make(1, 25)),
                  video_sample(1, 320, 240, AV_PIX_FMT_YUV420P, Time::make(1, 25))}),
         "递增"},
        // An audio buffer appended to a video input.
        {"fail2.mov", samples({audio_sample(0)}), "解码后的画面"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string out = dir.file(c.file);
        auto writer = make_writer(out);
        auto video = add(writer, AVMediaTypeVideo, h264_settings(320, 240));
        ASSERT_TRUE(writer->start_writing());
        EXPECT_EQ(run(writer, {{video, c.frames}}), AssetWriter::Status::Failed);
        ASSERT_TRUE(writer->error());
        EXPECT_TRUE(writer->error()->description.contains(c.reason)) << writer->error()->description.toStdString();
        EXPECT_TRUE(testsupport::entries(dir.path()).empty());
    }
}

TEST(Writer, NothingAppendedIsAFailureWithoutAFile)
{
    testsupport::TempDir dir;
    const std::string out = dir.file("empty.mov");
    auto writer = make_writer(out);
    auto video = add(writer, AVMediaTypeVideo, h264_settings(320, 240));
    ASSERT_TRUE(writer->start_writing());
    EXPECT_EQ(run(writer, {{video, samples({})}}), AssetWriter::Status::Failed);
    ASSERT_TRUE(writer->error());
    EXPECT_FALSE(exists(out));
}

TEST(Writer, TimecodeBecomesTheStartTimecode)
{
    testsupport::TempDir dir;
    struct Case {
        uint32_t frame;
        Time frame_duration;
        uint32_t quanta;
        bool drop;
        Time video_frame;
        const char* want;
    };
    // 01:00:00:00 at 25 fps; 00:59:59;28 at 29.97 drop-frame.
    for (const Case& c : {Case{90000, Time::make(1, 25), 25, false, Time::make(1, 25), "01:00:00:00"},
                          Case{107890, Time::make(1001, 30000), 30, true, Time::make(1001, 30000), "00:59:59;28"}}) {
        const std::string out = dir.file(std::string("tc") + c.want[7] + ".mov");
        auto writer = make_writer(out);
        auto tc = add(writer, AVMediaTypeTimecode, std::nullopt);
        auto video = add(writer, AVMediaTypeVideo, h264_settings(320, 240));
        ASSERT_TRUE(writer->start_writing());
        ASSERT_EQ(run(writer, {{tc, samples({timecode_sample(c.frame, c.frame_duration, c.quanta, c.drop)})},
                               {video, video_frames(10, 320, 240, AV_PIX_FMT_YUV420P, c.video_frame)}}),
                  AssetWriter::Status::Completed);
        const FileInfo info = probe(out);
        const StreamInfo* data = info.first("data");
        ASSERT_TRUE(data);
        EXPECT_EQ(data->tag, "tmcd");
        EXPECT_EQ(data->tags.count("timecode") ? data->tags.at("timecode") : "", c.want);
    }
}

TEST(Writer, MetadataAndIndexAtTheFront)
{
    testsupport::TempDir dir;
    const std::string out = dir.file("快速 \"fast\" 'ü' #1.mp4");  // reopened by name for the move
    auto writer = make_writer(out, AVFileTypeMPEG4);
    auto video = add(writer, AVMediaTypeVideo, h264_settings(320, 240));
    writer->set_should_optimize_for_network_use(true);
    writer->set_metadata({{"title", QString("Ünïcode “title”")}});
    ASSERT_TRUE(writer->start_writing());
    ASSERT_EQ(run(writer, {{video, video_frames(10, 320, 240)}}), AssetWriter::Status::Completed);
    const auto boxes = top_level_boxes(out);
    const auto moov = std::find(boxes.begin(), boxes.end(), "moov");
    const auto mdat = std::find(boxes.begin(), boxes.end(), "mdat");
    ASSERT_TRUE(moov != boxes.end() && mdat != boxes.end());
    EXPECT_LT(moov, mdat);
    EXPECT_EQ(probe(out).tags["title"], "Ünïcode “title”");
}

TEST(Writer, InputsStayInterleaved)
{
    testsupport::TempDir dir;
    auto writer = make_writer(dir.file("i.mov"));
    auto video = add(writer, AVMediaTypeVideo, h264_settings(320, 240));
    auto audio = add(writer, AVMediaTypeAudio, aac_settings(44100, 2));
    EXPECT_FALSE(video->is_ready_for_more_media_data());  // not writing yet
    ASSERT_TRUE(writer->start_writing());
    EXPECT_TRUE(video->is_ready_for_more_media_data());
    ASSERT_TRUE(video->append_sample_buffer(*video_sample(0, 320, 240, AV_PIX_FMT_YUV420P, Time::make(1, 25))));
    // Audio has nothing yet: video waits for it.
    EXPECT_FALSE(video->is_ready_for_more_media_data());
    EXPECT_TRUE(audio->is_ready_for_more_media_data());
    ASSERT_TRUE(audio->append_sample_buffer(*audio_sample(0)));
    int frames = 1;
    while (video->is_ready_for_more_media_data())
        ASSERT_TRUE(video->append_sample_buffer(*video_sample(frames++, 320, 240, AV_PIX_FMT_YUV420P, Time::make(1, 25))));
    // Half a second beyond the audio's 23 ms, and not more.
    EXPECT_EQ(frames, 14);
    EXPECT_TRUE(audio->is_ready_for_more_media_data());
    audio->mark_as_finished();
    EXPECT_FALSE(audio->is_ready_for_more_media_data());
    EXPECT_TRUE(video->is_ready_for_more_media_data());
    writer->cancel_writing();
    // After a cancel every unfinished input is ready, so its loop sees the status.
    EXPECT_TRUE(video->is_ready_for_more_media_data());
}

TEST(Writer, FinishedInputLetsGoOfItsBlock)
{
    // Blocks hold their pipeline (which holds the input): keeping them would leak the run.
    testsupport::TempDir dir;
    auto writer = make_writer(dir.file("release.mov"));
    auto video = add(writer, AVMediaTypeVideo, h264_settings(320, 240));
    ASSERT_TRUE(writer->start_writing());
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watch = token;
    std::atomic<int> calls{0};
    video->request_media_data_when_ready(dispatch::Queue::serial("release"), [token, video, &calls] {
        ++calls;
        video->mark_as_finished();
    });
    token.reset();
    ASSERT_TRUE(testsupport::pump_until([&] { return watch.expired(); }));
    EXPECT_EQ(calls, 1);
    writer->cancel_writing();
}

TEST(Writer, PixelBufferAdaptorPool)
{
    testsupport::TempDir dir;
    const std::string out = dir.file("rgba.mov");
    auto writer = make_writer(out);
    auto video = add(writer, AVMediaTypeVideo, h264_settings(0, 0));
    auto adaptor = AssetWriterInputPixelBufferAdaptor::create(
        video, {{kCVPixelBufferPixelFormatTypeKey, kCVPixelFormatType_32RGBA},
                {kCVPixelBufferWidthKey, 240.7},
                {kCVPixelBufferHeightKey, 160}});
    EXPECT_EQ(adaptor->input(), video);
    EXPECT_FALSE(adaptor->pixel_buffer_pool());
    ASSERT_TRUE(writer->start_writing());
    auto pool = adaptor->pixel_buffer_pool();
    ASSERT_TRUE(pool);
    const AVFrame* first = nullptr;
    for (int i = 0; i < 10; ++i) {
        PixelBufferRef b = pool->create_pixel_buffer();
        ASSERT_TRUE(b);
        EXPECT_EQ(b->format(), AV_PIX_FMT_RGBA);
        EXPECT_EQ(b->width(), 240);
        EXPECT_EQ(b->height(), 160);
        for (int y = 0; y < 160; ++y)
            memset(b->frame()->data[0] + y * b->frame()->linesize[0], i * 20, 240 * 4);
        if (i == 0)
            first = b->frame();
        ASSERT_TRUE(adaptor->append_pixel_buffer(b, Time::make(i, 30)));
    }
    // Buffers are reused rather than made anew for every frame.
    PixelBufferRef again = pool->create_pixel_buffer();
    EXPECT_EQ(again->frame(), first);
    video->mark_as_finished();
    // The completion comes once, on a worker thread.
    std::atomic<int> calls{0};
    std::atomic<bool> on_caller_thread{false};
    const auto caller = std::this_thread::get_id();
    writer->finish_writing([&] {
        on_caller_thread = std::this_thread::get_id() == caller;
        ++calls;
    });
    ASSERT_TRUE(testsupport::pump_until([&] { return calls > 0; }));
    ASSERT_EQ(writer->status(), AssetWriter::Status::Completed);
    EXPECT_FALSE(on_caller_thread);
    const FileInfo info = probe(out);
        const StreamInfo* v = info.first("video");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->packets, 10);
    EXPECT_EQ(v->width, 240);
    EXPECT_EQ(v->height, 160);
    EXPECT_EQ(calls, 1);
}
