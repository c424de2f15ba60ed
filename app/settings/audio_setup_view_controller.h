#pragma once

#include <QList>
#include <QVariant>
#include <map>
#include <optional>

#include "app/settings/pane_view_controller.h"
#include "platform/media/identifiers.h"

class QComboBox;

// The audio pane: the audio format of video outputs (linear PCM or AAC).
class Audio_setup_ViewController : public PaneViewController {
    Q_OBJECT
public:
    explicit Audio_setup_ViewController(QWidget* parent = nullptr);

    // The audio writer settings of the chosen format; a new dictionary at every call.
    std::map<QString, std::optional<QVariant>> get_audio_settings();

    QComboBox* audio_CoreAudioType_popup = nullptr;
    media::FourCC selected_audio_CoreAudioType = kAudioFormatLinearPCM;
    // The formats offered, in pop-up order; the video pane selects by these indices.
    const QList<media::FourCC> audio_CoreAudioType_list{kAudioFormatLinearPCM, kAudioFormatMPEG4AAC};

public slots:
    void selected_ac();

protected:
    void viewDidLoad() override;
};
