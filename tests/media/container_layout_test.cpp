// The sizes and positions that files declare, read from small made-up byte layouts: the shapes
// that real writers leave (placeholders, padding, further parts, trailing indexes) without
// files too large or too odd for the tools here to write.
#include <QtEndian>
#include <gtest/gtest.h>

#include "platform/media/container_layout.h"

using media::DeclaredData;
using Kind = media::DeclaredData::Kind;

namespace {

class Bytes final : public media::ByteSource {
public:
    explicit Bytes(QByteArray data) : data_(std::move(data)) {}
    int64_t size() const override { return data_.size(); }
    QByteArray read(int64_t offset, int64_t count) override
    {
        return offset < 0 || offset >= data_.size() ? QByteArray() : data_.mid(int(offset), int(count));
    }

private:
    QByteArray data_;
};

Kind kind_of(const QByteArray& data, const char* format)
{
    Bytes bytes(data);
    return media::declared_data(bytes, format).kind;
}

template <typename T, bool big>
QByteArray number(T v)
{
    QByteArray b(sizeof(T), '\0');
    if constexpr (big)
        qToBigEndian(v, b.data());
    else
        qToLittleEndian(v, b.data());
    return b;
}
QByteArray le32(uint32_t v) { return number<uint32_t, false>(v); }
QByteArray le64(uint64_t v) { return number<uint64_t, false>(v); }
QByteArray be32(uint32_t v) { return number<uint32_t, true>(v); }
QByteArray be64(uint64_t v) { return number<uint64_t, true>(v); }

// A RIFF chunk with its real size and a pad byte after an odd one.
QByteArray chunk(const char* id, const QByteArray& data, std::optional<uint32_t> size = std::nullopt)
{
    QByteArray c = QByteArray(id, 4) + le32(size.value_or(uint32_t(data.size()))) + data;
    return data.size() % 2 ? c + '\0' : c;
}
QByteArray list(const char* type, const QByteArray& inner, std::optional<uint32_t> size = std::nullopt)
{
    return chunk("LIST", QByteArray(type, 4) + inner, size);
}

// Every prefix shorter than `length` of a layout reads without a verdict of its own making.
void expect_short_prefixes_declare_nothing(const QByteArray& layout, int length, const char* format)
{
    for (int n = 0; n < length; ++n)
        EXPECT_EQ(kind_of(layout.left(n), format), Kind::nothing) << format << " cut to " << n << " bytes";
}

// An AVI whose first part's header announces, through a stream's super index, a standard index
// in a second part ("AVIX").
struct TwoPartAvi {
    QByteArray bytes;
    int first_index_at = 0;  // the first part's legacy index ("idx1")
    int second_part_at = 0;
};

TwoPartAvi two_part_avi()
{
    const QByteArray frames = chunk("00dc", QByteArray(1000, 'v')) + chunk("00dc", QByteArray(999, 'v'));
    const auto header = [](uint64_t second_index_at, uint32_t second_index_size) {
        QByteArray indx = QByteArray::fromHex("0400") + QByteArray(1, '\0') + QByteArray(1, '\0') + le32(1) +
                          QByteArray("00dc") + QByteArray(12, '\0');
        indx += le64(second_index_at) + le32(second_index_size) + le32(2);
        return list("hdrl", chunk("avih", le32(40000) + QByteArray(12, '\0') + le32(4) + QByteArray(36, '\0')) +
                                list("strl", chunk("strh", QByteArray(56, '\0')) + chunk("indx", indx)));
    };
    // Laid out once to learn the places, then again with the super index filled in.
    TwoPartAvi avi;
    for (int pass = 0; pass < 2; ++pass) {
        const QByteArray hdrl = header(avi.second_part_at ? uint64_t(avi.second_part_at) + 24 + frames.size() : 0,
                                       uint32_t(8 + 8));
        const QByteArray first = QByteArray("AVI ") + hdrl + list("movi", frames) + chunk("idx1", QByteArray(32, 'i'));
        const QByteArray second = QByteArray("AVIX") + list("movi", frames + chunk("ix00", QByteArray(8, 'x')));
        avi.bytes = chunk("RIFF", first) + chunk("RIFF", second);
        avi.first_index_at = 8 + 4 + hdrl.size() + list("movi", frames).size();
        avi.second_part_at = 8 + first.size();
    }
    return avi;
}

QByteArray ebml_header() { return QByteArray::fromHex("1A45DFA3") + QByteArray::fromHex("84") + QByteArray("webm"); }

QByteArray element(const char* id_hex, const QByteArray& data)
{
    // Sizes in eight bytes, as writers that fill them in afterwards leave them.
    return QByteArray::fromHex(id_hex) + QByteArray::fromHex("01") + be64(uint64_t(data.size())).mid(1) + data;
}

// A segment: a seek head that places the cues (or nothing), one info element, two clusters,
// then the cues.
struct Matroska {
    QByteArray bytes;
    int cluster_at = 0;
    int cues_at = 0;
};

Matroska matroska(bool cues_listed, std::optional<QByteArray> size_field = std::nullopt)
{
    Matroska m;
    QByteArray body;
    for (int pass = 0; pass < 2; ++pass) {
        const int segment_data = ebml_header().size() + 4 + 8;
        const QByteArray seek = element("4DBB", element("53AB", QByteArray::fromHex("1C53BB6B")) +
                                                    element("53AC", be64(uint64_t(m.cues_at - segment_data))));
        const QByteArray head = (cues_listed ? element("114D9B74", seek) : element("EC", QByteArray(37, '\0'))) +
                                element("1549A966", QByteArray(20, 'i'));
        const QByteArray clusters = element("1F43B675", QByteArray(500, 'c')) + element("1F43B675", QByteArray(501, 'c'));
        body = head + clusters + element("1C53BB6B", QByteArray(64, 'q'));
        m.cluster_at = segment_data + head.size();
        m.cues_at = m.cluster_at + clusters.size();
    }
    const QByteArray size = size_field.value_or(QByteArray::fromHex("01") + be64(uint64_t(body.size())).mid(1));
    m.bytes = ebml_header() + QByteArray::fromHex("18538067") + size + body;
    return m;
}

}  // namespace

