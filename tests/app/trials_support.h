#pragma once

#include <QMessageBox>
#include <QString>
#include <QUrl>
#include <memory>
#include <string>

#include "engine/presets.h"

class OneExporter;
class Run_task_obj;
class TrialOwner;

namespace trialtest {

// Registers the output names once, as the application does at start-up.
void register_names();

QString fixture_path(const std::string& name);
// A table row of a generated fixture, built as the add-files worker builds it, its
// compatibility answer in.
std::shared_ptr<Run_task_obj> fixture_row(const std::string& name);

// H.264 at 320x240 and AAC audio at the encoders' own quality, in MPEG-4.
std::shared_ptr<My_Prest> h264_preset();
// A preset whose container cannot be written (a picture type): every run of it fails.
std::shared_ptr<My_Prest> unwritable_preset();

// The container duration that the ffprobe program reads; -1 when it reads none.
double probed_duration(const QString& path);

// The alert shown over a window, if any.
QMessageBox* alert_over(QWidget* window);
// Any alert that is up in the application.
bool any_alert_up();

// Waits until the trial's owner is gone (the job has ended and the window has closed); it
// has then removed the temporary file. False on time-out.
bool wait_for_owner_gone(const std::weak_ptr<TrialOwner>& owner);
// Waits until a job has reported its end.
bool wait_for_end(const OneExporter& job);

}  // namespace trialtest
