#pragma once

#include <QString>
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

}  // namespace mediatest
