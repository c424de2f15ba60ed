#pragma once

#include <QImage>
#include <QMap>
#include <QString>
#include <optional>
#include <vector>

// What the ffprobe program finds in a written file: an independent check of the output.
struct ProbedStream {
    QString type;   // "video", "audio", "data"
    QString codec;  // codec_name
    QString tag;    // codec_tag_string
    int width = 0, height = 0;
    int sampleRate = 0, channels = 0;
    long packets = 0;
    double duration = 0;
    QString timecode;  // the "timecode" tag
};

struct ProbedFile {
    std::vector<ProbedStream> streams;
    double duration = 0;
    QString format;  // format_name, e.g. "wav" or "mov,mp4,m4a,3gp,3g2,mj2"
    QString brand;   // the major_brand tag: "qt  " for a movie, "isom" for MPEG-4

    const ProbedStream* first(const QString& type) const;
    int count(const QString& type) const;
};

std::optional<ProbedFile> probeFile(const QString& path);

// Decodes the whole file: the frames decoded per stream type ("video", "audio"), or nothing
// when the file could not be read.
std::optional<QMap<QString, long>> decodedFrames(const QString& path);

// The first video frame as ffmpeg decodes it (turned upright, scaled when a size is given).
QImage decodeFirstFrame(const QString& path, int width = 0, int height = 0);
