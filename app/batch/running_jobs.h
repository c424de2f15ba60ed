#pragma once

#include <memory>
#include <vector>

class OneExporter;

// The jobs that run outside the batch: the trial conversions of the preview and size-estimate
// windows. The orderly quit cancels each of them and waits for its completion, so that no
// ffmpeg child and no temporary file outlive the application.
//
// A trial's owner adds its job right before it starts it and removes it once the job's
// completion has arrived (on the main thread, after the hop). Main thread only.
namespace running_jobs {

void add(const std::shared_ptr<OneExporter>& job);
void remove(const OneExporter* job);
std::vector<std::shared_ptr<OneExporter>> all();
bool empty();

}  // namespace running_jobs
