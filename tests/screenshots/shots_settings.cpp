#include <QDir>
#include <QTabWidget>

#include "app/settings/setup_ns_view_controller.h"
#include "app/settings/video_setup_view_controller.h"
#include "shots.h"

namespace {

// The settings column at its usual width, showing one pane.
Setup_NSViewController* column_on_tab(int tab)
{
    auto* column = new Setup_NSViewController;
    column->resize(340, 520);
    // As in the window, where the video pane is the first shown and sets up the audio pane.
    if (auto* video = qobject_cast<Video_setup_ViewController*>(column->tab_view->widget(0)))
        video->load_view();
    column->tab_view->setCurrentIndex(tab);
    return column;
}

// A deep output folder in a column narrower than its path.
QWidget* column_with_long_folder()
{
    auto* column = column_on_tab(0);
    column->resize(300, 520);
    column->set_out_path_url(QUrl::fromLocalFile(
        QDir::homePath() + QStringLiteral("/Projects/Spring campaign 2024/Interviews for the new product/Converted")));
    return column;
}

const shots::Registrar video("settings_video", [] { return column_on_tab(0); });
const shots::Registrar long_folder("settings_long_folder", column_with_long_folder);
const shots::Registrar audio("settings_audio", [] { return column_on_tab(1); });
const shots::Registrar only_audio("settings_only_audio", [] { return column_on_tab(2); });
const shots::Registrar general("settings_general", [] { return column_on_tab(3); });

}  // namespace
