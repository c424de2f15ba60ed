#include "writer_impl.h"

namespace media {

std::shared_ptr<AssetWriterInput> AssetWriterInput::create(const MediaType& media_type,
                                                           const std::optional<QVariantMap>& output_settings)
{
    return std::make_shared<wr::InputImpl>(media_type, output_settings);
}

}  // namespace media

namespace media::wr {

InputImpl::InputImpl(MediaType media_type, std::optional<QVariantMap> settings)
    : media_type_(std::move(media_type)), settings_(std::move(settings))
{
}

void InputImpl::attach(const std::shared_ptr<WriterImpl>& writer, size_t index)
{
    std::lock_guard lock(mu_);
    writer_ = writer;
    index_ = index;
    attached_ = true;
}

bool InputImpl::is_attached() const
{
    std::lock_guard lock(mu_);
    return attached_;
}

std::shared_ptr<WriterImpl> InputImpl::writer() const
{
    std::lock_guard lock(mu_);
    return writer_.lock();
}

std::pair<std::shared_ptr<WriterImpl>, size_t> InputImpl::target() const
{
    std::lock_guard lock(mu_);
    return {writer_.lock(), index_};
}

bool InputImpl::is_ready_for_more_media_data() const
{
    size_t index = 0;
    std::shared_ptr<WriterImpl> writer;
    {
        std::lock_guard lock(mu_);
        if (!attached_)
            return !finished_;  // its block runs once, fails to append, and ends
        writer = writer_.lock();
        index = index_;
    }
    return writer && writer->input_ready(index);
}

void InputImpl::request_media_data_when_ready(const dispatch::Queue& queue, std::function<void()> block)
{
    {
        std::lock_guard lock(mu_);
        queue_ = queue;
        block_ = std::move(block);
    }
    kick();
}

bool InputImpl::append_sample_buffer(const SampleBuffer& sample)
{
    const auto [writer, index] = target();
    if (!writer) {
        // An input outside a writer can never write: it ends instead of asking forever.
        set_finished();
        return false;
    }
    return writer->append(index, sample);
}

void InputImpl::set_finished()
{
    finished_ = true;
    release_block();
}

void InputImpl::release_block()
{
    std::function<void()> block;
    {
        std::lock_guard lock(mu_);
        block.swap(block_);
        queue_.reset();
    }
    // The block's captures are released here, outside the lock.
}

void InputImpl::mark_as_finished()
{
    if (finished_.exchange(true))
        return;
    release_block();
    const auto [writer, index] = target();
    if (writer)
        writer->input_finished(index);
}

void InputImpl::kick()
{
    {
        std::lock_guard lock(mu_);
        if (!block_ || block_pending_ || finished_)
            return;
    }
    if (!is_ready_for_more_media_data())
        return;
    std::optional<dispatch::Queue> queue;
    {
        std::lock_guard lock(mu_);
        if (!block_ || !queue_ || block_pending_ || finished_)
            return;
        block_pending_ = true;
        queue = queue_;
    }
    auto self = shared_from_this();
    queue->async([self] { self->run_block(); });
}

void InputImpl::run_block()
{
    std::function<void()> block;
    {
        std::lock_guard lock(mu_);
        block = block_;
    }
    if (block && !finished_)
        block();
    {
        std::lock_guard lock(mu_);
        block_pending_ = false;
    }
    // Still ready (or ready again): the block is asked once more.
    kick();
}

}  // namespace media::wr
