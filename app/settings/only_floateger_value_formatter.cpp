#include "app/settings/only_floateger_value_formatter.h"

#include "platform/foundation/files.h"

QValidator::State OnlyFloategerValueFormatter::validate(QString& input, int&) const
{
    // "nan", "inf" and values beyond the float range are refused: they would reach the slider.
    return input.isEmpty() || foundation::parse_float(input) ? Acceptable : Invalid;
}
