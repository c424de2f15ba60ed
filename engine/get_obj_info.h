#pragma once

#include <QString>
#include <QUrl>
#include <optional>
#include <vector>

#include "platform/media/asset.h"
#include "platform/media/geometry.h"
#include "platform/media/time.h"

// The media facts of one file, as the file table shows them.
class get_obj_info {
public:
    explicit get_obj_info(const QUrl& url);
    // The facts of an asset already opened (its facts are cached, so this reads nothing).
    explicit get_obj_info(const media::AssetRef& asset);

    QString infoText;
    std::optional<media::Size> naturalSize;  // of the last video track
    std::optional<media::Time> duration;
    std::optional<std::vector<media::AssetTrackRef>> tracks;
};
