#pragma once

#include <QString>
#include <memory>
#include <sys/types.h>

struct AVIOContext;

namespace media::wr {

// The writer's output file: created exclusively (an existing file is never opened), written
// through an AVIOContext, and removable only by its creator.
class OutputFile {
public:
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // nullptr with a description when the file exists or cannot be created.
    static std::unique_ptr<OutputFile> create(const QString& path, QString* error);

    AVIOContext* io() const { return io_; }
    const QString& path() const { return path_; }
    // Flushes and closes; false with a description when data could not be written.
    bool close(QString* error);
    // Closes without caring for errors and deletes the file, when the path still names it.
    void remove();

private:
    OutputFile() = default;
    static int write(void* opaque, uint8_t* data, int size);
    static int64_t seek(void* opaque, int64_t offset, int whence);

    QString path_;
    int fd_ = -1;
    AVIOContext* io_ = nullptr;
    int write_error_ = 0;  // errno of the first failed write
    bool removed_ = false;
    dev_t device_ = 0;  // identity of the created file
    ino_t inode_ = 0;
};

}  // namespace media::wr
