#include "output_file.h"

#include <QFile>
#include <cerrno>
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

// Output is written in blocks of this size, as the command-line tool writes files.
constexpr int kBufferSize = 1 << 18;

}  // namespace

std::unique_ptr<OutputFile> OutputFile::create(const QString& path, int* error)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (error)
            *error = errno;
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
        file->io_.reset(avio_alloc_context(buffer, kBufferSize, 1, file.get(), nullptr, &OutputFile::write,
                                           &OutputFile::seek));
    if (!file->io_) {
        av_free(buffer);
        file->remove();
        if (error)
            *error = ENOMEM;
        return nullptr;
    }
    return file;
}

void OutputFile::IoFreer::operator()(AVIOContext* io) const
{
    av_freep(&io->buffer);
    avio_context_free(&io);
}

OutputFile::~OutputFile() { close(); }

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

int OutputFile::close()
{
    if (io_) {
        avio_flush(io_.get());
        io_.reset();
    }
    if (fd_ >= 0) {
        if (::close(fd_) != 0 && !write_error_)
            write_error_ = errno;
        fd_ = -1;
    }
    return write_error_;
}

void OutputFile::remove()
{
    if (removed_)
        return;
    removed_ = true;
    close();
    // Only the file this writer made: whatever was put at the path since stays.
    const QByteArray native = QFile::encodeName(path_);
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_)
        ::unlink(native.constData());
}

}  // namespace media::wr
