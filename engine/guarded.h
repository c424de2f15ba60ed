#pragma once

#include <mutex>
#include <utility>

// A value whose every single read and write is atomic (fields written by engine threads
// and read on the main queue).
template <typename T>
class Guarded {
public:
    Guarded() = default;
    Guarded(T value) : value_(std::move(value)) {}  // NOLINT: plain field initialisation
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;

    T get() const
    {
        std::lock_guard guard(lock_);
        return value_;
    }
    void set(T value)
    {
        std::lock_guard guard(lock_);
        value_ = std::move(value);
    }
    Guarded& operator=(T value)
    {
        set(std::move(value));
        return *this;
    }

private:
    mutable std::mutex lock_;
    T value_{};
};
