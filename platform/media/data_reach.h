#pragma once

// How far a file's media data really reaches: the ends of its last packets, read from the
// file itself, not from what its headers declare.

#include <QString>
#include <vector>

#include "libav.h"
#include "time.h"

namespace media {

// A stream's data, or the data of any of the file's streams (stream -1), and the time on the
// asset's timeline (the file's start at zero) that it must reach to count as there.
struct ReachGoal {
    int stream = -1;
    Time at;
};

// For each goal, the end of the latest data found for it: at least its `at` when the data
// gets there, else where the data really ends (invalid when there is none). The file is read
// from shortly before the earliest goal, as far as the demuxer can seek there, and only until
// every goal is met; the whole file is read when one is not. `opened` is the file as the
// caller opened it, which the first look uses up; `path` opens it again where needed.
std::vector<Time> data_reach(AVFormatContext* opened, const QString& path, const std::vector<ReachGoal>& goals);

}  // namespace media
