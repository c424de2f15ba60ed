#pragma once

// Helpers around the FFmpeg libraries for the writing side of the media layer.

#include <QString>
#include <functional>

#include "libav.h"

namespace media::wr {

using av::CodecPtr;
using av::FramePtr;
using av::PacketPtr;

// The library's text for an error code.
inline QString error_text(int code) { return QString::fromStdString(av::error_text(code)); }

// Receives the packets an encoder produces, in the encoder's time base.
using PacketSink = std::function<bool(PacketPtr packet)>;

}  // namespace media::wr
