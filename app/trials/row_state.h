#pragma once

#include <QUrl>
#include <optional>

class Run_task_obj;

// The row's output file, when its job has one that exists on disk.
std::optional<QUrl> row_output_file(const Run_task_obj& row);