TEST(ContainerLayout, AviPartsAndTheirDataLists)
{
    const QByteArray frames = chunk("00dc", QByteArray(101, 'v'));  // odd: padded
    const QByteArray whole = chunk("RIFF", QByteArray("AVI ") + list("hdrl", chunk("avih", QByteArray(56, '\0'))) +
                                               list("movi", frames) + chunk("idx1", QByteArray(16, 'i')));
    EXPECT_EQ(kind_of(whole, "avi"), Kind::whole);
    // Only the index after the data lost: all media is there.
    EXPECT_EQ(kind_of(whole.left(whole.size() - 5), "avi"), Kind::whole);
    // Cut in the data.
    const int movi_end = whole.size() - 24 - 1;
    EXPECT_EQ(kind_of(whole.left(movi_end - 1), "avi"), Kind::cut);
    // A layout that ends its data list with no pad byte after an odd size lacks nothing.
    const QByteArray unpadded = chunk("RIFF", QByteArray("AVI ") + list("movi", QByteArray("00dc") + le32(101) + QByteArray(101, 'v')));
    EXPECT_EQ(kind_of(unpadded.left(unpadded.size() - 1), "avi"), Kind::whole);
    // The sizes that a writer to a pipe leaves: zero or all ones, in the RIFF chunk and its data list.
    for (const uint32_t placeholder : {0u, 0xFFFFFFFFu}) {
        const QByteArray piped = chunk("RIFF", QByteArray("AVI ") + list("movi", frames, placeholder), placeholder);
        EXPECT_EQ(kind_of(piped.left(piped.size() - 50), "avi"), Kind::nothing) << placeholder;
    }
    // A RIFF size past the end, over a data list that is all there.
    const QByteArray long_riff = chunk("RIFF", QByteArray("AVI ") + list("movi", frames), 100000);
    EXPECT_EQ(kind_of(long_riff, "avi"), Kind::whole);
    expect_short_prefixes_declare_nothing(whole, 12, "avi");
}

TEST(ContainerLayout, AMultiPartAviCutInItsFirstIndexOrAtAPartBoundaryIsCut)
{
    const TwoPartAvi avi = two_part_avi();
    EXPECT_EQ(kind_of(avi.bytes, "avi"), Kind::whole);
    EXPECT_EQ(kind_of(avi.bytes.left(avi.first_index_at + 12), "avi"), Kind::cut) << "in the first part's index";
    EXPECT_EQ(kind_of(avi.bytes.left(avi.second_part_at), "avi"), Kind::cut) << "at the part boundary";
    EXPECT_EQ(kind_of(avi.bytes.left(avi.second_part_at + 20), "avi"), Kind::cut) << "in the second part";
    Bytes bytes(avi.bytes.left(avi.second_part_at));
    const DeclaredData data = media::declared_data(bytes, "avi");
    EXPECT_EQ(data.file_size, avi.second_part_at);
    EXPECT_GT(data.declared_end, avi.second_part_at);
}

