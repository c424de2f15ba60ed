#include <QElapsedTimer>
#include <QLabel>
#include <QMediaPlayer>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QTableView>

#include "app/shell/main_window.h"
#include "app/table/items_model.h"
#include "app/table/view_controller.h"
#include "app/trials/calculate_file_size_view_controller.h"
#include "app/trials/trial_windows.h"
#include "app/trials/video_avplayer_view_controller.h"
#include "engine/one_exporter.h"
#include "engine/run_task_obj.h"
#include "shots.h"
#include "support/support.h"

namespace {

std::shared_ptr<Run_task_obj> row_of(const char* fixture)
{
    auto row = std::make_shared<Run_task_obj>(QUrl::fromLocalFile(QString::fromStdString(testsupport::fixture(fixture))));
    auto preset = std::make_shared<My_Prest>();
    preset->fileType = AVFileTypeMPEG4;
    preset->video_outputSettings = {
        {AVVideoCodecKey, QString(AVVideoCodecTypeH264)}, {AVVideoWidthKey, 320.0}, {AVVideoHeightKey, 240.0}};
    preset->audio_outputSettings = {{AVFormatIDKey, uint(kAudioFormatMPEG4AAC)}};
    row->out_Ex->My_prest_obj = preset;
    return row;
}

// Runs the event loop until the condition holds, at most this long.
void settle_until(const std::function<bool()>& done, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds)
        shots::settle(50);
}

// The menu of a converted row (every item enabled); the window goes with it.
QWidget* row_menu()
{
    auto* window = new MainWindow;
    window->resize(1000, 600);
    window->show();
    ViewController* list = window->split()->list_pane();
    for (const char* file : {"h264_aac.mp4", "long.mp4"})
        list->items_model->append(row_of(file));
    shots::settle(200);
    list->rightMouseDown(list->tableView->visualRect(list->items_model->index(1, 0)).center());
    QMenu* menu = list->tableView_menu;
    QObject::connect(menu, &QObject::destroyed, window, &QObject::deleteLater);
    return menu;
}

// The preview once its sample plays, held on a frame. The video is drawn in a native child
// window that a widget grab does not see, so the picture is taken from the screen and shown
// in a plain label, which is what the tool then grabs.
QWidget* preview()
{
    auto* window = open_preview_window_for(nullptr, row_of("long.mp4"));
    settle_until([window] { return window->player->playbackState() == QMediaPlayer::PlayingState; }, 20000);
    shots::settle(1500);
    window->player->pause();
    shots::settle(300);
    const QRect frame = window->frameGeometry();
    const QPixmap picture = window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    auto* label = new QLabel;
    label->setWindowTitle(window->windowTitle());
    label->setPixmap(picture);
    window->close();
    return label;
}

QWidget* estimate()
{
    const auto row = row_of("long.mp4");
    auto* window = open_estimate_window_for(nullptr, row->out_Ex, row->name);
    settle_until([window] { return !window->info_textfield->text().isEmpty(); }, 20000);
    return window;
}

const shots::Registrar menu_shot("trials_row_menu", row_menu);
const shots::Registrar preview_shot("trials_preview", preview);
const shots::Registrar estimate_shot("trials_estimate", estimate);

}  // namespace
