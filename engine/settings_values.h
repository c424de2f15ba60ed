#pragma once

#include <QVariant>
#include <optional>

// Output-settings dictionaries keep numbers of several types apart; these tell them.
bool is_integer_type(const QVariant& value);
// Any integer or floating type.
bool is_number_type(const QVariant& value);
// The value as a double when it is a number; nullopt for other types (texts included).
std::optional<double> settings_number(const QVariant& value);
