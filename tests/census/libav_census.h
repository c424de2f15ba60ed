#pragma once

#include <string>

// How many of the libraries' contexts the project's own code holds open at this moment:
// every open or allocation made by the media layer counts up, every close or free counts
// down. The test programs that link this count through the linker's symbol wrapping, so
// nothing in the media layer itself is changed for it.
namespace census {

struct LibavContexts {
    long formats = 0;     // demuxers and muxers
    long codecs = 0;      // decoders and encoders
    long scalers = 0;
    long resamplers = 0;
    long buffer_pools = 0;

    bool none() const { return formats == 0 && codecs == 0 && scalers == 0 && resamplers == 0 && buffer_pools == 0; }
    std::string text() const;
};

LibavContexts libav_contexts();

}  // namespace census