TEST(ContainerLayout, WaveDataSizes)
{
    const QByteArray fmt = chunk("fmt ", le32(0x00020001) + le32(48000) + le32(192000) + le32(0x00100004));
    const QByteArray wave = chunk("RIFF", QByteArray("WAVE") + fmt + chunk("data", QByteArray(4001, 's')));
    EXPECT_EQ(kind_of(wave, "wav"), Kind::whole);
    EXPECT_EQ(kind_of(wave.left(wave.size() - 1), "wav"), Kind::whole) << "only the pad byte is missing";
    EXPECT_EQ(kind_of(wave.left(wave.size() - 2), "wav"), Kind::cut);
    Bytes half(wave.left(wave.size() / 2));
    EXPECT_NEAR(media::declared_data(half, "wav").seconds, 4001.0 / 192000, 1e-9);
    for (const uint32_t placeholder : {0u, 0xFFFFFFFFu, 0x7FFFFFFFu}) {
        const QByteArray piped = chunk("RIFF", QByteArray("WAVE") + fmt + chunk("data", QByteArray(4000, 's'), placeholder), placeholder);
        EXPECT_EQ(kind_of(piped.left(piped.size() - 100), "wav"), Kind::nothing) << placeholder;
    }
    // RF64: the data size stands in the ds64 chunk.
    const QByteArray rf64 = QByteArray("RF64") + le32(0xFFFFFFFF) + QByteArray("WAVE") +
                            chunk("ds64", le64(0) + le64(4000) + le64(1000)) + fmt +
                            chunk("data", QByteArray(4000, 's'), 0xFFFFFFFFu);
    EXPECT_EQ(kind_of(rf64, "wav"), Kind::whole);
    EXPECT_EQ(kind_of(rf64.left(rf64.size() - 100), "wav"), Kind::cut);
    expect_short_prefixes_declare_nothing(wave, 12, "wav");
}

TEST(ContainerLayout, AiffAndCafSoundData)
{
    const QByteArray ssnd = QByteArray("SSND") + be32(8 + 1001) + QByteArray(8, '\0') + QByteArray(1001, 's') + '\0';
    const QByteArray body = QByteArray("AIFF") + QByteArray("COMM") + be32(18) + QByteArray(18, '\0') + ssnd;
    const QByteArray aiff = QByteArray("FORM") + be32(uint32_t(body.size() - 1)) + body;
    EXPECT_EQ(kind_of(aiff, "aiff"), Kind::whole);
    EXPECT_EQ(kind_of(aiff.left(aiff.size() - 1), "aiff"), Kind::whole) << "only the pad byte is missing";
    EXPECT_EQ(kind_of(aiff.left(aiff.size() - 300), "aiff"), Kind::cut);
    QByteArray piped = aiff;
    piped.replace(4, 4, be32(0));
    piped.replace(12 + 26 + 4, 4, be32(0));
    EXPECT_EQ(kind_of(piped.left(piped.size() - 300), "aiff"), Kind::nothing);
    EXPECT_EQ(kind_of(aiff.left(30), "aiff"), Kind::cut) << "cut before the sound data, inside the FORM it declares";
    expect_short_prefixes_declare_nothing(aiff, 12, "aiff");

    const QByteArray desc = QByteArray("desc") + be64(32) + QByteArray(32, '\0');
    const QByteArray caf = QByteArray("caff") + QByteArray::fromHex("00010000") + desc + QByteArray("data") + be64(2004) +
                           QByteArray(2004, 's');
    EXPECT_EQ(kind_of(caf, "caf"), Kind::whole);
    EXPECT_EQ(kind_of(caf.left(caf.size() - 1), "caf"), Kind::cut);
    QByteArray unknown = caf;
    unknown.replace(8 + 44 + 4, 8, be64(~uint64_t(0)));
    EXPECT_EQ(kind_of(unknown.left(unknown.size() - 1000), "caf"), Kind::nothing) << "a data size of -1";
    expect_short_prefixes_declare_nothing(caf, 8 + 44 + 12, "caf");
}

