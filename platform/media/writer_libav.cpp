#include "writer_libav.h"

extern "C" {
#include <libavutil/error.h>
}

namespace media::wr {

QString error_text(int code)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

}  // namespace media::wr
