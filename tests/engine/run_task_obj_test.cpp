#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>
#include <thread>
#include <vector>

#include "engine/file_attributes.h"
#include "engine/named_images.h"
#include "engine/one_exporter.h"
#include "engine/run_task_obj.h"
#include "fixture_paths.h"
#include "support/support.h"

using testsupport::TempDir;

namespace {

QString qpath(const std::string& path) { return QString::fromStdString(path); }

// A copy of a fixture under another name in the directory.
QUrl copy_fixture(const std::string& fixture, const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    EXPECT_TRUE(QFile::copy(fixture_path(fixture), path)) << path.toStdString();
    return QUrl::fromLocalFile(path);
}

bool contains_line(const std::string& out, const std::string& line)
{
    return ("\n" + out).find("\n" + line + "\n") != std::string::npos;
}

}  // namespace

TEST(RunTaskObj, RowOfAMovie)
{
    const QUrl url = fixture_url("h264_aac.mp4");
    Run_task_obj row(url);
    EXPECT_EQ(row.name, "h264_aac");
    EXPECT_EQ(row.in_file_obj, url);
    EXPECT_EQ(row.in_path, url.toLocalFile());
    EXPECT_EQ(row.out_path, row.in_path);
    EXPECT_FALSE(row.out_url_obj);
    EXPECT_EQ(row.state, "read");
    EXPECT_EQ(row.state_obj.kind(), EnumState::Case::read);
    EXPECT_FALSE(row.state_icon);
    EXPECT_EQ(row.state_pr, 0);
    EXPECT_EQ(row.mediaType, "mpeg-4");
    ASSERT_TRUE(row.obj_info);
    EXPECT_EQ(row.info, row.obj_info->infoText);
    EXPECT_TRUE(row.info.startsWith("2-1 vide 320X240(4:3) 25.00 avc1 "));
    ASSERT_TRUE(row.out_Ex);
    EXPECT_EQ(row.out_Ex->raw_asset->url(), url);
    EXPECT_NEAR(row.out_Ex->raw_duration.seconds(), 3.0, 0.1);
    // A small picture keeps its size.
    EXPECT_EQ(row.thumbnail.size(), QSize(320, 240));
}

TEST(RunTaskObj, NamesKeepEveryDotButTheLast)
{
    TempDir dir;
    Run_task_obj row(copy_fixture("plain.mov", qpath(dir.file("clip.final.mov"))));
    EXPECT_EQ(row.name, "clip.final");
    EXPECT_EQ(row.mediaType, "quicktime-movie");
    row.make_output_path(QUrl::fromLocalFile(qpath(dir.file("out"))), false);
    EXPECT_EQ(row.out_path, qpath(dir.file("out/clip.final")));

    Run_task_obj bare(copy_fixture("plain.mov", qpath(dir.file("no extension"))));
    EXPECT_EQ(bare.name, "no extension");
    Run_task_obj odd(fixture_url("双引号\"名字 ü.mp4"));
    EXPECT_EQ(odd.name, "双引号\"名字 ü");
    EXPECT_FALSE(odd.thumbnail.isNull());
}

TEST(RunTaskObj, OutputPathWithAndWithoutSourceFolders)
{
    TempDir dir;
    const QString source = qpath(dir.file("src/a b/clip.mov"));
    Run_task_obj row(copy_fixture("plain.mov", source));
    const QString out = qpath(dir.file("out"));
    ASSERT_TRUE(QDir().mkpath(out));

    row.make_output_path(QUrl::fromLocalFile(out), false);
    EXPECT_EQ(row.out_path, out + "/clip");
    EXPECT_EQ(row.out_url_obj, QUrl::fromLocalFile(out + "/clip"));
    EXPECT_EQ(row.out_Ex->out_url_obj.get(), row.out_url_obj);
    EXPECT_EQ(QDir(out).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);

    row.make_output_path(QUrl::fromLocalFile(out), true);
    const QString kept = out + QFileInfo(source).path() + "/clip";
    EXPECT_EQ(row.out_path, kept);
    EXPECT_EQ(row.out_Ex->out_url_obj.get(), QUrl::fromLocalFile(kept));
    EXPECT_TRUE(QFileInfo(QFileInfo(kept).path()).isDir());
    EXPECT_TRUE(QFileInfo::exists(source));
}

TEST(RunTaskObj, OutputPathOfASourceInTheRootFolder)
{
    TempDir dir;
    const QString out = qpath(dir.file("out"));
    // The file does not exist: the row is still built, and nothing is written to the root.
    Run_task_obj row(QUrl::fromLocalFile("/convtest-root-clip.mov"));
    row.make_output_path(QUrl::fromLocalFile(out), true);
    EXPECT_EQ(row.out_path, out + "/convtest-root-clip");
    EXPECT_TRUE(QFileInfo(out).isDir());
}

