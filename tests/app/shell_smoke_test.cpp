#include <QSplitter>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "app/settings/setup_ns_view_controller.h"
#include "app/settings/audio_setup_view_controller.h"
#include "app/settings/only_audio_setup_view_controller.h"
#include "app/settings/setup_setup_view_controller.h"
#include "app/settings/video_setup_view_controller.h"
#include "app/shell/main_window.h"
#include "app/table/view_controller.h"
#include "app_env.h"

// The window holds the list pane and the settings column, and the list pane found the column
// and its four panes and became the column's delegate.
TEST(Shell, ListPaneFindsTheColumnAndItsPanes)
{
    apptest::AppEnv env;
    MainWindow window;
    ViewController* list = window.split()->list_pane();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->setup_vc, window.split()->settings_column());
    EXPECT_NE(list->video_setup_vc, nullptr);
    EXPECT_NE(list->audio_setup_vc, nullptr);
    EXPECT_NE(list->only_audio_setup_vc, nullptr);
    EXPECT_NE(list->setup_setup_vc, nullptr);
    EXPECT_EQ(window.split()->settings_column()->list_ViewController_Delegate, list);
    EXPECT_EQ(window.split()->settings_column()->tab_view->count(), 4);
}
