#include "source_extent.h"

#include <algorithm>
#include <cstring>

#include "container_layout.h"

namespace media {

namespace {

// A range that ends this close (a share of the length) to where a cut file's data ends is not
// known to be there: that end is estimated from the share of the declared bytes that the file
// holds, and data rates vary.
constexpr double kMarginShare = 0.05;

bool is_audio_or_video(const AVStream* st)
{
    const AVMediaType type = st->codecpar->codec_type;
    return (type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_VIDEO) && !av::is_hidden_stream(st);
}

bool is_mpeg4_family(const AVFormatContext* ctx) { return std::strcmp(ctx->iformat->name, "mov,mp4,m4a,3gp,3g2,mj2") == 0; }

Time from_file_us(const AVFormatContext* ctx, int64_t us) { return av::to_time(us - start_offset_us(ctx), AV_TIME_BASE_Q); }

// The length as the demuxer knows it, from headers or timestamps: for a file already shown
// to be cut, it only describes how much is missing.
Time known_length(const AVFormatContext* ctx)
{
    return ctx->duration > 0 ? av::to_time(ctx->duration, AV_TIME_BASE_Q) : Time::invalid();
}

// The end that a conversion over `range` should reach: the file's length, or the range's end
// where the range stops before it.
Time expected_end(const TimeRange& range, const Time& known)
{
    const Time range_end = range.end();
    return range_end.is_numeric() && known.is_numeric() && range_end < known ? range_end : known;
}

Time seconds_from(const Time& t, const TimeRange& range)
{
    return t.is_numeric() && range.start < t ? t - range.start : Time::zero();
}

// Where the file's index first places data of the streams that starts before `until` beyond
// the end of the file; none when all of it is there.
std::optional<Time> index_data_end(AVFormatContext* ctx, const std::vector<int>& streams, const Time& until)
{
    const int64_t size = ctx->pb ? avio_size(ctx->pb) : -1;
    if (size <= 0)
        return std::nullopt;
    std::optional<Time> end;
    for (const int index : streams) {
        if (index < 0 || index >= int(ctx->nb_streams))
            continue;
        AVStream* st = ctx->streams[index];
        const int n = avformat_index_get_entries_count(st);
        int64_t limit = INT64_MAX;
        if (until.is_numeric())
            limit = av::from_time(until, st->time_base) +
                    av_rescale_q(start_offset_us(ctx), AV_TIME_BASE_Q, st->time_base);
        int last = n - 1;
        while (last >= 0 && avformat_index_get_entry(st, last)->timestamp >= limit)
            --last;
        // The last entries before the limit lie furthest into the file; only where one of
        // them lies beyond it is the whole index looked through.
        const auto beyond = [&](int k) {
            const AVIndexEntry* e = avformat_index_get_entry(st, k);
            return e->pos + e->size > size;
        };
        bool outruns = false;
        for (int k = std::max(0, last - 63); k <= last && !outruns; ++k)
            outruns = beyond(k);
        if (!outruns)
            continue;
        for (int k = 0; k <= last; ++k) {
            if (!beyond(k))
                continue;
            const Time at = from_file_us(ctx, av_rescale_q(avformat_index_get_entry(st, k)->timestamp, st->time_base,
                                                           AV_TIME_BASE_Q));
            if (!end || at < *end)
                end = at;
            break;
        }
    }
    return end;
}

// How much of a file shown by its declared sizes to be cut short can be converted over
// `range`: the share of the declared bytes that it holds, of the length that its header
// declares or else the demuxer knows (in bytes where neither is known). None when the range
// ends well inside the part that is there.
std::optional<Shortfall> what_is_there(const AVFormatContext* ctx, const TimeRange& range, const DeclaredData& data)
{
    const Time known = data.seconds > 0 ? Time::from_seconds(data.seconds, 1000000) : known_length(ctx);
    if (!known.is_numeric() || data.declared_end <= 0)
        return Shortfall{0, 0, data.file_size, data.declared_end};
    const double share = std::clamp(double(data.file_size) / double(data.declared_end), 0.0, 1.0);
    const double there = known.seconds() * share;
    const Time expected = expected_end(range, known);
    if (expected < known && expected.seconds() <= there - kMarginShare * known.seconds())
        return std::nullopt;
    const Time converted = Time::from_seconds(std::min(there, expected.seconds()), 1000000);
    const Shortfall in_time{seconds_from(converted, range).seconds(), seconds_from(expected, range).seconds()};
    // Less than a tenth of a second missing reads better in bytes.
    if (in_time.expected - in_time.converted < 0.05)
        return Shortfall{0, 0, data.file_size, data.declared_end};
    return in_time;
}

std::optional<Shortfall> judge(AVFormatContext* ctx, const QString& path, const std::vector<int>& streams,
                               const TimeRange& range)
{
    const Time known = known_length(ctx);
    if (is_mpeg4_family(ctx)) {
        const Time expected = expected_end(range, known);
        const std::optional<Time> there = index_data_end(ctx, streams, expected.is_numeric() ? expected : Time::positive_infinity());
        if (!there)
            return std::nullopt;
        return Shortfall{seconds_from(*there, range).seconds(), seconds_from(expected, range).seconds()};
    }
    const DeclaredData data = declared_data(path, ctx->iformat->name);
    if (data.kind != DeclaredData::Kind::cut)
        return std::nullopt;
    return what_is_there(ctx, range, data);
}

// The stream that ffmpeg maps for a kind of media when it is given no map: the largest
// picture, or the most channels, a stream marked as the default first; the first on a tie.
int ffmpeg_choice(const AVFormatContext* ctx, AVMediaType type)
{
    int best = -1;
    int64_t best_score = -1;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* st = ctx->streams[i];
        if (!is_audio_or_video(st) || st->codecpar->codec_type != type)
            continue;
        const AVCodecParameters* par = st->codecpar;
        const int64_t size = type == AVMEDIA_TYPE_VIDEO ? int64_t(par->width) * par->height : par->ch_layout.nb_channels;
        const int64_t score = size + ((st->disposition & AV_DISPOSITION_DEFAULT) ? 5000000 : 0);
        if (score > best_score) {
            best = int(i);
            best_score = score;
        }
    }
    return best;
}

}  // namespace

