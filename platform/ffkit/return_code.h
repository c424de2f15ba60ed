#pragma once

#include <optional>

namespace ffkit {

// The outcome of a run: 0 success, 255 a run that we cancelled, anything else a failure
// (ffmpeg's own exit code, 128 + the signal for a child that crashed, 127 when ffmpeg could
// not be started or the arguments could not be read).
class ReturnCode {
public:
    static constexpr int success = 0;
    static constexpr int cancel = 255;
    static constexpr int not_started = 127;

    explicit ReturnCode(int value) : value_(value) {}
    int value() const { return value_; }

    static bool is_success(const std::optional<ReturnCode>& code) { return code && code->value_ == success; }
    static bool is_cancel(const std::optional<ReturnCode>& code) { return code && code->value_ == cancel; }

private:
    int value_;
};

// The return code of a child that ended with the wait status (nullopt: unknown, a failure);
// a run that we cancelled is a cancel whatever the child did.
ReturnCode return_code_for(std::optional<int> wait_status, bool cancelled);

}  // namespace ffkit
