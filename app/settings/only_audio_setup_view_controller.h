#pragma once

#include <QList>
#include <optional>

#include "app/settings/pane_view_controller.h"
#include "engine/presets.h"

class QCheckBox;
class QComboBox;

// The audio-only pane: when on, the whole preset is an audio-only one (WAV or MP3).
class Only_Audio_setup_ViewController : public PaneViewController {
    Q_OBJECT
public:
    explicit Only_Audio_setup_ViewController(QWidget* parent = nullptr);

    // A new preset with the chosen container when the box is fully on; nothing otherwise.
    std::optional<My_Prest> get_only_audio_prest();

    QCheckBox* only_out_audio_button = nullptr;
    QComboBox* audio_file_type_PopUpButton = nullptr;
    QList<Setup_prest> setup_prest_list;

protected:
    void viewDidLoad() override;
};
