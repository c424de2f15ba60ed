#pragma once

#include <QString>
#include <optional>

// Version texts read as single-precision numbers, the way the version check compares them.
namespace update {

// The number of a version text, or nullopt when the whole text is not a finite decimal
// number ("1.10" is 1.1, "2" is 2, "1.2.3", " 1.0", "1.0 ", "0x1p0" and "inf" are not numbers).
std::optional<float> version_number(const QString& text);

// The shortest decimal text that reads back as the same number, always with a fractional
// part or an exponent (1.1 is "1.1", 2 is "2.0").
QString version_text(float number);

}  // namespace update
