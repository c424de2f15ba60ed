// Decodes a video and composes every frame to a given size through the asset reader's
// video composition output; prints frames per second.
// Usage: reader_bench SOURCE [WIDTH HEIGHT]

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/media/asset.h"
#include "platform/media/reader.h"

using namespace media;

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::printf("usage: reader_bench SOURCE [WIDTH HEIGHT]\n");
        return 2;
    }
    const int width = argc > 3 ? std::atoi(argv[2]) : 1280;
    const int height = argc > 3 ? std::atoi(argv[3]) : 720;
    const auto start = std::chrono::steady_clock::now();
    const AssetRef asset = Asset::from_path(QString::fromLocal8Bit(argv[1]));
    const auto video = asset->tracks_with_media_type(AVMediaTypeVideo);
    Error error;
    const auto reader = AssetReader::create(asset, &error);
    if (!reader || video.empty()) {
        std::printf("cannot read %s: %s\n", argv[1], error.description.toUtf8().constData());
        return 1;
    }
    const AssetTrack& track = *video.front();
    // Fit the picture into the output size, centred, as the pipeline's composition does.
    const double sx = width / track.natural_size.width, sy = height / track.natural_size.height;
    const double s = std::min(sx, sy);
    auto comp = std::make_shared<VideoComposition>();
    comp->frame_duration = track.min_frame_duration;
    comp->render_size = Size{double(width), double(height)};
    auto layer = VideoCompositionLayerInstruction::for_track(track);
    layer->set_transform(AffineTransform::scaling(s, s).concat(AffineTransform::translation(
                             (width - track.natural_size.width * s) / 2, (height - track.natural_size.height * s) / 2)),
                         Time::zero());
    auto instruction = std::make_shared<VideoCompositionInstruction>();
    instruction->time_range = TimeRange::make(Time::zero(), asset->duration());
    instruction->layer_instructions.push_back(layer);
    comp->instructions.push_back(instruction);

    const auto output = AssetReaderVideoCompositionOutput::create(video, std::nullopt);
    output->set_video_composition(comp);
    reader->add_output(output);
    reader->start_reading();
    long frames = 0;
    while (auto sample = output->copy_next_sample_buffer())
        ++frames;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (reader->status() != AssetReader::Status::Completed) {
        std::printf("reading failed: %s\n",
                    reader->error() ? reader->error()->description.toUtf8().constData() : "unknown");
        return 1;
    }
    std::printf("reader: %ld frames to %dx%d in %.2f s = %.1f fps\n", frames, width, height, seconds,
                frames / seconds);
    return 0;
}
