#pragma once

#include <QString>

// Reading ffmpeg's log messages (as ffkit gives them, without their level tag).

// The message without the memory addresses of its "[component @ 0x…]" prefixes, which
// mean nothing to a user: "[aac @ 0x55…] Qavg: 1" gives "[aac] Qavg: 1".
QString without_addresses(const QString& message);
