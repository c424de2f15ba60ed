#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <limits>
#include <mutex>

#include "platform/foundation/finished_file.h"
#include "writer_impl.h"
#include "writer_timecode.h"
#include "texts.h"

extern "C" {
#include <libavutil/bswap.h>
}

namespace media {

std::shared_ptr<AssetWriter> AssetWriter::create(const QUrl& output_url, const FileType& file_type,
                                                 Error* error)
{
    const wr::Container* container = wr::container_for(file_type);
    std::optional<Error> refused;
    if (!container)
        refused = Error{QLatin1String(kErrorDomain), kUnwritableFileType, translated("无法写入这种文件类型。")};
    else if (!output_url.isLocalFile() || output_url.toLocalFile().isEmpty())
        refused = Error{QLatin1String(kErrorDomain), -1,
                        translated("输出“%1”不是本地文件。").arg(output_url.toString())};
    if (refused) {
        if (error)
            *error = *refused;
        return nullptr;
    }
    return std::make_shared<wr::WriterImpl>(output_url, file_type, container);
}

}  // namespace media

namespace media::wr {

namespace {

Error writer_error(const QString& description)
{
    return Error{QLatin1String(AssetWriter::kErrorDomain), -1, description};
}

Error already_exists(const QString& path)
{
    return Error{QString::fromLatin1(kPOSIXErrorDomain), EEXIST, translated("文件“%1”已经存在。").arg(path)};
}

// An input may run this far ahead of the least advanced unfinished input, in seconds.
constexpr double kInterleaveWindow = 0.5;

}  // namespace

WriterImpl::WriterImpl(QUrl url, FileType type, const Container* container)
    : url_(std::move(url)), type_(std::move(type)), container_(container)
{
    av::quiet_library_log();
}

WriterImpl::~WriterImpl()
{
    // A writer dropped while writing leaves no unfinished file behind.
    std::lock_guard lock(work_mu_);
    teardown_locked(status_ != Status::Completed);
}

std::optional<WriterImpl::Kind> WriterImpl::kind_of(const MediaType& media_type)
{
    if (media_type == QLatin1String(AVMediaTypeVideo))
        return Kind::Video;
    if (media_type == QLatin1String(AVMediaTypeAudio))
        return Kind::Audio;
    if (media_type == QLatin1String(AVMediaTypeTimecode))
        return Kind::Timecode;
    return std::nullopt;
}

bool WriterImpl::accepts(Kind kind, const std::optional<QVariantMap>& settings, QString* why) const
{
    switch (kind) {
    case Kind::Video: {
        if (!container_->takes_video)
            return false;
        const auto s = parse_video_settings(settings, why);
        return s && container_takes_codec(*container_, s->codec_id);
    }
    case Kind::Audio: {
        const auto s = parse_audio_settings(settings, why);
        return s && container_takes_codec(*container_, audio_codec_for(*container_, *s));
    }
    case Kind::Timecode:
        return container_->takes_timecode && !settings;
    }
    return false;
}

bool WriterImpl::can_apply_output_settings(const std::optional<QVariantMap>& settings,
                                           const MediaType& media_type) const
{
    const auto kind = kind_of(media_type);
    return kind && accepts(*kind, settings, nullptr);
}

bool WriterImpl::can_add_input(const AssetWriterInputRef& input) const
{
    const auto impl = std::dynamic_pointer_cast<InputImpl>(input);
    if (!impl || impl->is_attached() || status_ != Status::Unknown)
        return false;
    const auto kind = kind_of(impl->media_type());
    return kind && accepts(*kind, impl->output_settings(), nullptr);
}

void WriterImpl::add_input(const AssetWriterInputRef& input)
{
    if (!can_add_input(input))
        return;
    const auto impl = std::dynamic_pointer_cast<InputImpl>(input);
    Track t;
    t.input = impl;
    t.kind = *kind_of(impl->media_type());
    if (t.kind == Kind::Video)
        t.video = *parse_video_settings(impl->output_settings());
    else if (t.kind == Kind::Audio)
        t.audio = *parse_audio_settings(impl->output_settings());
    std::lock_guard work(work_mu_);
    std::lock_guard state(state_mu_);
    impl->attach(shared_from_this(), tracks_.size());
    tracks_.push_back(std::move(t));
}

std::vector<AssetWriterInputRef> WriterImpl::inputs() const
{
    std::lock_guard state(state_mu_);
    std::vector<AssetWriterInputRef> out;
    for (const Track& t : tracks_)
        out.push_back(t.input);
    return out;
}

void WriterImpl::set_should_optimize_for_network_use(bool optimize)
{
    std::lock_guard work(work_mu_);
    optimize_for_network_ = optimize;
}

void WriterImpl::set_metadata(const std::vector<MetadataItem>& items)
{
    std::lock_guard work(work_mu_);
    metadata_ = items;
}

std::optional<Error> WriterImpl::error() const
{
    std::lock_guard state(state_mu_);
    return error_;
}

bool WriterImpl::start_writing()
{
    {
        std::lock_guard work(work_mu_);
        if (status_ != Status::Unknown)
            return false;
        // The file is written under a hidden name and takes its own name only once finished,
        // so that nothing under that name ever looks finished when it is not.
        const QString path = url_.toLocalFile();
        std::optional<Error> refused;
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) == 0) {
            refused = already_exists(path);
        } else {
            int code = 0;
            file_ = OutputFile::create(foundation::unfinished_file_path(path), &code);
            if (!file_)
                refused = posix_error(code, translated("无法创建文件“%1”").arg(path));
        }
        if (file_) {
            AVFormatContext* context = nullptr;
            const int rc = avformat_alloc_output_context2(&context, nullptr, container_->muxer, nullptr);
            format_.reset(context);
            if (rc < 0 || !format_) {
                refused = writer_error(translated("无法设置 %1 封装器：%2")
                                           .arg(QLatin1String(container_->muxer), error_text(rc)));
            } else {
                format_->pb = file_->io();
                format_->flags |= AVFMT_FLAG_CUSTOM_IO;
                // Written when the output buffer is full, not after every packet.
                format_->flush_packets = 0;
                // The muxer reopens the file by name to move the index to the front.
                format_->url = av_strdup(("file:" + file_->path()).toUtf8().constData());
                if (!format_->url)
                    refused = writer_error(translated("内存不足"));
            }
        }
        // A cancel that came meanwhile stays: its file goes again.
        Status unknown = Status::Unknown;
        if (!status_.compare_exchange_strong(unknown, Status::Writing))
            teardown_locked(true);
        else if (refused)
            fail_locked(*refused);
    }
    kick_inputs();
    return status_ == Status::Writing;
}

