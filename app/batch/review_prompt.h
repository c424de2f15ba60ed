#pragma once

#include <QString>
#include <functional>

// The request for a rating, asked once per build version from the fifth accepted Start on.
// There is no store on this platform: the request is a hook that logs a line and shows nothing.
namespace review {

using RequestHook = std::function<void(const QString& version)>;

// Replaces the request (tests); an empty hook puts the logging one back.
void set_request_hook(RequestHook hook);

// Counts one accepted Start and schedules the request 2.0 s later when it is due.
// Main thread.
void check_request_review(const QString& build_version);

// Asks for the rating, then remembers the version it was asked for. Main queue.
void request_review(const QString& version);

}  // namespace review
