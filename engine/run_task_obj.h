#pragma once

#include <QImage>
#include <QMimeType>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <memory>
#include <optional>

#include "engine/enum_state.h"
#include "engine/get_obj_info.h"

class OneExporter;

// One source file of the file table: its names, output location, state, thumbnail,
// media information and conversion job. Building one reads the file and blocks.
class Run_task_obj {
public:
    explicit Run_task_obj(const QUrl& url);
    ~Run_task_obj();
    Run_task_obj(const Run_task_obj&) = delete;
    Run_task_obj& operator=(const Run_task_obj&) = delete;

    // Output location below the folder (without extension); with is_add_rawpath the
    // source's own folders are re-created below it.
    void make_output_path(const QUrl& folder, bool is_add_rawpath);
    void make_thumbnail();
    void set_state(const EnumState& new_state);

    QString name;
    QUrl in_file_obj;
    QString in_path;
    QString out_path;
    std::optional<QUrl> out_url_obj;
    QString state;
    std::optional<QImage> state_icon;
    int64_t state_pr = 0;
    EnumState state_obj = EnumState::read();
    QImage thumbnail;
    QString info;
    QString mediaType;
    std::shared_ptr<OneExporter> out_Ex;
    std::optional<get_obj_info> obj_info;

private:
    // The first picture of the source as thumbnail; false when it has none.
    bool thumbnail_from_picture();
    // The icon of the file's type as thumbnail, for sources without a picture.
    void thumbnail_from_icon(const std::optional<QMimeType>& mime);

    // The one opened asset of the source: its facts are cached, so the row, its job and its
    // thumbnail share it instead of opening the file three times.
    media::AssetRef asset_;
};

// Thumbnails are kept at most this many pixels on their long side.
inline constexpr int kThumbnailMaximumSide = 320;
