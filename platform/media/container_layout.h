#pragma once

// What a file's own container structure says of its completeness: the sizes that its top-level
// chunks or elements declare, read from the bytes, against the size of the file.

#include <QString>

namespace media {

// True when the container's structure shows that the file holds all of its media data: every
// AVI part's "movi" list ends within the file, or the Matroska/WebM segment does. False when
// some of it lies beyond the end of the file, and for containers that declare no such sizes
// (or sizes left open by a writer that could not go back): there only the streams' lengths
// can tell.
bool holds_all_media_data(const QString& path, const char* format_name);

}  // namespace media
