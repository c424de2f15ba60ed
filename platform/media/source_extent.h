#pragma once

// Whether a source file was cut short (an interrupted copy or download). Such a file still
// opens, and its demuxer ends quietly where the data ends: only the file itself tells, by
// what it declares against what it holds. A conversion changes lengths (it closes gaps in
// the sound, drops delays, leaves streams out), so its output is never what is judged.
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

// How much of a source cut short can be converted: in seconds from the start of the part
// converted, against the length that its headers and timestamps suggest; or, where they
// suggest none that its data falls short of, in bytes (`bytes_expected` above zero).
struct Shortfall {
    double converted = 0;
    double expected = 0;
    int64_t bytes_there = 0;
    int64_t bytes_expected = 0;
};

// Whether the data of the given streams of `source`, within `range`, ends early: an index
// (as MPEG-4 keeps at its head) that places their data beyond the end of the file, or sizes
// and positions that the container declares in bytes that place its media data there. A file
// that declares nothing is not judged. Of a cut file, a range that ends before the file's
// length converts where it ends well (5 % of the length) before the estimated end of the data.
std::optional<Shortfall> source_cut_short(const QString& source, const std::vector<int>& streams, const TimeRange& range);
// The same on the demuxer that has `source` open already (a reader at the end of its data):
// the verdict takes only what the demuxer knows (its index, its length) and reads the file's
// declared sizes afresh, so the demuxer's position does not matter.
std::optional<Shortfall> source_cut_short(AVFormatContext* opened, const QString& source, const std::vector<int>& streams,
                                          const TimeRange& range);

// The same for an ffmpeg conversion of `source` over `range` that wrote `output`: judged on
// the source's streams that ffmpeg takes for the kinds of media that the output holds. An
// output without media from a source that has some holds nothing of it.
std::optional<Shortfall> conversion_cut_short(const QString& source, const QString& output, const TimeRange& range);

}  // namespace media
