#include "data_reach.h"

#include <algorithm>

#include "source_extent.h"

namespace media {

namespace {

// Reads packets until every goal is met or the data ends; `reach` holds each goal's latest
// end in microseconds on the asset's timeline. True when every goal was met.
bool read_ends(AVFormatContext* ctx, const std::vector<ReachGoal>& goals, std::vector<int64_t>& reach)
{
    std::vector<int64_t> wanted;
    for (const ReachGoal& goal : goals)
        wanted.push_back(av::from_time(goal.at, AV_TIME_BASE_Q));
    const int64_t offset = start_offset_us(ctx);
    const auto all_met = [&] {
        for (size_t i = 0; i < goals.size(); ++i)
            if (reach[i] < wanted[i])
                return false;
        return true;
    };
    av::PacketPtr pkt(av_packet_alloc());
    if (!pkt)
        return false;
    while (!all_met()) {
        if (av_read_frame(ctx, pkt.get()) < 0)
            return false;
        const AVStream* st = ctx->streams[pkt->stream_index];
        const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
        if (ts != AV_NOPTS_VALUE) {
            const int64_t end =
                av_rescale_q(ts + std::max<int64_t>(pkt->duration, 0), st->time_base, AV_TIME_BASE_Q) - offset;
            for (size_t i = 0; i < goals.size(); ++i)
                if (goals[i].stream < 0 || goals[i].stream == pkt->stream_index)
                    reach[i] = std::max(reach[i], end);
        }
        av_packet_unref(pkt.get());
    }
    return true;
}

// Only the streams that the goals name need to be read.
void discard_others(AVFormatContext* ctx, const std::vector<ReachGoal>& goals)
{
    if (std::any_of(goals.begin(), goals.end(), [](const ReachGoal& g) { return g.stream < 0; }))
        return;
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        if (std::none_of(goals.begin(), goals.end(), [i](const ReachGoal& g) { return g.stream == int(i); }))
            ctx->streams[i]->discard = AVDISCARD_ALL;
}

}  // namespace

std::vector<Time> data_reach(AVFormatContext* opened, const QString& path, const std::vector<ReachGoal>& goals)
{
    std::vector<Time> result(goals.size(), Time::invalid());
    if (goals.empty())
        return result;
    std::vector<int64_t> reach(goals.size(), INT64_MIN);
    const auto to_times = [&] {
        for (size_t i = 0; i < goals.size(); ++i)
            if (reach[i] != INT64_MIN)
                result[i] = av::to_time(reach[i], AV_TIME_BASE_Q);
        return result;
    };

    // A whole file shows its goals met in its last seconds.
    Time earliest = goals.front().at;
    for (const ReachGoal& goal : goals)
        if (goal.at < earliest)
            earliest = goal.at;
    discard_others(opened, goals);
    const int64_t target = av::from_time(earliest, AV_TIME_BASE_Q) + start_offset_us(opened);
    if (earliest.is_numeric() && avformat_seek_file(opened, -1, INT64_MIN, target, target, 0) >= 0 &&
        read_ends(opened, goals, reach))
        return to_times();
    // Not met there, or no seek: where the data ends is found from the start, as a seek into
    // a file cut short may land anywhere or nowhere.
    std::fill(reach.begin(), reach.end(), INT64_MIN);
    if (const av::FormatPtr whole = av::open_input(path, nullptr)) {
        discard_others(whole.get(), goals);
        read_ends(whole.get(), goals, reach);
    }
    return to_times();
}

}  // namespace media
