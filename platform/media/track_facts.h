#pragma once

// Reads the facts of one demuxed stream into an AssetTrack.

#include "asset.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace media {

// The media type of a stream: "vide", "soun", "tmcd", "sbtl", "clcp", "meta".
MediaType media_type_of(const AVStream* st);

// The four-character media subtype of a stream's samples (0 when it has none).
FourCC media_subtype_of(const AVCodecParameters* par);

// All facts of the stream; track_id is the 1-based position among the asset's tracks.
AssetTrackRef make_track(const AVFormatContext* ctx, const AVStream* st, int track_id);

}  // namespace media
