#pragma once

#include <QString>
#include <functional>
#include <string>

namespace ffkit {

// Cuts a byte stream into lines at line feeds and carriage returns; empty lines are dropped
// and a line longer than 64 KiB is cut. Bytes are read as UTF-8.
class LineBuffer {
public:
    explicit LineBuffer(std::function<void(const QString& line)> on_line) : on_line_(std::move(on_line)) {}
    void feed(const char* data, size_t size);
    // Delivers a last line that has no line break.
    void finish();

private:
    void emit_line();
    std::function<void(const QString&)> on_line_;
    std::string pending_;
};

}  // namespace ffkit
