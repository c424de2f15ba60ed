#pragma once

#include <QString>
#include <memory>
#include <sys/types.h>

struct AVIOContext;

namespace media::wr {

// The writer's output file: created exclusively (an existing file is never opened), written
// through an AVIOContext, and removable only by its creator. Failures are kept as the
// system's error numbers, so that their cause (a full disk, a missing permission) is told.
class OutputFile {
public:
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // nullptr, with the errno in *error, when the file exists or cannot be created.
    static std::unique_ptr<OutputFile> create(const QString& path, int* error);

    AVIOContext* io() const { return io_.get(); }
    const QString& path() const { return path_; }
    // errno of the first write that failed; 0 while every write succeeded.
    int write_error() const { return write_error_; }
    // Flushes and closes; 0, or the errno of the first write or of the close that failed.
    int close();
    // Closes without caring for errors and deletes the file, when the path still names it.
    void remove();
    // The file was renamed away by its creator: nothing is left to remove.
    void forget() { removed_ = true; }

private:
    OutputFile() = default;
    static int write(void* opaque, uint8_t* data, int size);
    static int64_t seek(void* opaque, int64_t offset, int whence);

    QString path_;
    int fd_ = -1;
    // Frees the context and the buffer it holds, without flushing.
    struct IoFreer {
        void operator()(AVIOContext* io) const;
    };
    std::unique_ptr<AVIOContext, IoFreer> io_;
    int write_error_ = 0;  // errno of the first failed write
    bool removed_ = false;
    dev_t device_ = 0;  // identity of the created file
    ino_t inode_ = 0;
};

}  // namespace media::wr
