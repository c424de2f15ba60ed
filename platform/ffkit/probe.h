#pragma once

#include <QString>
#include <optional>
#include <vector>

// The media information of a file, read in this process with libavformat.
namespace ffkit {

struct StreamInformation {
    int index = 0;
    QString codec_name;   // "h264", "aac", ...; empty when unknown
    QString codec_type;   // "video", "audio", "data", "subtitle", "attachment"
    int width = 0;
    int height = 0;
    int sample_rate = 0;
    int channels = 0;
    std::optional<QString> duration;  // seconds as text, "3.000000"
};

struct MediaInformation {
    QString filename;
    QString format;       // the demuxer's names, "mov,mp4,m4a,3gp,3g2,mj2"
    QString long_format;
    std::optional<QString> duration;  // seconds as text, "3.000000"; none when unknown
    std::optional<QString> start_time;
    std::optional<QString> bitrate;
    QString size;
    std::vector<StreamInformation> streams;
};

// The result of one probe: the information when the file could be read, and the whole
// output in the layout of a JSON probe of format and streams (or the reason it failed).
struct ProbeSession {
    std::optional<MediaInformation> media_information;
    QString output;
};

// Probes a file synchronously. Never throws; a file that is not media gives no information
// and an output that says why.
ProbeSession get_media_information(const QString& path);

}  // namespace ffkit
