#pragma once

#include <functional>

#include "asset.h"
#include "identifiers.h"

namespace media {

// Whether the reader/writer pipeline can read the asset natively for the preset and file
// type. Returns at once; the answer comes once, later, on a worker thread.
void determine_compatibility_of_export_preset(const QString& preset, const AssetRef& asset,
                                              const FileType& output_file_type,
                                              std::function<void(bool compatible)> completion);

// The same rule, answered synchronously.
bool is_export_compatible(const Asset& asset);

}  // namespace media
