#pragma once

#include <QImage>
#include <QString>
#include <cstdlib>
#include <string>

#include "platform/media/asset.h"
#include "support/support.h"

// Shared helpers of the media tests.
namespace mediatest {

inline media::AssetRef open(const std::string& fixture_name)
{
    return media::Asset::from_path(QString::fromStdString(testsupport::fixture(fixture_name)));
}

inline media::AssetTrackRef first_track(const media::AssetRef& asset, const char* type)
{
    const auto tracks = asset->tracks_with_media_type(type);
    return tracks.empty() ? nullptr : tracks.front();
}

// A picture among the fixtures (the first frames the fixture script saved).
inline QImage reference_image(const std::string& fixture_name)
{
    return QImage(QString::fromStdString(testsupport::fixture(fixture_name)));
}

// Mean absolute difference of the colour channels of two equally sized images.
inline double mean_difference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            sum += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col])) +
                   std::abs(qBlue(p[col]) - qBlue(q[col]));
    }
    return sum / (3.0 * x.width() * x.height());
}

}  // namespace mediatest