int64_t start_offset_us(const AVFormatContext* ctx)
{
    return ctx->start_time != AV_NOPTS_VALUE && ctx->start_time > 0 ? ctx->start_time : 0;
}

std::optional<Shortfall> source_cut_short(const QString& source, const std::vector<int>& streams, const TimeRange& range)
{
    const av::FormatPtr read = av::open_input(source, nullptr);
    return read ? judge(read.get(), source, streams, range) : std::nullopt;
}

std::optional<Shortfall> source_cut_short(AVFormatContext* opened, const QString& source, const std::vector<int>& streams,
                                          const TimeRange& range)
{
    return opened ? judge(opened, source, streams, range) : std::nullopt;
}

std::optional<Shortfall> conversion_cut_short(const QString& source, const QString& output, const TimeRange& range)
{
    const av::FormatPtr written = av::open_input(output, nullptr);
    const av::FormatPtr read = av::open_input(source, nullptr);
    if (!written || !read)
        return std::nullopt;
    std::vector<int> taken;
    bool source_has_media = false;
    for (const AVMediaType type : {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO}) {
        const int choice = ffmpeg_choice(read.get(), type);
        source_has_media = source_has_media || choice >= 0;
        const auto of_type = [type](const AVStream* st) { return is_audio_or_video(st) && st->codecpar->codec_type == type; };
        if (choice >= 0 && std::any_of(written->streams, written->streams + written->nb_streams, of_type))
            taken.push_back(choice);
    }
    // ffmpeg ends with success when a seek into a cut file without an index finds nothing.
    if (taken.empty()) {
        if (!source_has_media)
            return std::nullopt;
        return Shortfall{0, seconds_from(expected_end(range, known_length(read.get())), range).seconds()};
    }
    return judge(read.get(), source, taken, range);
}

}  // namespace media
