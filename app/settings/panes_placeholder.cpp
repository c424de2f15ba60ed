// Temporary bodies of the panes until their controls are built.
#include <QCheckBox>
#include <QVBoxLayout>

#include "app/settings/audio_setup_view_controller.h"
#include "app/settings/only_audio_setup_view_controller.h"
#include "app/settings/setup_setup_view_controller.h"
#include "app/settings/video_setup_view_controller.h"

Video_setup_ViewController::Video_setup_ViewController(QWidget* parent) : QWidget(parent) {}
My_Prest Video_setup_ViewController::get_video_prest() { return My_Prest(); }

Audio_setup_ViewController::Audio_setup_ViewController(QWidget* parent) : QWidget(parent) {}
std::map<QString, std::optional<QVariant>> Audio_setup_ViewController::get_audio_settings() { return {}; }

Only_Audio_setup_ViewController::Only_Audio_setup_ViewController(QWidget* parent) : QWidget(parent) {}
std::optional<My_Prest> Only_Audio_setup_ViewController::get_only_audio_prest() { return std::nullopt; }

Setup_setup_ViewController::Setup_setup_ViewController(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    is_add_rawpath_button = new QCheckBox(this);
    layout->addWidget(is_add_rawpath_button);
    layout->addStretch();
}
