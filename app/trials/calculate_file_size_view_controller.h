#pragma once

#include <QUrl>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "platform/media/time.h"

class OneExporter;
class My_Prest;
class QLabel;
class QProgressBar;
class TrialOwner;

// The size-estimate window: converts the first half second of a row's source with the row's
// preset into a temporary file and shows the size the whole output would have. Closing the
// window stops the trial; its owner removes the temporary file once the job has ended.
class Calculate_file_size_NSViewController : public QWidget {
    Q_OBJECT
public:
    explicit Calculate_file_size_NSViewController(QWidget* parent = nullptr);
    ~Calculate_file_size_NSViewController() override;

    // Starts the trial of in_out_Ex_obj's source (set before). Main thread.
    void viewDidLoad();
    // The job's completion, already on the main thread.
    void export_finished(const QUrl& url);
    void show_file_size();
    // The size of a file in bytes; 0 when it cannot be read.
    static uint64_t get_file_size(const QUrl& url);

    // The trial job; empty before viewDidLoad and for a row without a source.
    std::shared_ptr<OneExporter> out_out_Ex_obj() const;
    // The trial's owner, which outlives the window until the job has ended.
    std::weak_ptr<TrialOwner> trial_owner() const { return owner_; }

    QLabel* info_textfield = nullptr;
    QProgressBar* wj_load = nullptr;
    // The row's job, shared with the row; set by the opener before viewDidLoad.
    std::shared_ptr<OneExporter> in_out_Ex_obj;
    // The preset of the trial, set by the opener; without one, the row job's.
    std::shared_ptr<My_Prest> My_prest_obj;

private:
    void show_no_estimate();

    std::shared_ptr<TrialOwner> owner_;
    media::TimeRange range_;
};
