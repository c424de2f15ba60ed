// Matroska and WebM: the EBML header, then one segment whose size its writer set once the file
// was complete. The media data is in the segment's clusters; what a writer puts after the last
// cluster (cues, tags) can be lost without losing media.
#include <algorithm>
#include <vector>

#include "layout_formats.h"

namespace media::layout {

namespace {

constexpr uint64_t kEbml = 0x1A45DFA3;
constexpr uint64_t kSegment = 0x18538067;
constexpr uint64_t kCluster = 0x1F43B675;
constexpr uint64_t kSeekHead = 0x114D9B74;
constexpr uint64_t kSeek = 0x4DBB;
constexpr uint64_t kSeekPosition = 0x53AC;
// Elements before the first cluster (seek heads, voids, info, tracks, tags, ...): a writer
// puts a handful there.
constexpr int kElementsBeforeClusters = 64;
// Clusters walked when no seek head says where they end; reached only in a file already cut.
constexpr int64_t kClustersWalked = 1 << 20;
constexpr int64_t kLargestSeekHead = 1 << 20;

// A variable-length number: the count of leading zero bits says its length. An ID keeps its
// marker bit; a size does not, and all ones of any length means "unknown".
struct Vint {
    uint64_t value = 0;
    int length = 0;
    bool unknown = false;
};

std::optional<Vint> vint(const QByteArray& data, int at, bool keep_marker)
{
    if (at < 0 || at >= data.size())
        return std::nullopt;
    const auto lead = static_cast<unsigned char>(data[at]);
    int length = 1;
    while (length <= 8 && !(lead & (0x80 >> (length - 1))))
        ++length;
    if (length > 8 || at + length > data.size())
        return std::nullopt;
    Vint v;
    v.length = length;
    v.value = keep_marker ? lead : lead & (0xFF >> length);
    bool all_ones = (lead & (0xFF >> length)) == (0xFF >> length);
    for (int i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(data[at + i]);
        v.value = v.value << 8 | byte;
        all_ones = all_ones && byte == 0xFF;
    }
    v.unknown = !keep_marker && all_ones;
    return v;
}

struct Element {
    uint64_t id = 0;
    int64_t at = 0;
    int64_t data = 0;
    int64_t size = 0;
    bool unknown_size = false;
    int64_t end() const { return data + size; }
};

std::optional<Element> element(const QByteArray& data, int at, int64_t base)
{
    const auto id = vint(data, at, true);
    if (!id)
        return std::nullopt;
    const auto size = vint(data, at + id->length, false);
    if (!size || (!size->unknown && size->value >= (uint64_t(1) << 56)))
        return std::nullopt;
    Element e;
    e.id = id->value;
    e.at = base + at;
    e.data = e.at + id->length + size->length;
    e.size = size->unknown ? 0 : int64_t(size->value);
    e.unknown_size = size->unknown;
    return e;
}

// An element's header at a place of the file: at most 4 bytes of ID and 8 of size.
std::optional<Element> element_at(ByteSource& bytes, int64_t at)
{
    return element(bytes.read(at, 12), 0, at);
}

// The positions that a seek head lists, from the segment's data.
std::vector<int64_t> seek_positions(const QByteArray& head, int64_t segment_data)
{
    std::vector<int64_t> positions;
    int at = 0;
    while (const auto seek = element(head, at, 0)) {
        if (seek->unknown_size || seek->end() > head.size())
            break;
        if (seek->id == kSeek) {
            int inner = int(seek->data);
            while (const auto field = element(head, inner, 0)) {
                if (field->unknown_size || field->end() > seek->end())
                    break;
                if (field->id == kSeekPosition && field->size >= 1 && field->size <= 8) {
                    uint64_t position = 0;
                    for (int64_t i = 0; i < field->size; ++i)
                        position = position << 8 | static_cast<unsigned char>(head[int(field->data + i)]);
                    if (position < (uint64_t(1) << 56))
                        positions.push_back(segment_data + int64_t(position));
                }
                inner = int(field->end());
            }
        }
        at = int(seek->end());
    }
    return positions;
}

}  // namespace

DeclaredData matroska(ByteSource& bytes)
{
    const int64_t file_size = bytes.size();
    const auto header = element_at(bytes, 0);
    if (!header || header->id != kEbml || header->unknown_size)
        return {};
    const auto segment = element_at(bytes, header->end());
    if (!segment || segment->id != kSegment || segment->unknown_size)
        return {};
    if (segment->end() <= file_size)
        return ending_at(segment->end(), file_size);

    // Part of the segment is missing (every end below lies past the file's, or is where the
    // media ends within it). It is media unless all of the clusters are there: the
    // elements up to the first cluster are few, and their seek heads say where the elements
    // after the last cluster begin.
    std::vector<int64_t> listed;
    std::optional<int64_t> first_cluster;
    int64_t at = segment->data;
    for (int n = 0; n < kElementsBeforeClusters && !first_cluster; ++n) {
        const auto e = element_at(bytes, at);
        if (!e || e->unknown_size || e->end() > file_size)
            return ending_at(segment->end(), file_size);
        if (e->id == kCluster)
            first_cluster = e->at;
        else if (e->id == kSeekHead && e->size <= kLargestSeekHead) {
            const std::vector<int64_t> found = seek_positions(bytes.read(e->data, e->size), segment->data);
            listed.insert(listed.end(), found.begin(), found.end());
        }
        at = e->end();
    }
    if (!first_cluster)
        return ending_at(segment->end(), file_size);
    int64_t after_clusters = segment->end();
    for (const int64_t position : listed)
        if (position > *first_cluster)
            after_clusters = std::min(after_clusters, position);
    if (after_clusters < segment->end())
        return ending_at(after_clusters, file_size);

    // No seek head places them: the clusters are walked to where the file ends.
    bool last_was_cluster = false;
    at = *first_cluster;
    for (int64_t n = 0; n < kClustersWalked && at < file_size; ++n) {
        const auto e = element_at(bytes, at);
        if (!e || e->unknown_size)
            return ending_at(segment->end(), file_size);
        if (e->end() > file_size) {
            if (e->id == kCluster)
                return ending_at(e->end(), file_size);
            return ending_at(e->at, file_size);
        }
        last_was_cluster = e->id == kCluster;
        at = e->end();
    }
    // The file ends between elements: after a cluster, more may have followed.
    return last_was_cluster || at < file_size ? ending_at(segment->end(), file_size) : ending_at(at, file_size);
}

}  // namespace media::layout
