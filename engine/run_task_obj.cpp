#include "run_task_obj.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>

#include "engine/file_attributes.h"
#include "engine/stdout_log.h"
#include "engine/named_images.h"
#include "engine/one_exporter.h"
#include "platform/media/image_generator.h"

namespace {

const QString kAttributesError = QStringLiteral("Error reading file attributes");

// The file name without its last extension; a name without one stays whole.
QString name_without_extension(const QUrl& url)
{
    const QString file_name = url.fileName();
    const qsizetype dot = file_name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? file_name.left(dot) : file_name;
}

// Shrinks an image to the thumbnail limit, proportions kept; small images stay as they are.
QImage fit_thumbnail(const QImage& image)
{
    if (image.width() <= kThumbnailMaximumSide && image.height() <= kThumbnailMaximumSide)
        return image;
    return image.scaled(kThumbnailMaximumSide, kThumbnailMaximumSide, Qt::KeepAspectRatio,
                        Qt::SmoothTransformation);
}

// Percent of a progress fraction, rounded half away from zero.
int64_t percent(double fraction)
{
    const double value = fraction * 100;
    if (!std::isfinite(value) || std::fabs(value) > 1e15)
        return 0;
    return std::llround(value);
}

}  // namespace

Run_task_obj::Run_task_obj(const QUrl& url)
    : in_file_obj(url), state(QStringLiteral("read")), state_obj(EnumState::read())
{
    name = name_without_extension(url);
    in_path = url.toLocalFile();
    out_path = in_path;

    asset_ = media::Asset::from_url(in_file_obj);
    obj_info.emplace(asset_);
    info = obj_info->infoText;

    out_Ex = OneExporter::create(asset_);

    // One MIME lookup serves the type and, when no picture can be taken, the icon.
    const std::optional<QMimeType> mime = file_mime_type(in_file_obj);
    if (mime)
        mediaType = last_identifier_component(type_identifier_for(*mime));
    else
        logLine(kAttributesError);

    if (!thumbnail_from_picture())
        thumbnail_from_icon(mime);
}

Run_task_obj::~Run_task_obj()
{
    logLine(name + QStringLiteral(" ,虚构函数"));
    out_Ex.reset();
    obj_info.reset();
}

void Run_task_obj::make_output_path(const QUrl& folder, bool is_add_rawpath)
{
    QString directory = folder.toLocalFile();
    if (is_add_rawpath) {
        // The source's folder as a relative path ("/Volumes/Disk/clips" -> "Volumes/Disk/clips");
        // cleaned first, so that ".." in a source path can never lead out of the output folder.
        const QString source_directory = QDir::cleanPath(QFileInfo(in_path).path());
        const QString relative = source_directory.mid(1);
        if (!relative.isEmpty())
            directory = QDir(directory).filePath(relative);
        if (!QDir().mkpath(directory))
            logLine(QStringLiteral("creat false"));
    }
    const QUrl location = QUrl::fromLocalFile(QDir(directory).filePath(name));
    out_path = location.toLocalFile();
    out_url_obj = location;
    if (out_Ex)
        out_Ex->out_url_obj = std::optional<QUrl>(location);
}

void Run_task_obj::make_thumbnail()
{
    if (!thumbnail_from_picture())
        thumbnail_from_icon(file_mime_type(in_file_obj));
}

bool Run_task_obj::thumbnail_from_picture()
{
    media::ImageGenerator generator(asset_);
    generator.set_applies_preferred_track_transform(true);
    generator.set_maximum_size(media::Size{double(kThumbnailMaximumSide), double(kThumbnailMaximumSide)});
    const auto image = generator.copy_image_at_time(media::Time::zero());
    if (!image || image->isNull())
        return false;
    thumbnail = fit_thumbnail(*image);
    return true;
}

void Run_task_obj::thumbnail_from_icon(const std::optional<QMimeType>& mime)
{
    const FileIcon icon = icon_for(mime);
    if (icon.failed) {
        logLine(kAttributesError);
        return;
    }
    thumbnail = icon.image ? fit_thumbnail(*icon.image) : QImage();
}

void Run_task_obj::set_state(const EnumState& new_state)
{
    state_obj = new_state;
    switch (new_state.kind()) {
    case EnumState::Case::conversion:
        state_icon = named_image(NamedImage::StatusPartiallyAvailable);
        state_pr = percent(new_state.progress());
        break;
    case EnumState::Case::error:
        state = QStringLiteral("error") + new_state.error_value().description;
        state_icon = named_image(NamedImage::StatusUnavailable);
        logLine(new_state.error_value().description + QStringLiteral(" 0000"));
        break;
    case EnumState::Case::read:
        state = QStringLiteral("read");
        state_icon = named_image(NamedImage::StatusNone);
        break;
    case EnumState::Case::parsing:
        state = QStringLiteral("parsing");
        state_icon = named_image(NamedImage::StatusPartiallyAvailable);
        break;
    case EnumState::Case::write:
        state_icon = named_image(NamedImage::StatusPartiallyAvailable);
        break;
    case EnumState::Case::carry_out:
        state = QStringLiteral("carry_out");
        state_icon = named_image(NamedImage::Ok);
        break;
    }
}