void WriterImpl::start_session_at_source_time(const Time& t)
{
    std::lock_guard work(work_mu_);
    if (t.is_numeric() && !header_written_)
        session_start_ = t;
}

int64_t WriterImpl::to_time_base(const Time& t, AVRational tb) const
{
    // Timestamps are relative to the session's start, so the file begins at zero.
    const Time rel = t - session_start_;
    return av_rescale_q_rnd(rel.value, AVRational{1, rel.timescale}, tb,
                            static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

bool WriterImpl::input_ready(size_t index) const
{
    const Status st = status_;
    if (st == Status::Unknown)
        return false;
    // After a failure or cancel the blocks must run on, to see the status and finish.
    if (st != Status::Writing)
        return true;
    std::lock_guard state(state_mu_);
    if (index >= tracks_.size() || tracks_[index].input->is_finished())
        return false;
    double least = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < tracks_.size(); ++i)
        if (i != index && !tracks_[i].input->is_finished())
            least = std::min(least, tracks_[i].position);
    return tracks_[index].position <= least + kInterleaveWindow;
}

void WriterImpl::set_position(Track& t, double seconds)
{
    std::lock_guard state(state_mu_);
    t.position = std::max(t.position, seconds);
}

bool WriterImpl::append(size_t index, const SampleBuffer& sample)
{
    bool ok = false;
    {
        std::lock_guard work(work_mu_);
        if (status_ != Status::Writing || index >= tracks_.size())
            return false;
        Track& t = tracks_[index];
        if (t.input->is_finished())
            return false;
        QString why;
        switch (t.kind) {
        case Kind::Video:
            ok = append_video(t, sample, &why);
            break;
        case Kind::Audio:
            ok = append_audio(t, sample, &why);
            break;
        case Kind::Timecode:
            ok = append_timecode(t, sample, &why);
            break;
        }
        if (ok)
            ok = write_header_when_ready(&why) && write_interleaved(false, &why);
        if (!ok)
            fail_locked(why);
    }
    kick_inputs();
    return ok;
}

bool WriterImpl::append_video(Track& t, const SampleBuffer& sample, QString* error)
{
    if (!sample.image_buffer || !sample.image_buffer->frame()) {
        *error = translated("视频输入只接受解码后的画面");
        return false;
    }
    const Time& pts = sample.presentation_time;
    if (!pts.is_numeric()) {
        *error = translated("视频帧没有有效的显示时间");
        return false;
    }
    const Time& dur = sample.duration;
    const bool has_duration = dur.is_numeric() && dur.value > 0;
    if (!t.started) {
        t.time_base = AVRational{1, std::max(pts.timescale, has_duration ? dur.timescale : 1)};
        if (t.time_base.den < 600)
            t.time_base.den = 600 * t.time_base.den;
        t.frame_rate = AVRational{30, 1};
        if (has_duration)
            av_reduce(&t.frame_rate.num, &t.frame_rate.den, dur.timescale, dur.value, 1 << 30);
        const bool global_header = format_->oformat->flags & AVFMT_GLOBALHEADER;
        t.video_encoder = VideoEncoder::open(t.video, *sample.image_buffer->frame(), t.time_base,
                                             t.frame_rate, global_header, error);
        if (!t.video_encoder)
            return false;
        t.started = true;
    }
    const int64_t p = to_time_base(pts, t.time_base);
    if (p <= t.last_pts) {
        *error = translated("视频帧的显示时间必须递增（%1 在 %2 之后）")
                     .arg(p)
                     .arg(t.last_pts);
        return false;
    }
    int64_t d = has_duration ? av_rescale_q(dur.value, AVRational{1, dur.timescale}, t.time_base) : 0;
    if (d <= 0)
        d = t.last_pts != INT64_MIN ? p - t.last_pts : av_rescale_q(1, av_inv_q(t.frame_rate), t.time_base);
    t.last_pts = p;
    if (!t.video_encoder->encode(*sample.image_buffer->frame(), p, d, sink_for(t), error))
        return false;
    set_position(t, av_q2d(t.time_base) * static_cast<double>(p + d));
    return true;
}

bool WriterImpl::append_audio(Track& t, const SampleBuffer& sample, QString* error)
{
    const std::shared_ptr<const AVFrame> source = sample.audio_source();
    const AVFrame* pcm = source.get();
    if (!pcm) {
        *error = translated("音频输入只接受解码后的音频");
        return false;
    }
    if (!sample.presentation_time.is_numeric()) {
        *error = translated("音频缓冲没有有效的显示时间");
        return false;
    }
    if (!t.started) {
        const bool global_header = format_->oformat->flags & AVFMT_GLOBALHEADER;
        t.audio_encoder = AudioEncoder::open(t.audio, audio_codec_for(*container_, t.audio), *pcm,
                                             global_header, error);
        if (!t.audio_encoder)
            return false;
        t.time_base = t.audio_encoder->context().time_base;
        t.audio_encoder->start_at(to_time_base(sample.presentation_time, t.time_base));
        t.started = true;
    }
    if (!t.audio_encoder->encode(*pcm, sink_for(t), error))
        return false;
    const double start = (sample.presentation_time - session_start_).seconds();
    set_position(t, start + static_cast<double>(pcm->nb_samples) / std::max(1, pcm->sample_rate));
    return true;
}

bool WriterImpl::append_timecode(Track& t, const SampleBuffer& sample, QString* error)
{
    if (!sample.data_packet || !sample.format_description) {
        *error = translated("时间码输入只接受存储的时间码样本");
        return false;
    }
    t.started = true;
    if (!timecode_ && !header_written_) {
        if (const auto frame = timecode_frame_number(sample))
            timecode_ = timecode_text(*frame, *sample.format_description);
    }
    if (sample.presentation_time.is_numeric())
        set_position(t, (sample.presentation_time - session_start_).seconds());
    return true;
}

PacketSink WriterImpl::sink_for(Track& t)
{
    // Used only within the call that encodes, with work_mu_ held, so the track stays in place.
    // A cancel stops an encoder's draining at its next packet: the file is removed anyway.
    return [this, &t](PacketPtr pkt) {
        if (status_ == Status::Cancelled)
            return false;
        t.packets.push_back(std::move(pkt));
        return true;
    };
}

bool WriterImpl::flush_track(Track& t, QString* error)
{
    if (t.flushed)
        return true;
    t.flushed = true;
    if (t.video_encoder)
        return t.video_encoder->flush(sink_for(t), error);
    if (t.audio_encoder)
        return t.audio_encoder->flush(sink_for(t), error);
    return true;
}

bool WriterImpl::write_header_when_ready(QString* error)
{
    if (header_written_)
        return true;
    for (const Track& t : tracks_)
        if (!t.started && !t.input->is_finished())
            return true;
    bool have_streams = false;
    for (Track& t : tracks_) {
        if (!t.started || t.kind == Kind::Timecode)
            continue;
        const AVCodecContext& ctx = t.video_encoder ? t.video_encoder->context() : t.audio_encoder->context();
        if (!container_takes_codec(*container_, ctx.codec_id)) {
            *error = translated("%1 文件类型不能包含 %2 %3")
                         .arg(QLatin1String(container_->muxer), QLatin1String(avcodec_get_name(ctx.codec_id)),
                              t.kind == Kind::Video ? translated("视频") : translated("音频"));
            return false;
        }
        t.stream = avformat_new_stream(format_.get(), nullptr);
        if (!t.stream || avcodec_parameters_from_context(t.stream->codecpar, &ctx) < 0) {
            *error = translated("内存不足");
            return false;
        }
        t.stream->time_base = t.time_base;
        if (t.kind == Kind::Video) {
            t.stream->avg_frame_rate = t.frame_rate;
            t.stream->sample_aspect_ratio = ctx.sample_aspect_ratio;
            if (t.video.tag && (t.video.codec_id == AV_CODEC_ID_HEVC || !std::strcmp(container_->muxer, "mov")))
                t.stream->codecpar->codec_tag = av_bswap32(t.video.tag);
        }
        have_streams = true;
    }
    if (!have_streams)
        return true;  // nothing to write yet; finishing reports an empty file
    // Set only where the file type takes a timecode input.
    if (timecode_) {
        for (const Track& t : tracks_)
            if (t.stream && t.kind == Kind::Video) {
                av_dict_set(&t.stream->metadata, "timecode", timecode_->toUtf8().constData(), 0);
                break;
            }
    }
    for (const MetadataItem& item : metadata_)
        av_dict_set(&format_->metadata, item.key.toUtf8().constData(), item.value.toString().toUtf8().constData(), 0);
    AVDictionary* opts = nullptr;
    if (optimize_for_network_ && container_->movflags)
        av_dict_set(&opts, "movflags", "+faststart", 0);
    const int rc = avformat_write_header(format_.get(), &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        *error = translated("无法开始写入文件：%1").arg(error_text(rc));
        return false;
    }
    header_written_ = true;
    return true;
}

bool WriterImpl::write_interleaved(bool to_the_end, QString* error)
{
    if (!header_written_)
        return true;
    for (;;) {
        Track* next = nullptr;
        for (Track& t : tracks_) {
            if (!t.stream)
                continue;
            if (t.packets.empty()) {
                // A track that may still give packets holds the others back, so the file
                // stays in time order.
                if (!t.flushed && !to_the_end)
                    return true;
                continue;
            }
            if (!next || av_compare_ts(t.packets.front()->dts, t.time_base, next->packets.front()->dts,
                                       next->time_base) < 0)
                next = &t;
        }
        if (!next)
            return true;
        PacketPtr pkt = std::move(next->packets.front());
        next->packets.pop_front();
        av_packet_rescale_ts(pkt.get(), next->time_base, next->stream->time_base);
        pkt->stream_index = next->stream->index;
        const int rc = av_write_frame(format_.get(), pkt.get());
        if (rc < 0) {
            *error = translated("写入文件失败：%1").arg(error_text(rc));
            return false;
        }
    }
}

void WriterImpl::input_finished(size_t index)
{
    {
        std::lock_guard work(work_mu_);
        if (status_ == Status::Writing && index < tracks_.size()) {
            QString why;
            Track& t = tracks_[index];
            // Draining the encoder now lets the other tracks be written without waiting.
            const bool ok = flush_track(t, &why) && write_header_when_ready(&why) &&
                            write_interleaved(false, &why);
            if (!ok)
                fail_locked(why);
        }
    }
    kick_inputs();
}

std::optional<Error> WriterImpl::finish_locked()
{
    QString why;
    for (Track& t : tracks_) {
        t.input->set_finished();
        if (!flush_track(t, &why))
            return writer_error(why);
    }
    if (!write_header_when_ready(&why))
        return writer_error(why);
    if (!header_written_)
        return writer_error(translated("没有添加任何媒体数据，没有可写入的内容"));
    if (!write_interleaved(true, &why))
        return writer_error(why);
    if (status_ == Status::Cancelled)
        return writer_error(translated("已取消"));
    const int rc = av_write_trailer(format_.get());
    if (rc < 0)
        return writer_error(translated("无法完成文件：%1").arg(error_text(rc)));
    teardown_locked(false);
    return publish_locked();
}

std::optional<Error> WriterImpl::publish_locked()
{
    const QString path = url_.toLocalFile();
    if (const int code = file_->close())
        return posix_error(code, translated("写入文件“%1”失败").arg(path));
    // Never over a file that took the name while this one was written.
    if (const int code = foundation::rename_without_replacing(file_->path(), path))
        return code == EEXIST ? already_exists(path)
                              : posix_error(code, translated("无法给文件“%1”命名").arg(path));
    file_->forget();
    file_.reset();
    created_file_ = true;
    return std::nullopt;
}

// A cancel that came after finishing's last look at the status, while the trailer was written
// or the file renamed: a cancelled writer leaves no file, so the one it has just named goes.
void WriterImpl::unpublish_locked()
{
    if (!created_file_)
        return;
    QFile::remove(url_.toLocalFile());
    created_file_ = false;
}

void WriterImpl::finish_writing(std::function<void()> completion)
{
    auto self = shared_from_this();
    dispatch::Queue::global().async([self, completion = std::move(completion)] {
        {
            std::lock_guard work(self->work_mu_);
            if (self->status_ == Status::Writing) {
                Status writing = Status::Writing;
                if (const auto error = self->finish_locked())
                    self->fail_locked(*error);
                else if (!self->status_.compare_exchange_strong(writing, Status::Completed))
                    self->unpublish_locked();
            }
            // Cancelled while finishing: the unfinished file is gone before the completion.
            if (self->status_ == Status::Cancelled)
                self->teardown_locked(true);
        }
        self->kick_inputs();
        if (completion)
            completion();
    });
}

void WriterImpl::cancel_writing()
{
    // The status changes before the lock is taken, so that an encoder being drained or a file
    // being finished stops at its next step instead of completing work that is thrown away.
    Status st = status_;
    while ((st == Status::Writing || st == Status::Unknown) && !status_.compare_exchange_weak(st, Status::Cancelled)) {
    }
    if (status_ != Status::Cancelled)
        return;
    {
        // Waits only for the picture being encoded. The encoders are closed without draining.
        // A second cancel tears down too (nothing is left then), so that it also returns only
        // once the file is gone.
        std::lock_guard work(work_mu_);
        teardown_locked(true);
    }
    kick_inputs();
}

void WriterImpl::fail_locked(const QString& description)
{
    fail_locked(writer_error(description.isEmpty() ? translated("写入失败") : description));
}

void WriterImpl::fail_locked(Error error)
{
    if (status_ != Status::Writing && status_ != Status::Unknown)
        return;
    // A write that the system refused is the cause of whatever failed after it: a full disk
    // must say so, not that the trailer could not be written.
    if (file_ && file_->write_error() && !is_posix_error(error, file_->write_error()))
        error = posix_error(file_->write_error(), translated("写入文件“%1”失败").arg(url_.toLocalFile()));
    {
        std::lock_guard state(state_mu_);
        error_ = std::move(error);
    }
    status_ = Status::Failed;
    teardown_locked(true);
}

void WriterImpl::teardown_locked(bool remove_file)
{
    for (Track& t : tracks_) {
        t.video_encoder.reset();
        t.audio_encoder.reset();
        t.packets.clear();
        t.stream = nullptr;
    }
    if (format_) {
        format_->pb = nullptr;  // the output file's, not the muxer's
        format_.reset();
    }
    if (file_ && remove_file) {
        file_->remove();
        file_.reset();
    }
}

void WriterImpl::kick_inputs()
{
    std::vector<std::shared_ptr<InputImpl>> inputs;
    {
        std::lock_guard state(state_mu_);
        for (const Track& t : tracks_)
            inputs.push_back(t.input);
    }
    for (const auto& input : inputs)
        input->kick();
}

}  // namespace media::wr
