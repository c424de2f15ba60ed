#pragma once

// What the reader needs of its outputs, beside the public output interface.

#include <memory>
#include <vector>

#include "asset.h"
#include "reader_session.h"

namespace media {

class OutputPort {
public:
    virtual ~OutputPort() = default;
    // The asset tracks whose samples the output takes.
    virtual std::vector<AssetTrackRef> source_tracks() const = 0;
    // Called by start_reading: the output takes its channel and opens its decoders.
    // False with a description when it cannot read its tracks.
    virtual bool attach(const std::shared_ptr<ReaderSession>& session, int channel, QString* error) = 0;
    // Called once every output is attached: starts read-ahead work, if any.
    virtual void begin() {}
    // The session has stopped: waits of the output's own end now.
    virtual void wake() {}
    // Waits until the read-ahead work has ended; the session has stopped or ended.
    virtual void join() {}
    // The reading is over and join() has returned: frees the decoders, scalers and samples
    // the output holds; it gives no more samples.
    virtual void release() = 0;

    bool added = false;  // belongs to a reader already
};

}  // namespace media
