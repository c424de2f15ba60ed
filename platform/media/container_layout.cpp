#include "container_layout.h"

#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "layout_formats.h"

namespace media {

FileBytes::FileBytes(const QString& path)
{
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd_ >= 0 && ::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode))
        size_ = info.st_size;
}

FileBytes::~FileBytes()
{
    if (fd_ >= 0)
        ::close(fd_);
}

QByteArray FileBytes::read(int64_t offset, int64_t count)
{
    if (fd_ < 0 || offset < 0 || count <= 0 || offset >= size_)
        return {};
    QByteArray data(int(std::min<int64_t>(count, size_ - offset)), Qt::Uninitialized);
    int64_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pread(fd_, data.data() + done, size_t(data.size() - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    data.truncate(int(done));
    return data;
}

namespace layout {

namespace {

template <typename T, bool little>
std::optional<T> number(ByteSource& bytes, int64_t at)
{
    const QByteArray data = bytes.read(at, sizeof(T));
    if (data.size() != int(sizeof(T)))
        return std::nullopt;
    T value = 0;
    for (int i = 0; i < int(sizeof(T)); ++i) {
        const auto byte = static_cast<unsigned char>(data[little ? int(sizeof(T)) - 1 - i : i]);
        value = T(value << 8 | byte);
    }
    return value;
}

}  // namespace

std::optional<uint32_t> le32(ByteSource& bytes, int64_t at) { return number<uint32_t, true>(bytes, at); }
std::optional<uint64_t> le64(ByteSource& bytes, int64_t at) { return number<uint64_t, true>(bytes, at); }
std::optional<uint32_t> be32(ByteSource& bytes, int64_t at) { return number<uint32_t, false>(bytes, at); }

std::optional<int64_t> be64(ByteSource& bytes, int64_t at)
{
    const auto value = number<uint64_t, false>(bytes, at);
    return value ? std::optional<int64_t>(int64_t(*value)) : std::nullopt;
}

uint32_t le32(const QByteArray& data, int at)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(data[at + i]);
    return value;
}

uint64_t le64(const QByteArray& data, int at) { return uint64_t(le32(data, at + 4)) << 32 | le32(data, at); }

bool is_text(ByteSource& bytes, int64_t at, const char* text)
{
    return bytes.read(at, int64_t(std::strlen(text))) == QByteArray(text);
}

bool is_placeholder(uint32_t size)
{
    return size == 0 || size >= 0xFFFFF000u || (size >= 0x7FFFF000u && size <= 0x7FFFFFFFu);
}

DeclaredData ending_at(int64_t end, int64_t file_size) { return ending_at(end, file_size, 0); }

DeclaredData ending_at(int64_t end, int64_t file_size, int64_t room)
{
    DeclaredData data;
    data.kind = end - room > file_size ? DeclaredData::Kind::cut : DeclaredData::Kind::whole;
    data.declared_end = end;
    data.file_size = file_size;
    return data;
}

}  // namespace layout

DeclaredData declared_data(ByteSource& bytes, const char* format_name)
{
    if (!format_name || bytes.size() <= 0)
        return {};
    const auto is = [format_name](const char* name) { return std::strcmp(format_name, name) == 0; };
    if (is("avi"))
        return layout::avi(bytes);
    if (is("wav"))
        return layout::wave(bytes);
    if (is("aiff"))
        return layout::aiff(bytes);
    if (is("caf"))
        return layout::caf(bytes);
    if (is("mp3"))
        return layout::mp3(bytes);
    if (is("flv") || is("live_flv"))
        return layout::flv(bytes);
    if (is("matroska,webm"))
        return layout::matroska(bytes);
    return {};
}

DeclaredData declared_data(const QString& path, const char* format_name)
{
    FileBytes bytes(path);
    return declared_data(bytes, format_name);
}

}  // namespace media
