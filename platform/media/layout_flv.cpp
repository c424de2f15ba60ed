// FLV: the file size that its writer puts into the "onMetaData" script tag at the end.
#include <QtEndian>
#include <cmath>
#include <cstring>

#include "layout_formats.h"

namespace media::layout {

namespace {

// The largest script tag read; a keyframe index of a long recording fits.
constexpr int64_t kLargestScript = 4 << 20;
// The writer counts the file with the size field that closes its last tag.
constexpr int64_t kTrailingTagSize = 4;

// Reads AMF0 values, as the script tag holds them, looking for one number by its name.
class Amf {
public:
    Amf(const QByteArray& data, const char* wanted) : data_(data), wanted_(wanted) {}

    std::optional<double> find()
    {
        // The tag's name ("onMetaData"), then its object; a number read before the object
        // ends (a tag larger than what was read) counts.
        if (value(0))
            value(0);
        return found_;
    }

private:
    bool has(int64_t count) const { return at_ + count <= data_.size(); }
    uint32_t u(int count)
    {
        uint32_t v = 0;
        for (int i = 0; i < count; ++i)
            v = v << 8 | static_cast<unsigned char>(data_[int(at_++)]);
        return v;
    }
    std::optional<QByteArray> key()
    {
        if (!has(2))
            return std::nullopt;
        const uint32_t length = u(2);
        if (!has(length))
            return std::nullopt;
        const QByteArray name = data_.mid(int(at_), int(length));
        at_ += length;
        return name;
    }
    // Name/value pairs up to the empty name and the end marker (9).
    bool members(int depth)
    {
        while (true) {
            const auto name = key();
            if (!name)
                return false;
            if (name->isEmpty()) {
                if (!has(1))
                    return false;
                return u(1) == 9;
            }
            if (depth == 1 && *name == wanted_ && has(9) && static_cast<unsigned char>(data_[int(at_)]) == 0) {
                ++at_;
                found_ = qFromBigEndian<double>(data_.constData() + at_);
                at_ += 8;
                continue;
            }
            if (!value(depth))
                return false;
        }
    }
    bool value(int depth)
    {
        if (!has(1) || depth > 16)
            return false;
        switch (u(1)) {
        case 0: return skip(8);        // number
        case 1: return skip(1);        // boolean
        case 2: return key().has_value();  // string
        case 3: return members(depth + 1);  // object
        case 5:                        // null
        case 6: return true;           // undefined
        case 7: return skip(2);        // reference
        case 8: return skip(4) && members(depth + 1);  // ECMA array: a count, then pairs
        case 10: {                     // strict array
            if (!has(4))
                return false;
            for (uint32_t n = u(4); n > 0; --n)
                if (!value(depth + 1))
                    return false;
            return true;
        }
        case 11: return skip(10);      // date
        case 12: {                     // long string
            if (!has(4))
                return false;
            return skip(u(4));
        }
        default: return false;
        }
    }
    bool skip(int64_t count)
    {
        if (!has(count))
            return false;
        at_ += count;
        return true;
    }

    const QByteArray& data_;
    const QByteArray wanted_;
    int64_t at_ = 0;
    std::optional<double> found_;
};

}  // namespace

DeclaredData flv(ByteSource& bytes)
{
    const int64_t file_size = bytes.size();
    const auto header_size = be32(bytes, 5);
    if (!is_text(bytes, 0, "FLV") || !header_size || *header_size < 9)
        return {};
    // The first tag, after the size of the tag before it (none: zero).
    const int64_t tag = int64_t(*header_size) + 4;
    const QByteArray head = bytes.read(tag, 11);
    if (head.size() != 11 || (static_cast<unsigned char>(head[0]) & 0x1F) != 18)
        return {};
    const int64_t size = int64_t(static_cast<unsigned char>(head[1])) << 16 |
                         int64_t(static_cast<unsigned char>(head[2])) << 8 | static_cast<unsigned char>(head[3]);
    const QByteArray script = bytes.read(tag + 11, std::min(size, kLargestScript));
    const auto declared = Amf(script, "filesize").find();
    // Zero, or no number at all, when the writer could not go back.
    if (!declared || !std::isfinite(*declared) || *declared < 1 || *declared > 9.0e15)
        return {};
    return ending_at(int64_t(*declared), file_size, kTrailingTagSize);
}

}  // namespace media::layout
