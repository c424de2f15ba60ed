#pragma once

#include <QString>

// Writes one plain line to standard output and flushes it, so that lines from several
// threads never interleave and nothing is lost when the program ends abruptly.
void logLine(const QString& line);