TEST(RunTaskObj, FailedDirectoryCreationIsLoggedAndThePathSetAllTheSame)
{
    TempDir dir;
    const QString blocker = qpath(dir.file("file"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    Run_task_obj row(fixture_url("h264_aac.mp4"));
    testing::internal::CaptureStdout();
    row.make_output_path(QUrl::fromLocalFile(blocker), true);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(contains_line(out, "creat false")) << out;
    EXPECT_EQ(row.out_path, blocker + QFileInfo(row.in_path).path() + "/h264_aac");
}

TEST(RunTaskObj, SourceFoldersNeverLeadOutOfTheOutputFolder)
{
    TempDir dir;
    const QString out = qpath(dir.file("out"));
    Run_task_obj row(QUrl::fromLocalFile(qpath(dir.file("a/../../escape.mov"))));
    row.make_output_path(QUrl::fromLocalFile(out), true);
    EXPECT_TRUE(row.out_path.startsWith(out + "/")) << row.out_path.toStdString();
    EXPECT_FALSE(row.out_path.contains(".."));
}

TEST(RunTaskObj, SetStateDerivesTextIconAndPercent)
{
    Run_task_obj row(fixture_url("audio.m4a"));
    row.set_state(EnumState::read());
    EXPECT_EQ(row.state, "read");
    EXPECT_EQ(row.state_icon, named_image(NamedImage::StatusNone));

    row.set_state(EnumState::conversion(0.456));
    EXPECT_EQ(row.state_pr, 46);
    EXPECT_EQ(row.state, "read");
    EXPECT_EQ(row.state_obj.kind(), EnumState::Case::conversion);
    EXPECT_EQ(row.state_icon, named_image(NamedImage::StatusPartiallyAvailable));
    row.set_state(EnumState::conversion(0.005));
    EXPECT_EQ(row.state_pr, 1);
    row.set_state(EnumState::conversion(0.004));
    EXPECT_EQ(row.state_pr, 0);

    row.set_state(EnumState::parsing());
    EXPECT_EQ(row.state, "parsing");
    EXPECT_EQ(row.state_pr, 0);
    row.set_state(EnumState::write());
    EXPECT_EQ(row.state, "parsing");

    testing::internal::CaptureStdout();
    row.set_state(EnumState::error(media::Error{"test", 3, "disk full"}));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "disk full 0000\n");
    EXPECT_EQ(row.state, "errordisk full");
    EXPECT_EQ(row.state_icon, named_image(NamedImage::StatusUnavailable));

    row.set_state(EnumState::carry_out());
    EXPECT_EQ(row.state, "carry_out");
    EXPECT_EQ(row.state_icon, named_image(NamedImage::Ok));
    EXPECT_EQ(row.state_obj.kind(), EnumState::Case::carry_out);
}

TEST(RunTaskObj, ThumbnailIsUprightAndAtMost320Pixels)
{
    Run_task_obj wide(fixture_url("hd1080.mp4"));
    EXPECT_EQ(wide.thumbnail.size(), QSize(320, 180));
    Run_task_obj turned(fixture_url("hd1080_rot90.mov"));
    EXPECT_EQ(turned.thumbnail.size(), QSize(180, 320));
    Run_task_obj small_turned(fixture_url("rot90.mov"));
    EXPECT_EQ(small_turned.thumbnail.size(), QSize(240, 320));
}

TEST(RunTaskObj, FilesWithoutPictureGetTheirIcon)
{
    for (const char* name : {"audio.m4a", "tone.wav", "random.mp4", "empty.mov"}) {
        Run_task_obj row(fixture_url(name));
        const FileIcon icon = icon_for(file_mime_type(row.in_file_obj));
        ASSERT_TRUE(icon.image) << name;
        EXPECT_FALSE(row.thumbnail.isNull()) << name;
        EXPECT_LE(std::max(row.thumbnail.width(), row.thumbnail.height()), 320) << name;
        EXPECT_EQ(row.thumbnail, *icon.image) << name;
    }
    Run_task_obj audio(fixture_url("audio.m4a"));
    EXPECT_EQ(audio.info, "1-1 soun aac\n");
    EXPECT_FALSE(audio.obj_info->naturalSize);
    EXPECT_EQ(audio.mediaType, "m4a-audio");
}

TEST(RunTaskObj, MissingFileIsLoggedAndStillBuilt)
{
    testing::internal::CaptureStdout();
    std::string out;
    {
        Run_task_obj row(fixture_url("no such file.mov"));
        EXPECT_EQ(row.info, "");
        EXPECT_EQ(row.mediaType, "");
        EXPECT_TRUE(row.thumbnail.isNull());
        EXPECT_TRUE(row.obj_info->tracks->empty());
        out = testing::internal::GetCapturedStdout();
        testing::internal::CaptureStdout();
    }
    const std::string end = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(contains_line(out, "Error reading file attributes")) << out;
    EXPECT_TRUE(contains_line(end, "no such file ,虚构函数")) << end;
}

TEST(RunTaskObj, RowsAreBuiltOnSeveralThreadsAtOnce)
{
    const char* names[] = {"h264_aac.mp4", "audio.m4a", "rot90.mov", "tone.mp3",
                           "clip.mkv",     "random.mp4", "hd1080.mp4", "tc.mov"};
    std::vector<std::unique_ptr<Run_task_obj>> rows(std::size(names));
    std::vector<std::thread> threads;
    for (size_t i = 0; i < rows.size(); ++i)
        threads.emplace_back([&, i] { rows[i] = std::make_unique<Run_task_obj>(fixture_url(names[i])); });
    for (auto& thread : threads)
        thread.join();
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_FALSE(rows[i]->thumbnail.isNull()) << names[i];
        EXPECT_FALSE(rows[i]->mediaType.isEmpty()) << names[i];
    }
}
