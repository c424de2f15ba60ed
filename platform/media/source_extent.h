#pragma once

// How far a file's media data should reach, as the file itself declares it, and whether what
// was converted of it falls short. A file cut short (an interrupted copy or download) still
// opens, and its demuxer ends quietly where the data ends: only the declarations tell.
// Times here are on the asset's timeline: from the file's start, a positive container start
// removed, as the reader gives them.

#include <QString>
#include <optional>
#include <vector>

#include "libav.h"
#include "time.h"

namespace media {

// The time the file adds to its timestamps: a positive container start, in microseconds.
int64_t start_offset_us(const AVFormatContext* ctx);

// Where the stream's data should end, as the file declares it for the stream itself: the
// frames that AVI's stream header counts (its demuxer shortens the duration of a cut file to
// what it finds), a Matroska "DURATION" tag, or the duration in the stream's header. Invalid
// when the file declares none, or only a length estimated from the bit rate or measured from
// the data itself.
Time declared_stream_end(const AVFormatContext* ctx, const AVStream* st);

// Where the media of the given streams should end: the latest of their own declared ends. A
// stream that declares none is held to the container's duration, but only when the streams
// are all of the file's audio and video: one left out may be what makes the container
// longer. Invalid when nothing is declared.
Time declared_end(const AVFormatContext* ctx, const std::vector<int>& streams);

// The end that a conversion over `range` should reach: the declared end, or the range's end
// where the range stops before the file's length as the demuxer knows it. (A range over the
// whole file ends at that length, which for a cut file may already be what is there.)
Time expected_end(const Time& declared, const TimeRange& range, const Time& known_length);

// Whether media that reaches `reached` falls short of `expected` by more than whole files
// ever do: streams end a little apart, a last frame's length may be unknown, edit lists and
// encoder delay shift a stream by a few frames. The margin is more than 1 s and more than 5 %
// of the expected end. An invalid `reached` (nothing read) counts as zero; an invalid
// `expected` never falls short.
bool falls_short(const Time& reached, const Time& expected);

// Whether the file's index (a complete one, read at opening, as MPEG-4 has at its head) puts
// data of the streams that starts before `until` beyond the end of the file.
bool index_outruns_file(AVFormatContext* ctx, const std::vector<int>& streams, const Time& until);

// A conversion of `source` over `range` wrote `output`. When the source's data of the kinds of
// media that the output holds ended early (the output falls short of the length that the
// source declares for them, or the source's index places their data past its end): the
// length converted and the length that should have been, in seconds.
struct Shortfall {
    double converted = 0;
    double expected = 0;
};
std::optional<Shortfall> conversion_cut_short(const QString& source, const QString& output, const TimeRange& range);

}  // namespace media
