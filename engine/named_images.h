#pragma once

#include <QImage>
#include <optional>

// The named images the engine shows: status dots and the "done" mark, bundled as resources.
enum class NamedImage {
    StatusAvailable,
    StatusPartiallyAvailable,
    StatusUnavailable,
    StatusNone,
    Ok,
};

// The image, or none when its resource is missing. Safe on any thread.
std::optional<QImage> named_image(NamedImage name);

// A bundled resource image by its path below the resource root ("images/ok.png").
std::optional<QImage> resource_image(const QString& path);
