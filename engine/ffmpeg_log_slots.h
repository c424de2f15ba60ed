#pragma once

#include <QString>
#include <mutex>

// The last two log messages of one ffmpeg run: slot A takes the 1st, 3rd, 5th ... message,
// slot B the 2nd, 4th, 6th ...; text() gives them oldest first, whatever the count.
class FfmpegLogSlots {
public:
    void store(const QString& message);
    // "older\nnewer"; one message alone; empty before the first message.
    QString text() const;
    bool empty() const;

private:
    mutable std::mutex lock_;
    QString slot_a_;
    QString slot_b_;
    bool a_turn_ = true;
    int count_ = 0;
};
