#pragma once

#include <QImage>
#include <optional>

#include "asset.h"
#include "error.h"

namespace media {

// Pictures of an asset's first video track at given times.
class ImageGenerator {
public:
    explicit ImageGenerator(AssetRef asset) : asset_(std::move(asset)) {}
    void set_applies_preferred_track_transform(bool applies) { applies_transform_ = applies; }
    // The picture is scaled down, proportions kept, to fit this size (0 x 0: no limit).
    void set_maximum_size(const Size& size) { maximum_size_ = size; }

    // The frame shown at the time; no image for an asset without decodable video.
    std::optional<QImage> copy_image_at_time(const Time& t, Error* error = nullptr) const;

private:
    AssetRef asset_;
    bool applies_transform_ = false;
    Size maximum_size_;
};

}  // namespace media
