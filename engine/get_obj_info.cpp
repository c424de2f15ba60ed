#include "get_obj_info.h"

#include "media_info_text.h"
#include "platform/media/identifiers.h"

get_obj_info::get_obj_info(const QUrl& url) : get_obj_info(media::Asset::from_url(url)) {}

get_obj_info::get_obj_info(const media::AssetRef& asset)
{
    for (const auto& track : asset->tracks()) {
        if (track->media_type == QLatin1String(AVMediaTypeVideo))
            naturalSize = track->natural_size;
    }
    infoText = build_info_text(*asset);
    duration = asset->duration();
    tracks = asset->tracks();
}
