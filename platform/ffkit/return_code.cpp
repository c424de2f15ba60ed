#include "return_code.h"

#include <sys/wait.h>

namespace ffkit {

ReturnCode return_code_for(std::optional<int> wait_status, bool cancelled)
{
    if (cancelled)
        return ReturnCode(ReturnCode::cancel);
    if (!wait_status)
        return ReturnCode(1);
    if (WIFSIGNALED(*wait_status))
        return ReturnCode(128 + WTERMSIG(*wait_status));
    if (!WIFEXITED(*wait_status))
        return ReturnCode(1);
    const int code = WEXITSTATUS(*wait_status);
    // ffmpeg exits with 255 when a signal stops it; one that we did not send is a failure.
    return ReturnCode(code == ReturnCode::cancel ? 1 : code);
}

}  // namespace ffkit
