#include "return_code.h"

#include <sys/wait.h>

namespace ffkit {

ReturnCode return_code_for(std::optional<int> wait_status, bool cancelled, std::optional<int> reported_signal)
{
    if (cancelled)
        return ReturnCode(ReturnCode::cancel);
    if (!wait_status)
        return ReturnCode(1);
    if (WIFSIGNALED(*wait_status))
        return ReturnCode(128 + WTERMSIG(*wait_status), WTERMSIG(*wait_status));
    if (!WIFEXITED(*wait_status))
        return ReturnCode(1);
    const int code = WEXITSTATUS(*wait_status);
    // ffmpeg catches SIGINT and SIGTERM and exits by itself: with 255, or with 1 when the signal
    // cut its set-up short. A signal that we did not send is a failure.
    if (code != ReturnCode::success && reported_signal)
        return ReturnCode(128 + *reported_signal, reported_signal);
    return ReturnCode(code == ReturnCode::cancel ? 1 : code);
}

}  // namespace ffkit
