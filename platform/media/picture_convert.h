#pragma once

// Conversions of decoded pictures with swscale, with the frame's own colour matrix and range.

#include <QImage>

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <cstring>

#include "libav.h"

namespace media {

// The stored number of a colour-description field. Damaged streams can carry numbers that
// the enumeration does not name; reading them as the enumeration would be undefined.
template <class E>
int raw_value(const E& field)
{
    static_assert(sizeof(E) == sizeof(int));
    int v;
    std::memcpy(&v, &field, sizeof v);
    return v;
}

// The frame's colour description copied to another frame, leaving out numbers no
// colour description has.
void copy_colour_tags(const AVFrame* from, AVFrame* to);

// Tells swscale the colour matrix and range of the source frame and of the destination
// (limited range for YUV destinations, full range for RGB), so that colours stay right.
void set_colour_details(SwsContext* sws, const AVFrame* src, bool dst_is_rgb);

// A bicubic scaler from the source's size and format to the destination's, slicing each
// picture across scaler_threads() threads (with sws_scale_frame; sws_scale uses one thread).
// No colour details are set: swscale's defaults for the two formats hold.
av::ScalerPtr make_scaler(int src_w, int src_h, AVPixelFormat src_format, int dst_w, int dst_h,
                          AVPixelFormat dst_format);

// How many threads a scaler slices a picture across.
int scaler_threads();

// The frame as an RGB32 image of the given size; a null image on failure.
QImage frame_to_image(const AVFrame* frame, int width, int height);

// True when the frame's samples use the full range (0-255) rather than the limited one.
bool is_full_range(const AVFrame* frame);

}  // namespace media
