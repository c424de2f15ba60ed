#pragma once

#include <QString>
#include <QUrl>
#include <cstdint>
#include <optional>

// The estimated size of a whole output from a trial of its beginning: the trial file's size
// times the source's duration divided by the trial's length. Nothing when that is not a
// finite byte count within the signed 64-bit range (no valid duration, an empty trial).
std::optional<int64_t> estimate_output_size(uint64_t trial_bytes, double source_seconds, double trial_seconds);

// A byte count as people read it, in decimal units.
QString byte_count_text(int64_t bytes);
