#pragma once

#include <optional>

namespace ffkit {

// The outcome of a run: 0 success, 255 a run that we cancelled, anything else a failure
// (ffmpeg's own exit code, 128 + the signal for a child that a signal ended, 127 when ffmpeg
// could not be started or the arguments could not be read).
class ReturnCode {
public:
    static constexpr int success = 0;
    static constexpr int cancel = 255;
    static constexpr int not_started = 127;

    explicit ReturnCode(int value, std::optional<int> signal = std::nullopt) : value_(value), signal_(signal) {}
    int value() const { return value_; }
    // The signal that ended a run we did not cancel: the one that killed the child (the
    // out-of-memory killer's SIGKILL, a crash's SIGSEGV), or the one ffmpeg stopped for.
    std::optional<int> signal() const { return signal_; }

    static bool is_success(const std::optional<ReturnCode>& code) { return code && code->value_ == success; }
    static bool is_cancel(const std::optional<ReturnCode>& code) { return code && code->value_ == cancel; }

private:
    int value_;
    std::optional<int> signal_;
};

// The return code of a child that ended with the wait status (nullopt: unknown, a failure);
// a run that we cancelled is a cancel whatever the child did. `reported_signal` is the signal
// that ffmpeg said it stopped for, if it said so.
ReturnCode return_code_for(std::optional<int> wait_status, bool cancelled,
                           std::optional<int> reported_signal = std::nullopt);

}  // namespace ffkit
