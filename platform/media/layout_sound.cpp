// Sound files with a declared data size: AIFF, CAF, and MP3 with a length header.
#include <cmath>
#include <cstring>

#include "layout_formats.h"

namespace media::layout {

namespace {

// ID3v1 keeps its 128 bytes at the end of an MP3 file; a tagger that removes it leaves the
// length header counting them.
constexpr int64_t kId3v1Room = 128;

}  // namespace

// AIFF and AIFC: the sound data chunk ("SSND") within the FORM chunk, big-endian sizes.
DeclaredData aiff(ByteSource& bytes)
{
    const int64_t file_size = bytes.size();
    const auto form_size = be32(bytes, 4);
    if (!form_size || !is_text(bytes, 0, "FORM") || (!is_text(bytes, 8, "AIFF") && !is_text(bytes, 8, "AIFC")))
        return {};
    int64_t at = 12;
    while (at + 8 <= file_size) {
        const QByteArray id = bytes.read(at, 4);
        const auto size = be32(bytes, at + 4);
        if (!size)
            break;
        if (id == "SSND")
            return is_placeholder(*size) ? DeclaredData{} : ending_at(at + 8 + *size, file_size);
        if (is_placeholder(*size) && *size != 0)
            return {};
        at += 8 + *size + (*size & 1);
    }
    // Cut before the sound data: only a set size of the whole says that there was more.
    const int64_t form_end = 8 + int64_t(*form_size);
    if (!is_placeholder(*form_size) && form_end > file_size)
        return ending_at(form_end, file_size);
    return {};
}

// CAF: 64-bit chunk sizes; the audio data chunk may say -1, "up to the end of the file".
DeclaredData caf(ByteSource& bytes)
{
    const int64_t file_size = bytes.size();
    if (!is_text(bytes, 0, "caff"))
        return {};
    double seconds_per_byte = 0;
    int64_t at = 8;
    while (at + 12 <= file_size) {
        const QByteArray type = bytes.read(at, 4);
        const auto size = be64(bytes, at + 4);
        if (!size || *size < 0)
            return {};
        // The audio description: the sample rate, then at 16 and 20 the bytes and frames of
        // each packet, which constant-rate audio (linear PCM) gives.
        if (type == "desc" && *size >= 32) {
            const auto rate = be64(bytes, at + 12);
            const auto packet_bytes = be32(bytes, at + 12 + 16);
            const auto packet_frames = be32(bytes, at + 12 + 20);
            double hz = 0;
            if (rate)
                std::memcpy(&hz, &*rate, sizeof hz);
            if (packet_bytes && packet_frames && *packet_bytes > 0 && *packet_frames > 0 && hz > 0 && std::isfinite(hz))
                seconds_per_byte = double(*packet_frames) / *packet_bytes / hz;
        }
        if (type == "data") {
            if (*size == 0)
                return {};
            DeclaredData data = ending_at(at + 12 + *size, file_size);
            // The data begins with a 4-byte edit count.
            data.seconds = seconds_per_byte * double(std::max<int64_t>(*size - 4, 0));
            return data;
        }
        at += 12 + *size;
    }
    return {};
}

namespace {

// The first MPEG audio frame at or after `from`, within a few kilobytes of junk.
std::optional<int64_t> first_frame(ByteSource& bytes, int64_t from)
{
    const QByteArray data = bytes.read(from, 8192);
    for (int i = 0; i + 4 <= data.size(); ++i) {
        const auto b1 = static_cast<unsigned char>(data[i + 1]);
        const auto b2 = static_cast<unsigned char>(data[i + 2]);
        // Sync, a known version and layer, a bit rate and a sample rate that are not reserved.
        if (static_cast<unsigned char>(data[i]) == 0xFF && (b1 & 0xE0) == 0xE0 && (b1 & 0x18) != 0x08 &&
            (b1 & 0x06) != 0 && (b2 & 0xF0) != 0xF0 && (b2 & 0x0C) != 0x0C)
            return from + i;
    }
    return std::nullopt;
}

}  // namespace

// MP3: the byte count of the length header (Xing or Info, or VBRI) in its first frame. A file
// without one declares nothing.
DeclaredData mp3(ByteSource& bytes)
{
    const int64_t file_size = bytes.size();
    int64_t start = 0;
    // An ID3v2 tag first: ten bytes, then its size in 7-bit bytes, then a footer when flagged.
    while (is_text(bytes, start, "ID3")) {
        const QByteArray head = bytes.read(start, 10);
        if (head.size() != 10)
            return {};
        int64_t size = 0;
        for (int i = 6; i < 10; ++i)
            size = size << 7 | (static_cast<unsigned char>(head[i]) & 0x7F);
        start += 10 + size + ((static_cast<unsigned char>(head[5]) & 0x10) ? 10 : 0);
    }
    const auto frame = first_frame(bytes, start);
    if (!frame)
        return {};
    const QByteArray head = bytes.read(*frame, 4);
    const auto b1 = static_cast<unsigned char>(head[1]);
    const auto b3 = static_cast<unsigned char>(head[3]);
    const bool mpeg1 = (b1 & 0x18) == 0x18;
    const bool mono = (b3 & 0xC0) == 0xC0;
    const int64_t side_info = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    std::optional<uint32_t> count;
    const int64_t xing = *frame + 4 + side_info;
    if (is_text(bytes, xing, "Xing") || is_text(bytes, xing, "Info")) {
        const auto flags = be32(bytes, xing + 4);
        // The frame count comes first when present, then the byte count.
        if (flags && (*flags & 0x2))
            count = be32(bytes, xing + 8 + ((*flags & 0x1) ? 4 : 0));
    } else if (const int64_t vbri = *frame + 4 + 32; is_text(bytes, vbri, "VBRI")) {
        count = be32(bytes, vbri + 10);
    }
    if (!count || is_placeholder(*count))
        return {};
    // Counted from the frame, as most encoders count; some count the ID3v2 tag before it too,
    // and a whole file is never taken for a cut one.
    const DeclaredData from_frame = ending_at(*frame + int64_t(*count), file_size, kId3v1Room);
    return from_frame.kind == DeclaredData::Kind::cut && int64_t(*count) <= file_size ? ending_at(*count, file_size)
                                                                                      : from_frame;
}

}  // namespace media::layout
