#include "settings_values.h"

bool is_integer_type(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

bool is_number_type(const QVariant& value)
{
    return is_integer_type(value) || value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

std::optional<double> settings_number(const QVariant& value)
{
    if (is_number_type(value))
        return value.toDouble();
    return std::nullopt;
}
