#include "line_buffer.h"

namespace ffkit {

namespace {
// A stream that never breaks its lines (binary garbage) is cut into pieces of this size
// rather than held whole.
constexpr size_t kLongestLine = 64 * 1024;
}  // namespace

void LineBuffer::feed(const char* data, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\n' || c == '\r')
            emit_line();
        else if (pending_.push_back(c); pending_.size() >= kLongestLine)
            emit_line();
    }
}

void LineBuffer::finish() { emit_line(); }

void LineBuffer::emit_line()
{
    if (pending_.empty())
        return;
    const QString line = QString::fromUtf8(pending_.data(), qsizetype(pending_.size()));
    pending_.clear();
    on_line_(line);
}

}  // namespace ffkit
