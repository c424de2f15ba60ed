#include "source_extent.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/parseutils.h>
}

namespace media {

namespace {

constexpr double kMarginSeconds = 1.0;
constexpr double kMarginShare = 0.05;

bool is_audio_or_video(const AVStream* st)
{
    const AVMediaType type = st->codecpar->codec_type;
    return (type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_VIDEO) && !av::is_hidden_stream(st);
}

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

Time later(const Time& a, const Time& b)
{
    if (!a.is_numeric())
        return b;
    if (!b.is_numeric())
        return a;
    return a < b ? b : a;
}

// Where one of the streams read should end: as it declares for itself, else as the container
// does when the streams read are all of the file's audio and video. Invalid for streams of
// other kinds.
Time held_end(const AVFormatContext* ctx, int index, const std::vector<int>& streams_read)
{
    if (index < 0 || index >= int(ctx->nb_streams) || !is_audio_or_video(ctx->streams[index]))
        return Time::invalid();
    const Time own = declared_stream_end(ctx, ctx->streams[index]);
    if (own.is_numeric())
        return own;
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        if (is_audio_or_video(ctx->streams[i]) &&
            std::find(streams_read.begin(), streams_read.end(), int(i)) == streams_read.end())
            return Time::invalid();
    return container_end(ctx);
}

// Where the stream's data begins on the asset's timeline.
Time stream_begin(const AVFormatContext* ctx, const AVStream* st)
{
    return from_file_us(ctx, av_rescale_q(stream_start(st), st->time_base, AV_TIME_BASE_Q));
}

}  // namespace

int64_t start_offset_us(const AVFormatContext* ctx)
{
    return ctx->start_time != AV_NOPTS_VALUE && ctx->start_time > 0 ? ctx->start_time : 0;
}

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

Time declared_end(const AVFormatContext* ctx, const std::vector<int>& streams)
{
    Time end = Time::invalid();
    for (const int index : streams)
        end = later(end, held_end(ctx, index, streams));
    return end;
}

Time expected_end(const Time& declared, const TimeRange& range, const Time& known_length)
{
    const Time range_end = range.end();
    if (range_end.is_numeric() && known_length.is_numeric() && range_end < known_length &&
        (!declared.is_numeric() || range_end < declared))
        return range_end;
    return declared;
}

bool falls_short(const Time& reached, const Time& expected)
{
    if (!expected.is_numeric())
        return false;
    const double want = expected.seconds();
    const double got = reached.is_numeric() ? reached.seconds() : 0;
    const double missing = want - got;
    return missing > kMarginSeconds && missing > kMarginShare * want;
}

bool index_outruns_file(AVFormatContext* ctx, const std::vector<int>& streams, const Time& until)
{
    const int64_t size = ctx->pb ? avio_size(ctx->pb) : -1;
    if (size <= 0)
        return false;
    int64_t expected = 0;
    for (const int index : streams) {
        if (index < 0 || index >= int(ctx->nb_streams))
            continue;
        AVStream* st = ctx->streams[index];
        const int n = avformat_index_get_entries_count(st);
        int64_t limit = INT64_MAX;
        if (until.is_numeric())
            limit = av::from_time(until, st->time_base) +
                    av_rescale_q(start_offset_us(ctx), AV_TIME_BASE_Q, st->time_base);
        // The last entries before the limit lie furthest into the file.
        int last = n - 1;
        while (last >= 0 && avformat_index_get_entry(st, last)->timestamp >= limit)
            --last;
        for (int k = std::max(0, last - 63); k <= last; ++k) {
            const AVIndexEntry* e = avformat_index_get_entry(st, k);
            expected = std::max(expected, e->pos + e->size);
        }
    }
    return expected > size;
}

std::optional<Shortfall> conversion_cut_short(const QString& source, const QString& output, const TimeRange& range)
{
    const av::FormatPtr written = av::open_input(output, nullptr);
    const av::FormatPtr read = av::open_input(source, nullptr);
    if (!written || !read)
        return std::nullopt;
    const Time known = read->duration > 0 ? av::to_time(read->duration, AV_TIME_BASE_Q) : Time::invalid();
    // Where the conversion stops: the range's end where it is a part of the file.
    const Time until = expected_end(Time::positive_infinity(), range, known);

    // The source's streams of each kind of media that the output holds.
    std::vector<std::vector<int>> kinds;
    bool source_has_media = false;
    for (const AVMediaType type : {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO}) {
        const auto of_type = [type](const AVStream* st) { return is_audio_or_video(st) && st->codecpar->codec_type == type; };
        std::vector<int> streams;
        for (unsigned i = 0; i < read->nb_streams; ++i)
            if (of_type(read->streams[i]))
                streams.push_back(int(i));
        source_has_media = source_has_media || !streams.empty();
        if (!streams.empty() && std::any_of(written->streams, written->streams + written->nb_streams, of_type))
            kinds.push_back(std::move(streams));
    }
    const Time whole = (until.is_numeric() ? until : known.is_numeric() ? known : range.start) - range.start;
    // ffmpeg ends with success when a seek into a cut file without an index finds nothing: an
    // output without media from a source that has some holds nothing of it.
    if (kinds.empty())
        return source_has_media ? std::optional<Shortfall>(Shortfall{0, whole.seconds()}) : std::nullopt;
    std::vector<int> taken;
    for (const auto& streams : kinds)
        taken.insert(taken.end(), streams.begin(), streams.end());

    // The conversion takes one stream of each kind, from where its data begins (a file
    // without timestamps, as a wave file, holds a late stream from its first sample): the
    // length it should give is the longest of the kinds, where of several streams of a kind
    // it can be held only to the shortest.
    const bool one_of_each = taken.size() == kinds.size();
    Time length = Time::invalid();
    for (const auto& streams : kinds) {
        Time shortest = Time::invalid();
        for (const int index : streams) {
            const Time end = expected_end(held_end(read.get(), index, one_of_each ? taken : std::vector<int>{index}),
                                          range, known);
            if (!end.is_numeric())
                continue;
            const Time begin = stream_begin(read.get(), read->streams[index]);
            const Time own = end - (range.start < begin ? begin : range.start);
            if (!shortest.is_numeric() || own < shortest)
                shortest = own;
        }
        length = later(length, shortest);
    }
    const Time converted = av::to_time(written->duration > 0 ? written->duration : 0, AV_TIME_BASE_Q);
    if (!falls_short(converted, length) && !index_outruns_file(read.get(), taken, until))
        return std::nullopt;
    return Shortfall{converted.seconds(), (length.is_numeric() ? length : whole).seconds()};
}

}  // namespace media
