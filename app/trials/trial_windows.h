#pragma once

#include <QString>
#include <memory>

class QWidget;
class OneExporter;
class Run_task_obj;
class My_Prest;
class Video_AVPlayer_ViewController;
class Calculate_file_size_NSViewController;

// Opens the two trial windows as windows of their own above the parent's window, centred on
// it. Each deletes itself when closed (always on the main thread) and goes with the parent's
// window at the latest. The trial converts with the given preset, else with the row job's.
// Main thread.
Video_AVPlayer_ViewController* open_preview_window_for(QWidget* parent, std::shared_ptr<Run_task_obj> row,
                                                       std::shared_ptr<My_Prest> preset = nullptr);
Calculate_file_size_NSViewController* open_estimate_window_for(QWidget* parent, std::shared_ptr<OneExporter> row_job,
                                                               const QString& title,
                                                               std::shared_ptr<My_Prest> preset = nullptr);
