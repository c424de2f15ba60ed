#include "ffmpeg_log_slots.h"

void FfmpegLogSlots::store(const QString& message)
{
    std::lock_guard guard(lock_);
    (a_turn_ ? slot_a_ : slot_b_) = message;
    a_turn_ = !a_turn_;
    ++count_;
}

QString FfmpegLogSlots::text() const
{
    std::lock_guard guard(lock_);
    if (count_ < 2)
        return slot_a_;
    // The slot whose turn it is holds the older message.
    return a_turn_ ? slot_a_ + u'\n' + slot_b_ : slot_b_ + u'\n' + slot_a_;
}

bool FfmpegLogSlots::empty() const
{
    std::lock_guard guard(lock_);
    return count_ == 0;
}
