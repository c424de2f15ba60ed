#pragma once

#include <QValidator>

// Lets a text field hold only an integer: an optional sign, ASCII digits, a value that fits
// 64 bits; or nothing. A refused edit leaves the field as it was.
class OnlyIntegerValueFormatter : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override;
};
