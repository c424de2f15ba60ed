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

// Stores the text as the error and answers false.
bool fail(QString* error, const QString& text);

// Hands every packet the encoder has ready to the sink; adjust, when given, touches each
// packet first. failure names what failed in the error text.
bool receive_packets(AVCodecContext* ctx, const PacketSink& sink, const QString& failure, QString* error,
                     const std::function<void(AVPacket&)>& adjust = {});

// Ends the encoder's stream and hands the packets it still holds to the sink.
bool flush_encoder(AVCodecContext* ctx, const PacketSink& sink, const QString& what, QString* error,
                   const std::function<void(AVPacket&)>& adjust = {});

}  // namespace media::wr
