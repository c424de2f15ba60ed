#include "named_images.h"

#include <array>
#include <mutex>

// The resources live in a static library: nothing references their initialiser, so the
// linker would drop it unless it is called by name.
static void init_engine_resources()
{
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(engine); });
}

std::optional<QImage> resource_image(const QString& path)
{
    init_engine_resources();
    QImage image(QStringLiteral(":/") + path);
    if (image.isNull())
        return std::nullopt;
    return image;
}

namespace {

const char* resource_path(NamedImage name)
{
    switch (name) {
    case NamedImage::StatusAvailable: return "images/status_available.png";
    case NamedImage::StatusPartiallyAvailable: return "images/status_partially_available.png";
    case NamedImage::StatusUnavailable: return "images/status_unavailable.png";
    case NamedImage::StatusNone: return "images/status_none.png";
    case NamedImage::Ok: return "images/ok.png";
    }
    return "";
}

constexpr size_t kNamedImageCount = size_t(NamedImage::Ok) + 1;

}  // namespace

std::optional<QImage> named_image(NamedImage name)
{
    // Decoded once; rows ask for these on every state change. Copies of a QImage share
    // its pixels, and reading a shared image from several threads is safe.
    static const std::array<std::optional<QImage>, kNamedImageCount> images = [] {
        std::array<std::optional<QImage>, kNamedImageCount> loaded;
        for (size_t i = 0; i < kNamedImageCount; ++i)
            loaded[i] = resource_image(QString::fromLatin1(resource_path(NamedImage(i))));
        return loaded;
    }();
    return images[size_t(name)];
}
