#include <gtest/gtest.h>

#include <QFile>

#include "engine/file_attributes.h"
#include "fixture_paths.h"
#include "support/support.h"

namespace {

// The type identifier of a file, as a row reads it.
std::optional<QString> file_type_identifier(const QUrl& url)
{
    const auto mime = file_mime_type(url);
    return mime ? std::optional(type_identifier_for(*mime)) : std::nullopt;
}

FileIcon file_icon(const QUrl& url) { return icon_for(file_mime_type(url)); }

}  // namespace

TEST(FileTypeIdentifier, CommonMediaTypesGetTheUsualIdentifiers)
{
    EXPECT_EQ(file_type_identifier(fixture_url("h264_aac.mp4")), "public.mpeg-4");
    EXPECT_EQ(file_type_identifier(fixture_url("plain.mov")), "com.apple.quicktime-movie");
    EXPECT_EQ(file_type_identifier(fixture_url("tone.mp3")), "public.mp3");
    EXPECT_EQ(file_type_identifier(fixture_url("tone.wav")), "com.microsoft.waveform-audio");
    EXPECT_EQ(file_type_identifier(fixture_url("audio.m4a")), "com.apple.m4a-audio");
    EXPECT_EQ(file_type_identifier(fixture_url("clip.mkv")), "org.matroska.mkv");
    EXPECT_EQ(file_type_identifier(fixture_url("双引号\"名字 ü.mp4")), "public.mpeg-4");
}

TEST(FileTypeIdentifier, OtherTypesEndInTheirSubtype)
{
    EXPECT_EQ(type_identifier_for_mime("video/x-msvideo"), "public.avi");
    EXPECT_EQ(type_identifier_for_mime("video/x-ms-asf"), "org.freedesktop.video.ms-asf");
    EXPECT_EQ(last_identifier_component(type_identifier_for_mime("application/vnd.rn-realmedia")),
              "rn-realmedia");
    EXPECT_EQ(type_identifier_for_mime("nonsense"), "public.data");
}

TEST(FileTypeIdentifier, MissingOrRemoteFileHasNone)
{
    EXPECT_FALSE(file_type_identifier(fixture_url("no such file.mp4")));
    EXPECT_FALSE(file_type_identifier(QUrl("https://example.com/a.mp4")));
}

TEST(LastIdentifierComponent, SkipsEmptyComponents)
{
    EXPECT_EQ(last_identifier_component("public.mpeg-4"), "mpeg-4");
    EXPECT_EQ(last_identifier_component("public.mp3"), "mp3");
    EXPECT_EQ(last_identifier_component("a.b.."), "b");
    EXPECT_EQ(last_identifier_component("mfx"), "mfx");
    EXPECT_EQ(last_identifier_component("..."), "");
    EXPECT_EQ(last_identifier_component(""), "");
}

TEST(FileIcon, MediaFilesGetAnIconMissingFilesFail)
{
    for (const char* name : {"audio.m4a", "tone.mp3", "h264_aac.mp4", "random.mp4", "empty.mov"}) {
        const FileIcon icon = file_icon(fixture_url(name));
        EXPECT_FALSE(icon.failed) << name;
        ASSERT_TRUE(icon.image) << name;
        EXPECT_FALSE(icon.image->isNull()) << name;
    }
    const FileIcon missing = file_icon(fixture_url("no such file.m4a"));
    EXPECT_TRUE(missing.failed);
    EXPECT_FALSE(missing.image);
}
