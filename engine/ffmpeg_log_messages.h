#pragma once

#include <QString>

// Reading ffmpeg's log messages (as ffkit gives them, without their level tag).

// Whether the message is the MPEG-4 demuxer's own report that the source's media data ends
// before its index says: "[mov,mp4,… @ 0x…] stream 1, offset 0x2c07c: partial file". Only
// the whole line counts, so that no path, folder or tag that ffmpeg repeats can pass for it.
bool is_partial_file_message(const QString& message);

// The message without the memory addresses of its "[component @ 0x…]" prefixes, which
// mean nothing to a user: "[aac @ 0x55…] Qavg: 1" gives "[aac] Qavg: 1".
QString without_addresses(const QString& message);