TEST(ContainerLayout, FlvFileSizeInItsMetadata)
{
    const auto flv = [](std::optional<double> filesize, int media) {
        QByteArray amf = QByteArray::fromHex("02000A") + QByteArray("onMetaData") + QByteArray::fromHex("08") + be32(3);
        amf += QByteArray::fromHex("0008") + QByteArray("duration") + QByteArray::fromHex("00") + be64(0);
        amf += QByteArray::fromHex("000C") + QByteArray("canSeekToEnd") + QByteArray::fromHex("0100");
        if (filesize) {
            QByteArray number(8, '\0');
            qToBigEndian(*filesize, number.data());
            amf += QByteArray::fromHex("0008") + QByteArray("filesize") + QByteArray::fromHex("00") + number;
        }
        amf += QByteArray::fromHex("000009");
        const QByteArray size = be32(uint32_t(amf.size())).mid(1);
        QByteArray file = QByteArray("FLV") + QByteArray::fromHex("0105") + be32(9) + be32(0) +
                          QByteArray::fromHex("12") + size + QByteArray(7, '\0') + amf + be32(uint32_t(11 + amf.size()));
        return file + QByteArray(media, 'm');
    };
    const int size = flv(0.0, 5000).size();
    EXPECT_EQ(kind_of(flv(double(size), 5000), "flv"), Kind::whole);
    EXPECT_EQ(kind_of(flv(double(size), 5000).left(size - 1000), "flv"), Kind::cut);
    EXPECT_EQ(kind_of(flv(0.0, 5000).left(size - 1000), "flv"), Kind::nothing) << "no size: written to a pipe";
    EXPECT_EQ(kind_of(flv(std::nullopt, 5000).left(size - 1000), "flv"), Kind::nothing);
    expect_short_prefixes_declare_nothing(flv(double(size), 5000), 13 + 11 + 20, "flv");
}

TEST(ContainerLayout, Mp3LengthHeader)
{
    // MPEG-1 layer III, 128 kbit/s, 44.1 kHz, stereo: a 417-byte frame whose side information
    // (32 bytes) is followed by the length header.
    const auto mp3 = [](uint32_t count, int frames) {
        QByteArray first = QByteArray::fromHex("FFFB9000") + QByteArray(32, '\0') + QByteArray("Xing") + be32(0x3) +
                           be32(uint32_t(frames)) + be32(count);
        first += QByteArray(417 - first.size(), '\0');
        QByteArray file = QByteArray("ID3") + QByteArray::fromHex("0400000000000A") + QByteArray(10, '\0') + first;
        for (int i = 1; i < frames; ++i)
            file += QByteArray::fromHex("FFFB9000") + QByteArray(413, 'a');
        return file;
    };
    const QByteArray whole = mp3(417 * 20, 20);
    EXPECT_EQ(kind_of(whole, "mp3"), Kind::whole);
    EXPECT_EQ(kind_of(whole.left(whole.size() - 100), "mp3"), Kind::whole) << "within an ID3v1 tag's room";
    EXPECT_EQ(kind_of(mp3(20 + 417 * 20, 20), "mp3"), Kind::whole) << "a count that takes in the ID3v2 tag";
    EXPECT_EQ(kind_of(whole.left(whole.size() - 2000), "mp3"), Kind::cut);
    EXPECT_EQ(kind_of(mp3(0, 20).left(whole.size() - 2000), "mp3"), Kind::nothing);
    expect_short_prefixes_declare_nothing(whole, 20 + 36 + 16, "mp3");
}

TEST(ContainerLayout, MatroskaSegmentSize)
{
    const Matroska listed = matroska(true);
    EXPECT_EQ(kind_of(listed.bytes, "matroska,webm"), Kind::whole);
    // Cut in the cues that the seek head places after the clusters: no media lost.
    EXPECT_EQ(kind_of(listed.bytes.left(listed.cues_at + 20), "matroska,webm"), Kind::whole);
    EXPECT_EQ(kind_of(listed.bytes.left(listed.cues_at - 20), "matroska,webm"), Kind::cut);
    // Without a seek head the clusters are walked.
    const Matroska walked = matroska(false);
    EXPECT_EQ(kind_of(walked.bytes.left(walked.cues_at + 20), "matroska,webm"), Kind::whole);
    EXPECT_EQ(kind_of(walked.bytes.left(walked.cues_at - 20), "matroska,webm"), Kind::cut);
    EXPECT_EQ(kind_of(walked.bytes.left(walked.cues_at), "matroska,webm"), Kind::cut) << "more clusters may follow";
    // An unknown size, all ones in any of the eight lengths, declares nothing.
    for (int length = 1; length <= 8; ++length) {
        QByteArray unknown(length, char(0xFF));
        unknown[0] = char(0xFF >> length);
        unknown[0] = char(unknown[0] | (0x80 >> (length - 1)));
        const Matroska live = matroska(true, unknown);
        EXPECT_EQ(kind_of(live.bytes.left(live.bytes.size() - 300), "matroska,webm"), Kind::nothing) << length;
    }
    expect_short_prefixes_declare_nothing(listed.bytes, ebml_header().size() + 12, "matroska,webm");
}
