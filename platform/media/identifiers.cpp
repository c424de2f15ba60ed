#include "identifiers.h"

namespace media {

QString fourcc_string(FourCC code)
{
    QString s;
    for (int shift = 24; shift >= 0; shift -= 8)
        s += QChar(static_cast<char16_t>((code >> shift) & 0xff));
    return s;
}

}  // namespace media
