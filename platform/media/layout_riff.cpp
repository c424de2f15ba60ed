// RIFF files: AVI, in one part or with OpenDML's further parts, and WAV.
#include <algorithm>

#include "layout_formats.h"

namespace media::layout {

namespace {

constexpr int64_t kChunkHeader = 8;
// A header list larger than this is no header a writer made.
constexpr int64_t kLargestHeaderList = 16 << 20;

struct Chunk {
    QByteArray id;
    int64_t at = 0;
    uint32_t size = 0;
    int64_t data() const { return at + kChunkHeader; }
    int64_t end() const { return data() + size; }
    // The next chunk follows the pad byte of an odd size.
    int64_t next() const { return end() + (size & 1); }
};

std::optional<Chunk> chunk_at(ByteSource& bytes, int64_t at)
{
    const QByteArray head = bytes.read(at, kChunkHeader);
    if (head.size() != kChunkHeader)
        return std::nullopt;
    return Chunk{head.left(4), at, le32(head, 4)};
}

bool is_list(ByteSource& bytes, const Chunk& chunk, const char* type)
{
    return chunk.id == "LIST" && is_text(bytes, chunk.data(), type);
}

// Calls `visit(id, data offset, size)` for every chunk of a header list, within its lists too.
template <typename Visit>
void for_each_chunk(const QByteArray& list, int from, int to, const Visit& visit)
{
    int at = from;
    while (at + kChunkHeader <= to) {
        const QByteArray id = list.mid(at, 4);
        const uint32_t size = le32(list, at + 4);
        const int64_t chunk_end = at + kChunkHeader + int64_t(size);
        if (chunk_end > to)
            return;
        if (id == "LIST" && size >= 4)
            for_each_chunk(list, at + 12, int(chunk_end), visit);
        else
            visit(id, at + int(kChunkHeader), size);
        at = int(chunk_end + (size & 1));
    }
}

struct AviHeader {
    // The latest end of the standard indexes that OpenDML's super indexes place: each closes a
    // part's data.
    int64_t indexes_end = 0;
    double seconds = 0;
};

AviHeader avi_header(const QByteArray& list)
{
    AviHeader header;
    double frame_seconds = 0;
    uint32_t frames = 0;
    uint32_t all_frames = 0;
    for_each_chunk(list, 0, int(list.size()), [&](const QByteArray& id, int at, uint32_t size) {
        // The main header's frame duration in microseconds and the first part's frame count;
        // OpenDML's extended header counts the frames of all parts.
        if (id == "avih" && size >= 20) {
            frame_seconds = le32(list, at) / 1e6;
            frames = le32(list, at + 16);
        }
        if (id == "dmlh" && size >= 4)
            all_frames = le32(list, at);
        // wLongsPerEntry, bIndexSubType, bIndexType (0: an index of indexes), nEntriesInUse,
        // dwChunkId, three reserved words; then 16-byte entries of offset, size, duration.
        if (id == "indx" && size >= 24 && static_cast<unsigned char>(list[at + 3]) == 0) {
            const int64_t in_use = std::min<int64_t>(le32(list, at + 4), (int64_t(size) - 24) / 16);
            for (int64_t k = 0; k < in_use; ++k) {
                const int entry = at + 24 + int(k) * 16;
                const uint64_t offset = le64(list, entry);
                const uint32_t entry_size = le32(list, entry + 8);
                if (offset == 0 || offset >= (uint64_t(1) << 62) || is_placeholder(entry_size))
                    continue;
                header.indexes_end = std::max(header.indexes_end, int64_t(offset) + int64_t(entry_size));
            }
        }
    });
    const uint32_t counted = is_placeholder(all_frames) ? frames : all_frames;
    if (!is_placeholder(counted))
        header.seconds = frame_seconds * counted;
    return header;
}

}  // namespace

// Each RIFF part ("AVI ", then "AVIX") holds a "movi" list of media data, followed by an
// index; an index cut off after the data loses no media. The first part's header announces
// the further parts through the streams' super indexes, so a file cut at a part's end, or in
// the first part's index, is still known to lack the parts that follow.
DeclaredData avi(ByteSource& bytes)
{
    const int64_t file_size = bytes.size();
    int64_t declared = 0;
    bool judged = false;
    double seconds = 0;
    int64_t offset = 0;
    while (offset + 12 <= file_size) {
        const auto part = chunk_at(bytes, offset);
        const QByteArray form = bytes.read(offset + 8, 4);
        const bool first = offset == 0;
        if (!part || part->id != "RIFF" || form != (first ? "AVI " : "AVIX"))
            break;
        // A part whose size was never set is read as far as the file goes, and is the last
        // whose place is known.
        const bool sized = !is_placeholder(part->size);
        const int64_t part_end = sized ? part->end() : file_size;
        bool data_found = false;
        int64_t at = offset + 12;
        while (at + kChunkHeader <= std::min(part_end, file_size)) {
            const auto chunk = chunk_at(bytes, at);
            if (!chunk)
                break;
            if (is_list(bytes, *chunk, "movi")) {
                if (!is_placeholder(chunk->size)) {
                    declared = std::max(declared, chunk->end());
                    judged = true;
                }
                data_found = true;
                break;
            }
            if (first && is_list(bytes, *chunk, "hdrl") && chunk->size <= kLargestHeaderList) {
                const AviHeader header = avi_header(bytes.read(chunk->data() + 4, chunk->size - 4));
                if (header.indexes_end > 0) {
                    declared = std::max(declared, header.indexes_end);
                    judged = true;
                }
                seconds = header.seconds;
            }
            if (!sized && is_placeholder(chunk->size))
                break;
            at = chunk->next();
        }
        // A sized part that ends past the file before its data list lost that data.
        if (sized && !data_found && part_end > file_size) {
            declared = std::max(declared, part_end);
            judged = true;
        }
        if (!sized)
            break;
        offset = part->next();
    }
    if (!judged)
        return {};
    DeclaredData data = ending_at(declared, file_size);
    data.seconds = seconds;
    return data;
}

// WAV: the "data" chunk's size, or in RF64 and BW64 files the 64-bit size of the "ds64" chunk
// that stands in for it.
DeclaredData wave(ByteSource& bytes)
{
    const int64_t file_size = bytes.size();
    const auto riff = chunk_at(bytes, 0);
    const QByteArray form = bytes.read(8, 4);
    if (!riff || form != "WAVE" || (riff->id != "RIFF" && riff->id != "RF64" && riff->id != "BW64"))
        return {};
    std::optional<uint64_t> long_size;
    uint32_t bytes_per_second = 0;
    const auto ending = [&](int64_t data, int64_t size) {
        DeclaredData declared = ending_at(data + size, file_size);
        if (bytes_per_second > 0)
            declared.seconds = double(size) / bytes_per_second;
        return declared;
    };
    int64_t at = 12;
    while (const auto chunk = chunk_at(bytes, at)) {
        if (chunk->id == "ds64")
            long_size = le64(bytes, chunk->data() + 8);
        // The format's average bytes per second.
        if (chunk->id == "fmt " && chunk->size >= 12)
            bytes_per_second = le32(bytes, chunk->data() + 8).value_or(0);
        if (chunk->id == "data") {
            if (chunk->size == 0xFFFFFFFFu && long_size && *long_size > 0 && *long_size < (uint64_t(1) << 62))
                return ending(chunk->data(), int64_t(*long_size));
            if (is_placeholder(chunk->size))
                return {};
            return ending(chunk->data(), chunk->size);
        }
        // A chunk before the data whose size is not set hides where the data begins.
        if (is_placeholder(chunk->size) && chunk->size != 0)
            return {};
        at = chunk->next();
    }
    // Cut before the data: only a set size of the whole says that there was more.
    if (riff->id == "RIFF" && !is_placeholder(riff->size) && riff->end() > file_size)
        return ending_at(riff->end(), file_size);
    return {};
}

}  // namespace media::layout
