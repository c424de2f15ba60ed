#pragma once

#include <QWidget>
#include <memory>

class QAudioOutput;
class QMediaPlayer;
class QProgressBar;
class QPushButton;
class QSlider;
class QVideoWidget;
class Run_task_obj;
class My_Prest;
class TrialOwner;

// The preview window: converts the first 10 seconds of a row's source with the row's preset
// into a temporary file, through a private copy of the row, and plays it. Closing the window
// stops the sample; the trial's owner removes the temporary file once the job has ended.
class Video_AVPlayer_ViewController : public QWidget {
    Q_OBJECT
public:
    explicit Video_AVPlayer_ViewController(QWidget* parent = nullptr);
    ~Video_AVPlayer_ViewController() override;

    // Starts the sample of run_task_obj (set before). Main thread.
    void viewDidLoad();
    // The job's reports, already on the main thread.
    void export_progress(float progress);
    void export_finished(const QUrl& url);
    void show_preview_result();
    // The critical alert with one "OK" button; the window closes when it ends.
    void show_alert(const QString& message, const QString& informative);

    // The private copy whose job converts the sample; empty before viewDidLoad.
    std::shared_ptr<Run_task_obj> out_run_task_obj() const;
    // The trial's owner, which outlives the window until the job has ended.
    std::weak_ptr<TrialOwner> trial_owner() const { return owner_; }

    QVideoWidget* avPlayerView = nullptr;
    QProgressBar* jd_progress = nullptr;
    QMediaPlayer* player = nullptr;
    QAudioOutput* audio_output = nullptr;
    QPushButton* play_button = nullptr;
    QSlider* position_slider = nullptr;
    // The row to preview, shared with the table; set by the opener before viewDidLoad.
    std::shared_ptr<Run_task_obj> run_task_obj;
    // The preset of the sample, set by the opener; without one, the row job's.
    std::shared_ptr<My_Prest> My_prest_obj;

private:
    void update_play_button();

    std::shared_ptr<TrialOwner> owner_;
};
