#include "app/trials/video_avplayer_view_controller.h"

#include <QAudioOutput>
#include <QHBoxLayout>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>
#include <QVideoWidget>

#include "app/shell/alerts.h"
#include "app/trials/trial_owner.h"
#include "engine/one_exporter.h"
#include "engine/run_task_obj.h"
#include "engine/stdout_log.h"

namespace {
// The sample: the first 10 seconds.
const media::Time kSampleLength = media::Time::make(6000, 600);
}  // namespace

Video_AVPlayer_ViewController::Video_AVPlayer_ViewController(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("AVPlayer_vc"));
    auto* layout = new QVBoxLayout(this);
    avPlayerView = new QVideoWidget(this);
    avPlayerView->setMinimumSize(480, 270);
    layout->addWidget(avPlayerView, 1);

    auto* controls = new QHBoxLayout;
    play_button = new QPushButton(this);
    play_button->setEnabled(false);
    position_slider = new QSlider(Qt::Horizontal, this);
    position_slider->setEnabled(false);
    controls->addWidget(play_button);
    controls->addWidget(position_slider, 1);
    layout->addLayout(controls);

    jd_progress = new QProgressBar(this);
    jd_progress->setRange(0, 100);
    layout->addWidget(jd_progress);

    player = new QMediaPlayer(this);
    audio_output = new QAudioOutput(this);
    player->setAudioOutput(audio_output);
    player->setVideoOutput(avPlayerView);
    update_play_button();

    connect(play_button, &QPushButton::clicked, this, [this] {
        if (player->playbackState() == QMediaPlayer::PlayingState)
            player->pause();
        else
            player->play();
    });
    connect(player, &QMediaPlayer::playbackStateChanged, this, [this] { update_play_button(); });
    connect(player, &QMediaPlayer::durationChanged, this, [this](qint64 duration) {
        position_slider->setRange(0, int(duration));
        position_slider->setEnabled(duration > 0);
    });
    connect(player, &QMediaPlayer::positionChanged, this, [this](qint64 position) {
        if (!position_slider->isSliderDown())
            position_slider->setValue(int(position));
    });
    connect(position_slider, &QSlider::sliderMoved, player, &QMediaPlayer::setPosition);
}

Video_AVPlayer_ViewController::~Video_AVPlayer_ViewController()
{
    logLine(QStringLiteral("窗口虚构"));
    // The player lets go of the sample before its owner removes it.
    player->stop();
    player->setSource(QUrl());
    if (owner_)
        owner_->cancel();
}

std::shared_ptr<Run_task_obj> Video_AVPlayer_ViewController::out_run_task_obj() const
{
    return owner_ ? owner_->copy_row : nullptr;
}

void Video_AVPlayer_ViewController::update_play_button()
{
    const bool playing = player->playbackState() == QMediaPlayer::PlayingState;
    play_button->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    play_button->setToolTip(playing ? tr("暂停") : tr("播放"));
}

void Video_AVPlayer_ViewController::viewDidLoad()
{
    jd_progress->hide();
    logLine(QStringLiteral("加载预览窗口10s"));
    if (!run_task_obj || !run_task_obj->out_Ex)
        return;
    const std::shared_ptr<OneExporter> row_job = run_task_obj->out_Ex;

    // A copy of the row reads the source again and gets a job of its own.
    auto copy = std::make_shared<Run_task_obj>(run_task_obj->in_file_obj);
    const std::shared_ptr<OneExporter> job = copy->out_Ex;
    if (!job)
        return;
    job->My_prest_obj = My_prest_obj ? My_prest_obj : row_job->My_prest_obj.get();

    owner_ = std::make_shared<TrialOwner>(
        this, [this](float progress) { export_progress(progress); },
        [this](const QUrl& url) { export_finished(url); });
    owner_->copy_row = copy;
    TrialOwner::start_after_answer(owner_, row_job, job, trial_range(job->raw_duration, kSampleLength));
}

void Video_AVPlayer_ViewController::export_progress(float)
{
    jd_progress->show();
    jd_progress->setValue(int(owner_->job->out_progress * 100));
}

void Video_AVPlayer_ViewController::export_finished(const QUrl&)
{
    jd_progress->hide();
    show_preview_result();
}

void Video_AVPlayer_ViewController::show_preview_result()
{
    const auto copy = out_run_task_obj();
    if (!copy || !copy->out_Ex)
        return;
    const OneExporter& job = *copy->out_Ex;
    if (job.status == 4) {
        show_alert(tr("错误"), job.error_info.get().value_or(tr("错误")));
    } else if (job.status == 3) {
        if (const auto url = job.out_url_obj.get()) {
            player->setSource(*url);
            player->play();
        }
    }
}

void Video_AVPlayer_ViewController::show_alert(const QString& message, const QString& informative)
{
    QMessageBox* box = alerts::show_critical(this, message, informative);
    connect(box, &QMessageBox::finished, this, &QWidget::close);
}
