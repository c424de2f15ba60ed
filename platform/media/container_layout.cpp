#include "container_layout.h"

#include <QFile>
#include <cstring>
#include <optional>

namespace media {

namespace {

class Bytes {
public:
    explicit Bytes(const QString& path) : file_(path) { ok_ = file_.open(QIODevice::ReadOnly); }
    bool ok() const { return ok_; }
    qint64 size() const { return file_.size(); }
    // `count` bytes at `offset`, or none where the file ends before them.
    std::optional<QByteArray> at(qint64 offset, qint64 count)
    {
        if (offset < 0 || offset + count > size() || !file_.seek(offset))
            return std::nullopt;
        QByteArray data = file_.read(count);
        if (data.size() != count)
            return std::nullopt;
        return data;
    }

private:
    QFile file_;
    bool ok_ = false;
};

uint32_t le32(const QByteArray& b, int at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + at);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// RIFF AVI: the first part ("AVI "), then OpenDML's further parts ("AVIX"), each a RIFF
// chunk with a "movi" list of the media data; the index follows the data, so a file whose
// index alone is missing still holds all of its media.
bool avi_holds_all(Bytes& file)
{
    qint64 offset = 0;
    bool parts = false;
    while (const auto head = file.at(offset, 12)) {
        const QByteArray form = head->mid(8, 4);
        if (!head->startsWith("RIFF") || (form != "AVI " && form != "AVIX"))
            break;
        const qint64 size = le32(*head, 4);
        // A writer that could not go back leaves the sizes at zero: they declare nothing.
        if (size == 0)
            return false;
        const qint64 end = offset + 8 + size + (size & 1);
        bool data_found = false;
        qint64 sub = offset + 12;
        while (sub < end) {
            const auto chunk = file.at(sub, 12);
            if (!chunk)
                break;
            const qint64 chunk_size = le32(*chunk, 4);
            if (chunk->startsWith("LIST") && chunk->mid(8, 4) == "movi") {
                if (chunk_size == 0 || sub + 8 + chunk_size > file.size())
                    return false;
                data_found = true;
            }
            sub += 8 + chunk_size + (chunk_size & 1);
        }
        // A part that runs past the end before its data list was read has lost that data.
        if (!data_found && end > file.size())
            return false;
        parts = parts || data_found;
        offset = end;
    }
    return parts;
}

// EBML's variable-length numbers: the count of leading zero bits says the length. An ID
// keeps its marker bit; a size does not, and all ones means "unknown".
struct Vint {
    uint64_t value = 0;
    int length = 0;
    bool unknown = false;
};

std::optional<Vint> read_vint(Bytes& file, qint64 offset, bool keep_marker)
{
    const auto first = file.at(offset, 1);
    if (!first)
        return std::nullopt;
    const auto lead = static_cast<unsigned char>(first->at(0));
    int length = 1;
    while (length <= 8 && !(lead & (0x80 >> (length - 1))))
        ++length;
    if (length > 8)
        return std::nullopt;
    const auto bytes = file.at(offset, length);
    if (!bytes)
        return std::nullopt;
    Vint v;
    v.length = length;
    v.value = keep_marker ? lead : lead & (0xff >> length);
    bool all_ones = (lead & (0xff >> length)) == (0xff >> length);
    for (int i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes->at(i));
        v.value = v.value << 8 | byte;
        all_ones = all_ones && byte == 0xff;
    }
    v.unknown = !keep_marker && all_ones;
    return v;
}

// Matroska and WebM: the EBML header, then one segment whose size its writer set once the
// file was complete.
bool matroska_holds_all(Bytes& file)
{
    constexpr uint64_t kEbml = 0x1A45DFA3;
    constexpr uint64_t kSegment = 0x18538067;
    qint64 offset = 0;
    for (const uint64_t expected : {kEbml, kSegment}) {
        const auto id = read_vint(file, offset, true);
        if (!id || id->value != expected)
            return false;
        const auto size = read_vint(file, offset + id->length, false);
        if (!size || size->unknown)
            return false;
        offset += id->length + size->length;
        if (expected == kSegment)
            return qint64(size->value) >= 0 && offset + qint64(size->value) <= file.size();
        offset += qint64(size->value);
    }
    return false;
}

}  // namespace

bool holds_all_media_data(const QString& path, const char* format_name)
{
    if (!format_name)
        return false;
    Bytes file(path);
    if (!file.ok())
        return false;
    if (std::strcmp(format_name, "avi") == 0)
        return avi_holds_all(file);
    if (std::strcmp(format_name, "matroska,webm") == 0)
        return matroska_holds_all(file);
    return false;
}

}  // namespace media
