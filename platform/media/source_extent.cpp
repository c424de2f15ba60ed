#include "source_extent.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/parseutils.h>
}

#include "container_layout.h"
#include "data_reach.h"

namespace media {

namespace {

// Whole files fall short of their declarations by a little: streams end a little apart, a
// last frame's length may be unknown, edit lists and encoder delay shift a stream by a few
// frames. More than both of these is missing data.
constexpr double kMarginSeconds = 1.0;
constexpr double kMarginShare = 0.05;

bool is_audio_or_video(const AVStream* st)
{
    const AVMediaType type = st->codecpar->codec_type;
    return (type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_VIDEO) && !av::is_hidden_stream(st);
}

bool is_mpeg4_family(const AVFormatContext* ctx) { return std::strcmp(ctx->iformat->name, "mov,mp4,m4a,3gp,3g2,mj2") == 0; }

// A length that the headers give, not one estimated from the bit rate or measured from the
// last timestamps in the file.
bool durations_are_declared(const AVFormatContext* ctx)
{
    return ctx->duration_estimation_method == AVFMT_DURATION_FROM_STREAM;
}

Time from_file_us(const AVFormatContext* ctx, int64_t us) { return av::to_time(us - start_offset_us(ctx), AV_TIME_BASE_Q); }

int64_t stream_start(const AVStream* st) { return st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time; }

Time container_end(const AVFormatContext* ctx)
{
    if (!durations_are_declared(ctx) || ctx->duration <= 0)
        return Time::invalid();
    const int64_t start = ctx->start_time == AV_NOPTS_VALUE ? 0 : ctx->start_time;
    return from_file_us(ctx, start + ctx->duration);
}

// Where the stream's data should end, as the file declares it for the stream itself: the
// frames that AVI's stream header counts (its demuxer shortens the duration of a cut file to
// what it finds), a Matroska "DURATION" tag, or the duration in the stream's header. Invalid
// when the file declares none, or only a length estimated from the bit rate or measured from
// the data itself.
Time declared_stream_end(const AVFormatContext* ctx, const AVStream* st)
{
    const auto end_at = [&](int64_t length) {
        return from_file_us(ctx, av_rescale_q(stream_start(st) + length, st->time_base, AV_TIME_BASE_Q));
    };
    if (std::strcmp(ctx->iformat->name, "avi") == 0 && st->nb_frames > 0)
        return end_at(st->nb_frames);
    // Matroska's muxers write the end of each stream's data as a tag at the file's head.
    if (const AVDictionaryEntry* tag = av_dict_get(st->metadata, "DURATION", nullptr, 0)) {
        int64_t us = 0;
        if (av_parse_time(&us, tag->value, 1) == 0 && us > 0)
            return from_file_us(ctx, us);
    }
    if (durations_are_declared(ctx) && st->duration != AV_NOPTS_VALUE && st->duration > 0)
        return end_at(st->duration);
    return Time::invalid();
}

Time known_length(const AVFormatContext* ctx)
{
    return ctx->duration > 0 ? av::to_time(ctx->duration, AV_TIME_BASE_Q) : Time::invalid();
}

// The end that a conversion over `range` should reach: the declared end, or the range's end
// where the range stops before the file's length as the demuxer knows it. (A range over the
// whole file ends at that length, which for a cut file may already be what is there.)
Time expected_end(const Time& declared, const TimeRange& range, const Time& known)
{
    const Time range_end = range.end();
    if (range_end.is_numeric() && known.is_numeric() && range_end < known &&
        (!declared.is_numeric() || range_end < declared))
        return range_end;
    return declared;
}

// The least that data expected to reach `end` must reach to count as whole.
Time least_reach(const Time& end)
{
    const double want = end.seconds();
    return Time::from_seconds(want - std::max(kMarginSeconds, kMarginShare * want), 1000000);
}

Time seconds_from(const Time& t, const TimeRange& range)
{
    return t.is_numeric() && range.start < t ? t - range.start : Time::zero();
}

// Where the data of the given streams should end within the range: per stream as it declares
// for itself; where none of them does, the file's data as a whole (subtitles included) as the
// container declares it. A stream that begins only after the range is not expected in it.
std::vector<ReachGoal> expected_ends(const AVFormatContext* ctx, const std::vector<int>& streams, const TimeRange& range)
{
    const Time known = known_length(ctx);
    std::vector<ReachGoal> ends;
    for (const int index : streams) {
        if (index < 0 || index >= int(ctx->nb_streams) || !is_audio_or_video(ctx->streams[index]))
            continue;
        const AVStream* st = ctx->streams[index];
        const Time declared = declared_stream_end(ctx, st);
        if (!declared.is_numeric())
            continue;
        const Time begin = from_file_us(ctx, av_rescale_q(stream_start(st), st->time_base, AV_TIME_BASE_Q));
        if (range.end().is_numeric() && range.end() <= begin)
            continue;
        ends.push_back({index, expected_end(declared, range, known)});
    }
    if (ends.empty()) {
        const Time declared = container_end(ctx);
        if (declared.is_numeric())
            ends.push_back({-1, expected_end(declared, range, known)});
    }
    return ends;
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

Time latest(const std::vector<ReachGoal>& ends, const Time& otherwise)
{
    Time latest = Time::invalid();
    for (const ReachGoal& end : ends)
        if (!latest.is_numeric() || latest < end.at)
            latest = end.at;
    return latest.is_numeric() ? latest : otherwise;
}

// Reads on in `ctx`, which is no use to the caller afterwards.
std::optional<Shortfall> judge(AVFormatContext* ctx, const QString& path, const std::vector<int>& streams,
                               const TimeRange& range)
{
    const Time known = known_length(ctx);
    const std::vector<ReachGoal> ends = expected_ends(ctx, streams, range);
    if (is_mpeg4_family(ctx)) {
        const std::optional<Time> there = index_data_end(ctx, streams, expected_end(Time::positive_infinity(), range, known));
        if (!there)
            return std::nullopt;
        return Shortfall{seconds_from(*there, range).seconds(), seconds_from(latest(ends, known), range).seconds()};
    }
    if (ends.empty() || holds_all_media_data(path, ctx->iformat->name))
        return std::nullopt;

    std::vector<ReachGoal> goals = ends;
    for (ReachGoal& goal : goals)
        goal.at = least_reach(goal.at);
    const std::vector<Time> reached = data_reach(ctx, path, goals);
    std::optional<Time> converted;
    for (size_t i = 0; i < goals.size(); ++i) {
        if (reached[i].is_numeric() && reached[i] >= goals[i].at)
            continue;
        const Time there = reached[i].is_numeric() ? reached[i] : Time::zero();
        if (!converted || there < *converted)
            converted = there;
    }
    if (!converted)
        return std::nullopt;
    return Shortfall{seconds_from(*converted, range).seconds(), seconds_from(latest(ends, known), range).seconds()};
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
        const Time known = known_length(read.get());
        const Time until = expected_end(Time::positive_infinity(), range, known);
        return Shortfall{0, seconds_from(until.is_numeric() ? until : known, range).seconds()};
    }
    return judge(read.get(), source, taken, range);
}

}  // namespace media
