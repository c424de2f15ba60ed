#include "app/settings/only_integer_value_formatter.h"

#include "platform/foundation/files.h"

QValidator::State OnlyIntegerValueFormatter::validate(QString& input, int&) const
{
    // Never Intermediate: a lone sign is refused outright, as every other partial text.
    return input.isEmpty() || foundation::parse_integer(input) ? Acceptable : Invalid;
}
