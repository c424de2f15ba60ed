#pragma once

#include <QVariantMap>
#include <memory>
#include <optional>
#include <vector>

#include "asset.h"
#include "error.h"
#include "sample_buffer.h"
#include "video_composition.h"

namespace media {

class AssetReader;

// A source of samples attached to a reader. copy_next_sample_buffer() blocks until the
// next sample is there and gives nullptr at the end, or once the reader failed or was
// cancelled.
class AssetReaderOutput {
public:
    virtual ~AssetReaderOutput() = default;
    virtual MediaType media_type() const = 0;
    virtual SampleBufferRef copy_next_sample_buffer() = 0;
    void set_always_copies_sample_data(bool copies) { always_copies_ = copies; }

protected:
    bool always_copies_ = true;
};
using AssetReaderOutputRef = std::shared_ptr<AssetReaderOutput>;

// The stored samples of one track. Only outputs without settings (stored format) exist here.
class AssetReaderTrackOutput : public AssetReaderOutput {
public:
    static std::shared_ptr<AssetReaderTrackOutput> create(
        const AssetTrackRef& track, const std::optional<QVariantMap>& output_settings);
};

// Decoded frames of the video tracks rendered through a video composition, in a YUV format
// that encoders take directly. Without a composition, frames come upright at their own size.
class AssetReaderVideoCompositionOutput : public AssetReaderOutput {
public:
    static std::shared_ptr<AssetReaderVideoCompositionOutput> create(
        const std::vector<AssetTrackRef>& tracks, const std::optional<QVariantMap>& video_settings);
    virtual void set_video_composition(const VideoCompositionRef& composition) = 0;
    virtual VideoCompositionRef video_composition() const = 0;
};

// Decoded audio of all audio tracks mixed at unity gain into one interleaved PCM stream:
// each buffer's audio_frame() is interleaved float. A lone track that needs no mixing is
// passed on as decoded (audio_source()) and converted only when asked for.
class AssetReaderAudioMixOutput : public AssetReaderOutput {
public:
    static std::shared_ptr<AssetReaderAudioMixOutput> create(
        const std::vector<AssetTrackRef>& tracks, const std::optional<QVariantMap>& audio_settings);
    virtual void set_audio_mix(const AudioMixRef& mix) = 0;
};

// Reads an asset's samples into its outputs, within a time range.
class AssetReader {
public:
    enum class Status { Unknown = 0, Reading = 1, Completed = 2, Failed = 3, Cancelled = 4 };

    // nullptr, with the error set, when the asset cannot be read at all.
    static std::shared_ptr<AssetReader> create(const AssetRef& asset, Error* error = nullptr);
    virtual ~AssetReader() = default;

    virtual void set_time_range(const TimeRange& range) = 0;
    virtual bool can_add_output(const AssetReaderOutputRef& output) const = 0;
    virtual void add_output(const AssetReaderOutputRef& output) = 0;
    virtual std::vector<AssetReaderOutputRef> outputs() const = 0;
    virtual bool start_reading() = 0;
    // Stops the reading at once, waking every wait of its threads and its outputs.
    virtual void cancel_reading() = 0;
    // Waits until the reader's own threads (the demuxer, the decoders) have ended. Only once
    // the reading has ended, failed or been cancelled; never from an output's thread.
    virtual void join_threads() = 0;
    // Ends the reading (a reading still under way ends as cancelled), waits for its threads and
    // frees everything it opened: the demuxer, the decoders, scalers and resamplers, and the
    // samples not yet handed out. Status and error stay; the outputs give no more samples.
    // Only once no thread is inside an output's copy_next_sample_buffer.
    virtual void close() = 0;
    virtual Status status() const = 0;
    virtual std::optional<Error> error() const = 0;
};
using AssetReaderRef = std::shared_ptr<AssetReader>;

}  // namespace media
