#include <gtest/gtest.h>

#include <cstdio>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "platform/ffkit/probe.h"
#include "support/support.h"

using testsupport::fixture;

namespace {

QString path_of(const char* name) { return QString::fromStdString(fixture(name)); }

QJsonObject real_ffprobe(const QString& path)
{
    const auto out = testsupport::run_program(
        {"ffprobe", "-v", "error", "-print_format", "json", "-show_format", "-show_streams", path.toStdString()});
    return out ? QJsonDocument::fromJson(QByteArray::fromStdString(*out)).object() : QJsonObject();
}

}  // namespace

TEST(Probe, MatchesTheProbeProgramOnTheFieldsItWrites)
{
    for (const char* name : {"h264_aac.mp4", "tone.wav", "clip.mkv", "双引号\"名字 ü.mp4"}) {
        const QString path = path_of(name);
        const auto probe = ffkit::get_media_information(path);
        ASSERT_TRUE(probe.media_information) << name;
        QJsonParseError error;
        const QJsonObject ours = QJsonDocument::fromJson(probe.output.toUtf8(), &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << probe.output.toStdString();
        const QJsonObject theirs = real_ffprobe(path);
        const QJsonObject format = ours["format"].toObject();
        for (const QString& key : format.keys())
            EXPECT_EQ(format[key], theirs["format"].toObject()[key]) << name << " format." << key.toStdString();
        const auto our_streams = ours["streams"].toArray();
        ASSERT_EQ(our_streams.size(), theirs["streams"].toArray().size());
        for (qsizetype i = 0; i < our_streams.size(); ++i) {
            const QJsonObject stream = our_streams[i].toObject();
            const QJsonObject other = theirs["streams"].toArray()[i].toObject();
            for (const char* key : {"codec_name", "codec_type", "width", "height", "sample_rate", "channels",
                                       "duration", "time_base", "avg_frame_rate", "codec_tag_string"})
                EXPECT_EQ(stream[key], other[key]) << name << " stream " << i << " " << key;
        }
        EXPECT_EQ(probe.media_information->duration, format["duration"].toString());
    }
}

TEST(Probe, MediaInformationOfAMovie)
{
    const auto probe = ffkit::get_media_information(path_of("h264_aac.mp4"));
    ASSERT_TRUE(probe.media_information);
    const auto& info = *probe.media_information;
    EXPECT_EQ(info.duration, "3.000000");
    ASSERT_EQ(info.streams.size(), 2u);
    EXPECT_EQ(info.streams[0].codec_type, "video");
    EXPECT_EQ(info.streams[0].codec_name, "h264");
    EXPECT_EQ(info.streams[0].width, 320);
    EXPECT_EQ(info.streams[1].codec_name, "aac");
    EXPECT_EQ(info.streams[1].sample_rate, 44100);
    // The layout puts the key, a colon and a blank before the quoted value, one per line.
    EXPECT_TRUE(probe.output.contains("\n        \"duration\": \"3.000000\",\n"));
}

TEST(Probe, BadInputsGiveNoInformationAndSayWhy)
{
    testsupport::TempDir dir;
    for (const std::string& path : {fixture("random.mp4"), fixture("empty.mov"), fixture("no_index.mp4"),
                                    dir.path(), std::string("/nonexistent/a.mp4")}) {
        const auto probe = ffkit::get_media_information(QString::fromStdString(path));
        EXPECT_FALSE(probe.media_information) << path;
        EXPECT_TRUE(probe.output.startsWith(QString::fromStdString(path) + ": ")) << probe.output.toStdString();
        EXPECT_FALSE(probe.output.contains("duration"));
    }
}

TEST(Probe, APlaylistDressedAsAMovieIsNotFollowed)
{
    // A playlist naming another file would make the probe read that file (or a network
    // address) instead of the one the user gave.
    testsupport::TempDir dir;
    const std::string playlist = dir.file("playlist.mp4");
    FILE* f = std::fopen(playlist.c_str(), "w");
    ASSERT_TRUE(f);
    std::fprintf(f, "#EXTM3U\n#EXT-X-TARGETDURATION:3\n#EXTINF:3.0,\n%s\n#EXT-X-ENDLIST\n",
                 fixture("h264_aac.mp4").c_str());
    std::fclose(f);
    const auto probe = ffkit::get_media_information(QString::fromStdString(playlist));
    EXPECT_FALSE(probe.media_information);
    EXPECT_FALSE(probe.output.contains("duration"));
}
