#pragma once

#include "platform/media/error.h"

// The state of a table row: one of six cases, two of them with a payload.
class EnumState {
public:
    enum class Case { conversion, error, read, parsing, write, carry_out };

    static EnumState conversion(double progress) { return EnumState(Case::conversion, progress, {}); }
    static EnumState error(media::Error error) { return EnumState(Case::error, 0, std::move(error)); }
    static EnumState read() { return EnumState(Case::read, 0, {}); }
    static EnumState parsing() { return EnumState(Case::parsing, 0, {}); }
    static EnumState write() { return EnumState(Case::write, 0, {}); }
    static EnumState carry_out() { return EnumState(Case::carry_out, 0, {}); }

    Case kind() const { return case_; }
    // The payload of conversion: the progress fraction, 0 to 1.
    double progress() const { return progress_; }
    // The payload of error.
    const media::Error& error_value() const { return error_; }

private:
    EnumState(Case c, double progress, media::Error error)
        : case_(c), progress_(progress), error_(std::move(error))
    {
    }

    Case case_;
    double progress_;
    media::Error error_;
};
