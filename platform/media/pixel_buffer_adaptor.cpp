#include <cmath>

#include "writer_impl.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace media::wr {

namespace {

// RGBA buffers of one size. A buffer that nobody holds any more goes back to the pool and is
// handed out again once no encoder still reads its pixels.
class Pool final : public PixelBufferPool, public std::enable_shared_from_this<Pool> {
public:
    Pool(int width, int height) : width_(width), height_(height) {}

    PixelBufferRef create_pixel_buffer() override
    {
        PixelBufferRef buffer;
        {
            std::lock_guard lock(mu_);
            for (auto it = free_.begin(); it != free_.end(); ++it)
                if (av_frame_is_writable((*it)->frame())) {
                    buffer = std::move(*it);
                    free_.erase(it);
                    break;
                }
        }
        if (!buffer)
            buffer = PixelBuffer::create(width_, height_, AV_PIX_FMT_RGBA);
        if (!buffer)
            return nullptr;
        // The caller's reference owns the buffer; letting go of it gives the buffer back.
        PixelBuffer* const raw = buffer.get();
        return PixelBufferRef(raw, [pool = weak_from_this(), buffer = std::move(buffer)](PixelBuffer*) mutable {
            if (const auto p = pool.lock())
                p->give_back(std::move(buffer));
        });
    }

private:
    void give_back(PixelBufferRef b)
    {
        std::lock_guard lock(mu_);
        if (free_.size() < kKept)
            free_.push_back(std::move(b));
    }

    static constexpr size_t kKept = 8;
    const int width_;
    const int height_;
    std::mutex mu_;
    std::vector<PixelBufferRef> free_;
};

int attribute_size(const QVariantMap& attributes, const char* key)
{
    bool ok = false;
    const double v = attributes.value(QLatin1String(key)).toDouble(&ok);
    return ok && std::isfinite(v) && v >= 1 && v <= 16384 ? static_cast<int>(v) : 0;
}

class Adaptor final : public AssetWriterInputPixelBufferAdaptor {
public:
    Adaptor(AssetWriterInputRef input, const QVariantMap& attributes) : input_(std::move(input))
    {
        width_ = attribute_size(attributes, kCVPixelBufferWidthKey);
        height_ = attribute_size(attributes, kCVPixelBufferHeightKey);
        if (width_ == 0 || height_ == 0) {
            // Without a size in the attributes, the output size of the input's settings.
            const auto s = parse_video_settings(input_->output_settings());
            width_ = s ? s->width : 0;
            height_ = s ? s->height : 0;
        }
    }

    AssetWriterInputRef input() const override { return input_; }

    PixelBufferPoolRef pixel_buffer_pool() const override
    {
        const auto impl = std::dynamic_pointer_cast<InputImpl>(input_);
        const auto writer = impl ? impl->writer() : nullptr;
        if (!writer || writer->status() == AssetWriter::Status::Unknown || width_ <= 0 || height_ <= 0)
            return nullptr;
        std::lock_guard lock(mu_);
        if (!pool_)
            pool_ = std::make_shared<Pool>(width_, height_);
        return pool_;
    }

    bool append_pixel_buffer(const PixelBufferRef& buffer, const Time& presentation_time) override
    {
        SampleBuffer sample;
        sample.image_buffer = buffer;
        sample.presentation_time = presentation_time;
        sample.num_samples = 1;
        return input_->append_sample_buffer(sample);
    }

private:
    const AssetWriterInputRef input_;
    int width_ = 0;
    int height_ = 0;
    mutable std::mutex mu_;
    mutable PixelBufferPoolRef pool_;
};

}  // namespace

}  // namespace media::wr

namespace media {

std::shared_ptr<AssetWriterInputPixelBufferAdaptor> AssetWriterInputPixelBufferAdaptor::create(
    const AssetWriterInputRef& input, const QVariantMap& attributes)
{
    if (!input)
        return nullptr;
    return std::make_shared<wr::Adaptor>(input, attributes);
}

}  // namespace media
