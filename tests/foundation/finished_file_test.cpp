#include <gtest/gtest.h>

#include <QFile>
#include <cerrno>

#include "platform/foundation/finished_file.h"
#include "support/support.h"

using namespace foundation;

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QByteArray read_all(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool write_file(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

TEST(UnfinishedFilePath, HiddenBesideTheFileWithItsExtension)
{
    const QString a = unfinished_file_path("/out dir/clip.final.mp4");
    EXPECT_TRUE(a.startsWith("/out dir/.clip.final.converting-")) << a.toStdString();
    EXPECT_TRUE(a.endsWith(".mp4"));
    EXPECT_NE(a, unfinished_file_path("/out dir/clip.final.mp4"));

    const QString bare = unfinished_file_path("/o/noext");
    EXPECT_TRUE(bare.startsWith("/o/.noext.converting-"));
    EXPECT_FALSE(bare.mid(3).contains('/'));
}

TEST(UnfinishedFilePath, LongNamesStayWithinTheLimitWithoutCuttingACharacter)
{
    // 84 three-byte characters: 252 bytes, and the extension.
    const QString name = QString(84, QChar(0x6587)) + ".mov";
    const QString path = unfinished_file_path("/o/" + name);
    const QString hidden = path.mid(3);
    EXPECT_LE(QFile::encodeName(hidden).size(), 255);
    EXPECT_TRUE(hidden.endsWith(".mov"));
    EXPECT_EQ(QString::fromUtf8(QFile::encodeName(hidden)), hidden);
    EXPECT_TRUE(hidden.startsWith(QString(".") + QChar(0x6587)));
}

TEST(RenameWithoutReplacing, RenamesOrLeavesBothFilesAlone)
{
    testsupport::TempDir dir;
    const QString from = q(dir.file(".a.converting-1.mov"));
    const QString to = q(dir.file("a.mov"));
    ASSERT_TRUE(write_file(from, "new"));
    EXPECT_EQ(rename_without_replacing(from, to), 0);
    EXPECT_EQ(read_all(to), "new");
    EXPECT_FALSE(QFile::exists(from));

    ASSERT_TRUE(write_file(from, "second"));
    EXPECT_EQ(rename_without_replacing(from, to), EEXIST);
    EXPECT_EQ(read_all(to), "new");
    EXPECT_EQ(read_all(from), "second");

    EXPECT_EQ(rename_without_replacing(q(dir.file("missing")), q(dir.file("b.mov"))), ENOENT);
}

}  // namespace
