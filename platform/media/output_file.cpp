#include "output_file.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace media::wr {

namespace {

constexpr int kBufferSize = 1 << 16;

QString errno_text(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

}  // namespace

std::unique_ptr<OutputFile> OutputFile::create(const QString& path, QString* error)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int code = errno;
        if (error)
            *error = code == EEXIST
                         ? QStringLiteral("The file “%1” already exists.").arg(path)
                         : QStringLiteral("The file “%1” could not be created: %2").arg(path, errno_text(code));
        return nullptr;
    }
    std::unique_ptr<OutputFile> file(new OutputFile);
    file->path_ = path;
    file->fd_ = fd;
    struct stat st {};
    if (fstat(fd, &st) == 0) {
        file->device_ = st.st_dev;
        file->inode_ = st.st_ino;
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
    if (buffer)
        file->io_ = avio_alloc_context(buffer, kBufferSize, 1, file.get(), nullptr, &OutputFile::write,
                                       &OutputFile::seek);
    if (!file->io_) {
        av_free(buffer);
        file->remove();
        if (error)
            *error = QStringLiteral("Out of memory");
        return nullptr;
    }
    return file;
}

OutputFile::~OutputFile()
{
    QString ignored;
    close(&ignored);
}

int OutputFile::write(void* opaque, uint8_t* data, int size)
{
    auto* self = static_cast<OutputFile*>(opaque);
    int done = 0;
    while (done < size) {
        const ssize_t n = ::write(self->fd_, data + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int code = n < 0 ? errno : ENOSPC;
            if (!self->write_error_)
                self->write_error_ = code;
            return AVERROR(code);
        }
        done += static_cast<int>(n);
    }
    return size;
}

int64_t OutputFile::seek(void* opaque, int64_t offset, int whence)
{
    auto* self = static_cast<OutputFile*>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat st {};
        return fstat(self->fd_, &st) == 0 ? st.st_size : AVERROR(errno);
    }
    const off_t pos = ::lseek(self->fd_, offset, whence & ~AVSEEK_FORCE);
    return pos < 0 ? AVERROR(errno) : pos;
}

bool OutputFile::close(QString* error)
{
    if (io_) {
        avio_flush(io_);
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
    bool ok = write_error_ == 0;
    if (fd_ >= 0) {
        if (::close(fd_) != 0 && ok) {
            write_error_ = errno;
            ok = false;
        }
        fd_ = -1;
    }
    if (!ok && error)
        *error = QStringLiteral("Writing the file “%1” failed: %2").arg(path_, errno_text(write_error_));
    return ok;
}

void OutputFile::remove()
{
    if (removed_)
        return;
    removed_ = true;
    QString ignored;
    close(&ignored);
    // Only the file this writer made: whatever was put at the path since stays.
    const QByteArray native = QFile::encodeName(path_);
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_)
        ::unlink(native.constData());
}

}  // namespace media::wr
