#pragma once

#include <QValidator>

// Lets a text field hold only a finite single-precision number in the C locale (point as the
// decimal separator, no blanks), or nothing. A refused edit leaves the field as it was.
class OnlyFloategerValueFormatter : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override;
};
