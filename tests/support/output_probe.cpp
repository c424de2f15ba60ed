#include "output_probe.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "support.h"

namespace {

QByteArray runTool(const QString& program, const QStringList& arguments)
{
    std::vector<std::string> argv{program.toStdString()};
    for (const QString& a : arguments)
        argv.push_back(a.toStdString());
    const auto out = testsupport::run_program(argv);
    return out ? QByteArray::fromStdString(*out) : QByteArray();
}

}  // namespace

const ProbedStream* ProbedFile::first(const QString& type) const
{
    for (const ProbedStream& s : streams)
        if (s.type == type)
            return &s;
    return nullptr;
}

int ProbedFile::count(const QString& type) const
{
    int n = 0;
    for (const ProbedStream& s : streams)
        n += s.type == type;
    return n;
}

std::optional<ProbedFile> probeFile(const QString& path)
{
    const QByteArray out = runTool("ffprobe", {"-v", "error", "-count_packets", "-show_streams", "-show_format",
                                               "-print_format", "json", path});
    if (out.isEmpty())
        return std::nullopt;
    const QJsonObject root = QJsonDocument::fromJson(out).object();
    ProbedFile file;
    const QJsonObject format = root["format"].toObject();
    file.duration = format["duration"].toString().toDouble();
    file.format = format["format_name"].toString();
    file.brand = format["tags"].toObject()["major_brand"].toString();
    for (const QJsonValue& v : root["streams"].toArray()) {
        const QJsonObject s = v.toObject();
        ProbedStream stream;
        stream.type = s["codec_type"].toString();
        stream.codec = s["codec_name"].toString();
        stream.tag = s["codec_tag_string"].toString();
        stream.width = s["width"].toInt();
        stream.height = s["height"].toInt();
        stream.sampleRate = s["sample_rate"].toString().toInt();
        stream.channels = s["channels"].toInt();
        stream.packets = s["nb_read_packets"].toString().toLong();
        stream.duration = s["duration"].toString().toDouble();
        stream.timecode = s["tags"].toObject()["timecode"].toString();
        file.streams.push_back(stream);
    }
    return file;
}

std::optional<QMap<QString, long>> decodedFrames(const QString& path)
{
    const QByteArray out =
        runTool("ffprobe", {"-v", "error", "-count_frames", "-show_streams", "-print_format", "json", path});
    if (out.isEmpty())
        return std::nullopt;
    QMap<QString, long> frames;
    for (const QJsonValue& v : QJsonDocument::fromJson(out).object()["streams"].toArray()) {
        const QJsonObject s = v.toObject();
        frames[s["codec_type"].toString()] += s["nb_read_frames"].toString().toLong();
    }
    return frames;
}

QImage decodeFirstFrame(const QString& path, int width, int height)
{
    QStringList args{"-v", "error", "-nostdin", "-i", path, "-frames:v", "1"};
    if (width > 0)
        args << "-vf" << QStringLiteral("scale=%1:%2").arg(width).arg(height);
    args << "-f" << "image2pipe" << "-vcodec" << "png" << "-";
    return QImage::fromData(runTool("ffmpeg", args), "PNG");
}
