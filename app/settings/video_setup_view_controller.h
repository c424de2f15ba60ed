#pragma once

#include <QList>
#include <QPointer>
#include <optional>

#include "app/settings/pane_view_controller.h"
#include "engine/presets.h"

class QComboBox;
class QLineEdit;
class QRadioButton;
class QSlider;
class Audio_setup_ViewController;

// The video pane: container, codec, bit rate and frame size of video outputs.
class Video_setup_ViewController : public PaneViewController {
    Q_OBJECT
public:
    explicit Video_setup_ViewController(QWidget* parent = nullptr);

    // A new preset from the controls: file type and video settings, no audio settings. A bit
    // rate still being typed counts as confirmed.
    My_Prest get_video_prest();

    // The slider's value in Mbit/s, in single precision as the preset computes with it; the
    // slider itself holds thousandths. Setting clamps to the slider's range.
    float bit_rate_value() const;
    void set_bit_rate_value(float megabits);
    static constexpr int kBitRateMinimum = 500;      // 0.5 Mbit/s
    static constexpr int kBitRateMaximum = 100000;   // 100 Mbit/s
    static constexpr int kBitRateInitial = 6000;     // 6.0 Mbit/s

    QComboBox* video_file_type_popup = nullptr;
    QComboBox* video_codec_type_popup = nullptr;
    QList<Setup_prest> setup_prest_list;
    std::optional<Setup_prest> selected_setup_prest;
    media::VideoCodecType selected_video_codec = AVVideoCodecTypeAppleProRes4444;
    QSlider* bit_rate_slider = nullptr;
    QLineEdit* bit_rate_in_textfield = nullptr;
    QRadioButton* rawsize_radio_button = nullptr;
    QRadioButton* custom_size_radio_button = nullptr;
    QLineEdit* size_w_textfield = nullptr;
    QLineEdit* size_h_textfield = nullptr;
    QPointer<Audio_setup_ViewController> audio_setup_vc;

public slots:
    void video_file_type_action();
    void video_codec_combox_ac();
    void bit_rate_sliderChanged();
    void bit_rate_in_action();
    void size_radioButtonChanged();

protected:
    void viewDidLoad() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Confirms the bit-rate text when the user has changed it since it was last set.
    void commit_typed_bit_rate();
    void reload_codec_popup();
    void update_bit_rate_enabled();
    void update_size_fields();
    void sync_audio_format();
    // Loads the sibling audio and audio-only panes and keeps the audio pane.
    void find_audio_panes();
    bool bit_rate_applies() const;
};
