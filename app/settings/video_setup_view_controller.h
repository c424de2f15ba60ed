#pragma once

#include <QWidget>

#include "engine/presets.h"

// The video pane: container, codec, bit rate and frame size of video outputs.
class Video_setup_ViewController : public QWidget {
    Q_OBJECT
public:
    explicit Video_setup_ViewController(QWidget* parent = nullptr);

    // A new preset from the controls: file type and video settings, no audio settings.
    My_Prest get_video_prest();
};
