#pragma once

#include <QString>
#include <memory>

#include "app/settings/audio_setup_view_controller.h"
#include "app/settings/only_audio_setup_view_controller.h"
#include "app/settings/setup_ns_view_controller.h"
#include "app/settings/setup_setup_view_controller.h"
#include "app/settings/video_setup_view_controller.h"

class QAbstractButton;
class QComboBox;
class QLineEdit;

namespace settingstest {

// The four panes as the settings column's tab view holds them.
struct Panes {
    Video_setup_ViewController* video = nullptr;
    Audio_setup_ViewController* audio = nullptr;
    Only_Audio_setup_ViewController* only_audio = nullptr;
    Setup_setup_ViewController* general = nullptr;
};
Panes panes_of(Setup_NSViewController* column);

// Shows the window and waits until it is active, so that pop-ups open and focus moves.
void show_active(QWidget* window);

// A settings column of its own, shown.
struct Column : Panes {
    Column();
    ~Column();
    std::unique_ptr<Setup_NSViewController> column;
};

// What a user does: picks an item of a pop-up by its title (through the open pop-up, so
// picking the current item again counts too), clears a field and types into it, clicks.
void choose(QComboBox* popup, const QString& title);
void type_into(QLineEdit* field, const QString& text);
void paste_into(QLineEdit* field, const QString& text);  // replaces the whole text through the clipboard
void confirm(QLineEdit* field);  // Return
void click(QAbstractButton* button);

}  // namespace settingstest
