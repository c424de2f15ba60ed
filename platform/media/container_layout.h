#pragma once

// What a file declares in bytes about where its media data ends: the sizes and positions that
// its writer fixed once the file was complete (chunk and element sizes, a byte count in a
// header, the positions of further parts), read at a few places and held against the file's
// size. Placeholders (zero, all ones, an unknown size, a writer's maximum) declare nothing.
// Lengths in time never enter here: demuxers estimate them from timestamps, start offsets and
// last frames, which a whole file may have as it likes.

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace media {

// Bytes at given places of a file, or of a made-up layout.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual int64_t size() const = 0;
    // `count` bytes at `offset`; fewer, or none, where the source ends before them.
    virtual QByteArray read(int64_t offset, int64_t count) = 0;
};

// A file's bytes, through one descriptor; a file that does not open has none.
class FileBytes final : public ByteSource {
public:
    explicit FileBytes(const QString& path);
    ~FileBytes() override;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    int64_t size() const override { return size_; }
    QByteArray read(int64_t offset, int64_t count) override;

private:
    int fd_ = -1;
    int64_t size_ = 0;
};

struct DeclaredData {
    enum class Kind {
        // The file declares nothing that places its media data (Ogg, MPEG streams, a file
        // written to a pipe, a container read here in no other way): it is not judged.
        nothing,
        whole,
        // Its media data should reach `declared_end`, past the end of the file.
        cut,
    };
    Kind kind = Kind::nothing;
    int64_t declared_end = 0;
    int64_t file_size = 0;
    // The length in seconds that the same headers declare, where they do (else 0): the
    // demuxer knows a cut file's length only as far as its data goes for some containers.
    double seconds = 0;
};

// For the container that the demuxer named (AVI, WAV, AIFF, CAF, FLV, Matroska and WebM,
// MP3); other containers declare nothing here.
DeclaredData declared_data(ByteSource& bytes, const char* format_name);
DeclaredData declared_data(const QString& path, const char* format_name);

}  // namespace media
