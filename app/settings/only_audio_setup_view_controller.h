#pragma once

#include <QWidget>
#include <optional>

#include "engine/presets.h"

// The audio-only pane: when on, the whole preset is an audio-only one (WAV or MP3).
class Only_Audio_setup_ViewController : public QWidget {
    Q_OBJECT
public:
    explicit Only_Audio_setup_ViewController(QWidget* parent = nullptr);

    std::optional<My_Prest> get_only_audio_prest();
};
