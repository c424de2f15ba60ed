#pragma once

// The readers of each container's declared sizes, and what they share. Internal to
// container_layout.

#include <optional>

#include "container_layout.h"

namespace media::layout {

std::optional<uint32_t> le32(ByteSource& bytes, int64_t at);
std::optional<uint64_t> le64(ByteSource& bytes, int64_t at);
std::optional<uint32_t> be32(ByteSource& bytes, int64_t at);
std::optional<int64_t> be64(ByteSource& bytes, int64_t at);
uint32_t le32(const QByteArray& data, int at);
uint64_t le64(const QByteArray& data, int at);
// Whether `count` bytes at `at` are `text`.
bool is_text(ByteSource& bytes, int64_t at, const char* text);

// A 32-bit size that a writer that could not go back left in place of the real one: zero,
// all ones, or a maximum just below 2 or 4 GiB.
bool is_placeholder(uint32_t size);

// The media data should end at `end` (the last byte's end, no padding).
DeclaredData ending_at(int64_t end, int64_t file_size);
// The media data should end at `end`, and a file that falls short of it by no more than
// `room` (a tag that a writer counted and a later tool left out) is whole.
DeclaredData ending_at(int64_t end, int64_t file_size, int64_t room);

DeclaredData avi(ByteSource& bytes);
DeclaredData wave(ByteSource& bytes);
DeclaredData aiff(ByteSource& bytes);
DeclaredData caf(ByteSource& bytes);
DeclaredData mp3(ByteSource& bytes);
DeclaredData flv(ByteSource& bytes);
DeclaredData matroska(ByteSource& bytes);

}  // namespace media::layout
