#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>

#include "platform/foundation/files.h"
#include "support/support.h"

using namespace foundation;

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

bool write_file(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write("x", 1) == 1;
}

TEST(FileUrls, AppendAndReadExtension)
{
    const QUrl dir = file_url("/tmp/out dir", true);
    EXPECT_EQ(dir.toLocalFile(), "/tmp/out dir/");

    const QUrl clip = file_url("/tmp/out dir/clip");
    EXPECT_EQ(appending_path_extension(clip, "mov").toLocalFile(), "/tmp/out dir/clip.mov");
    EXPECT_EQ(appending_path_extension(clip, ""), clip);
    EXPECT_EQ(appending_path_extension(file_url("/tmp/d", true), "app").toLocalFile(), "/tmp/d.app/");

    // Characters that mean something in URLs stay literal parts of the name.
    const QUrl odd = file_url("/tmp/out dir/50% #1 ?'é 视频");
    EXPECT_EQ(appending_path_extension(odd, "mp4").toLocalFile(), "/tmp/out dir/50% #1 ?'é 视频.mp4");
    EXPECT_EQ(path_extension(appending_path_extension(odd, "mp4")), "mp4");

    EXPECT_EQ(path_extension(file_url("/x/a.b.mov")), "mov");
    EXPECT_EQ(path_extension(file_url("/x.y/name")), "");
    EXPECT_EQ(path_extension(file_url("/x/.hidden")), "");
}

TEST(FileOperations, CreateDirectoriesAndRemoveItems)
{
    testsupport::TempDir temp;
    const QString nested = q(temp.file("a/b c/d"));
    EXPECT_TRUE(create_directories(nested));
    EXPECT_TRUE(is_directory(nested));
    EXPECT_TRUE(create_directories(nested));  // already there: still success

    const QString file = nested + "/f.txt";
    ASSERT_TRUE(write_file(file));
    EXPECT_TRUE(file_exists(file));
    EXPECT_FALSE(is_directory(file));
    EXPECT_FALSE(create_directories(file));  // a file is in the way

    EXPECT_TRUE(remove_item(file));
    EXPECT_FALSE(file_exists(file));
    EXPECT_FALSE(remove_item(file));  // nothing left to remove

    ASSERT_TRUE(write_file(nested + "/g.txt"));
    const QString top = q(temp.file("a"));
    EXPECT_TRUE(remove_item(top));
    EXPECT_FALSE(file_exists(top));
}

TEST(FileOperations, RemovingALinkKeepsItsTarget)
{
    testsupport::TempDir temp;
    const QString target = q(temp.file("kept"));
    ASSERT_TRUE(create_directories(target));
    ASSERT_TRUE(write_file(target + "/inside"));
    const QString link = q(temp.file("link"));
    ASSERT_TRUE(QFile::link(target, link));
    EXPECT_TRUE(remove_item(link));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(file_exists(target + "/inside"));
}

TEST(FileOperations, TemporaryDirectoryAndUniqueNames)
{
    const QString tmp = temporary_directory();
    EXPECT_TRUE(tmp.endsWith('/'));
    EXPECT_TRUE(is_directory(tmp));
    QSet<QString> names;
    for (int i = 0; i < 100; ++i)
        names.insert(globally_unique_string());
    EXPECT_EQ(names.size(), 100);
    EXPECT_FALSE(globally_unique_string().contains('/'));
}

}  // namespace
