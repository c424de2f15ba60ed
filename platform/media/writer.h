#pragma once

#include <QUrl>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "error.h"
#include "identifiers.h"
#include "platform/dispatch/queue.h"
#include "sample_buffer.h"
#include "time.h"

namespace media {

// One item of container metadata (for example key "title").
struct MetadataItem {
    QString key;
    QVariant value;
};

// One track of the output: encodes appended samples with its output settings, or passes
// stored samples through when it has none.
class AssetWriterInput {
public:
    static std::shared_ptr<AssetWriterInput> create(const MediaType& media_type,
                                                    const std::optional<QVariantMap>& output_settings);
    virtual ~AssetWriterInput() = default;

    virtual MediaType media_type() const = 0;
    virtual std::optional<QVariantMap> output_settings() const = 0;
    virtual void set_expects_media_data_in_real_time(bool realtime) = 0;
    // False while this input is well ahead of the least advanced unfinished input.
    virtual bool is_ready_for_more_media_data() const = 0;
    // Calls the block on the queue whenever the input is ready and not finished.
    virtual void request_media_data_when_ready(const dispatch::Queue& queue, std::function<void()> block) = 0;
    virtual bool append_sample_buffer(const SampleBuffer& sample) = 0;
    virtual void mark_as_finished() = 0;
};
using AssetWriterInputRef = std::shared_ptr<AssetWriterInput>;

// RGBA pixel buffers of one size, reused.
class PixelBufferPool {
public:
    virtual ~PixelBufferPool() = default;
    virtual PixelBufferRef create_pixel_buffer() = 0;
};
using PixelBufferPoolRef = std::shared_ptr<PixelBufferPool>;

// Appends pixel buffers with a presentation time to a video input.
class AssetWriterInputPixelBufferAdaptor {
public:
    // Attributes: kCVPixelBufferPixelFormatTypeKey, kCVPixelBufferWidthKey, kCVPixelBufferHeightKey.
    static std::shared_ptr<AssetWriterInputPixelBufferAdaptor> create(const AssetWriterInputRef& input,
                                                                      const QVariantMap& attributes);
    virtual ~AssetWriterInputPixelBufferAdaptor() = default;
    virtual AssetWriterInputRef input() const = 0;
    // nullptr until the writer has started writing.
    virtual PixelBufferPoolRef pixel_buffer_pool() const = 0;
    virtual bool append_pixel_buffer(const PixelBufferRef& buffer, const Time& presentation_time) = 0;
};
using PixelBufferAdaptorRef = std::shared_ptr<AssetWriterInputPixelBufferAdaptor>;

// Writes a new file of one file type. start_writing() fails when the output URL names an
// existing file; the data goes into a hidden file beside it, which takes the output URL's name
// only when finish_writing() succeeds (never over a file that took the name meanwhile) and is
// removed on failure or cancel. So a file under the output URL is always a finished one.
class AssetWriter {
public:
    enum class Status { Unknown = 0, Writing = 1, Completed = 2, Failed = 3, Cancelled = 4 };

    // The domain of the writer's own errors, and the code of create()'s error for a file type
    // without a writable container: the caller knows the type's name for people.
    static constexpr const char* kErrorDomain = "media.writer";
    static constexpr int kUnwritableFileType = 1;

    // nullptr, with the error set, for a file type without a writable container.
    static std::shared_ptr<AssetWriter> create(const QUrl& output_url, const FileType& file_type,
                                               Error* error = nullptr);
    virtual ~AssetWriter() = default;

    virtual QUrl output_url() const = 0;
    virtual FileType output_file_type() const = 0;
    virtual bool can_apply_output_settings(const std::optional<QVariantMap>& settings,
                                           const MediaType& media_type) const = 0;
    virtual bool can_add_input(const AssetWriterInputRef& input) const = 0;
    virtual void add_input(const AssetWriterInputRef& input) = 0;
    virtual std::vector<AssetWriterInputRef> inputs() const = 0;
    virtual void set_should_optimize_for_network_use(bool optimize) = 0;
    virtual void set_metadata(const std::vector<MetadataItem>& items) = 0;
    virtual bool start_writing() = 0;
    virtual void start_session_at_source_time(const Time& t) = 0;
    // Flushes the encoders and writes the trailer; calls completion once, on a worker thread.
    // A cancel meanwhile stops it, and the completion comes once the unfinished file is gone.
    virtual void finish_writing(std::function<void()> completion) = 0;
    // Ends the writing without draining the encoders or finishing the file, which is removed;
    // a picture being encoded or a file being finished stops at its next step. Returns once
    // the encoders are closed and the file is gone.
    virtual void cancel_writing() = 0;
    virtual Status status() const = 0;
    virtual std::optional<Error> error() const = 0;
    // True once this writer has put its finished file under the output URL.
    virtual bool created_output_file() const = 0;
};
using AssetWriterRef = std::shared_ptr<AssetWriter>;

}  // namespace media
