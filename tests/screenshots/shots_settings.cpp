#include <QTabWidget>

#include "app/settings/setup_ns_view_controller.h"
#include "app/settings/video_setup_view_controller.h"
#include "shots.h"

namespace {

// The settings column at its usual width, showing one pane.
QWidget* column_on_tab(int tab)
{
    auto* column = new Setup_NSViewController;
    column->resize(340, 520);
    // As in the window, where the video pane is the first shown and sets up the audio pane.
    if (auto* video = qobject_cast<Video_setup_ViewController*>(column->tab_view->widget(0)))
        video->load_view();
    column->tab_view->setCurrentIndex(tab);
    return column;
}

const shots::Registrar video("settings_video", [] { return column_on_tab(0); });
const shots::Registrar audio("settings_audio", [] { return column_on_tab(1); });
const shots::Registrar only_audio("settings_only_audio", [] { return column_on_tab(2); });
const shots::Registrar general("settings_general", [] { return column_on_tab(3); });

}  // namespace
