#include "app/settings/audio_setup_view_controller.h"

#include <QComboBox>
#include <QFormLayout>

#include "engine/presets.h"

Audio_setup_ViewController::Audio_setup_ViewController(QWidget* parent) : PaneViewController(parent)
{
    auto* form = new QFormLayout(this);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    audio_CoreAudioType_popup = new QComboBox(this);
    form->addRow(tr("音频格式"), audio_CoreAudioType_popup);
    connect(audio_CoreAudioType_popup, &QComboBox::activated, this, &Audio_setup_ViewController::selected_ac);
}

void Audio_setup_ViewController::viewDidLoad()
{
    audio_CoreAudioType_popup->clear();
    for (const media::FourCC format : audio_CoreAudioType_list)
        audio_CoreAudioType_popup->addItem(audio_format_name(format));
    selected_audio_CoreAudioType = audio_CoreAudioType_list.first();
    audio_CoreAudioType_popup->setCurrentIndex(0);
}

void Audio_setup_ViewController::selected_ac()
{
    selected_audio_CoreAudioType = audio_CoreAudioType_list.value(audio_CoreAudioType_popup->currentIndex(),
                                                                  audio_CoreAudioType_list.first());
}

std::map<QString, std::optional<QVariant>> Audio_setup_ViewController::get_audio_settings()
{
    load_view();
    if (selected_audio_CoreAudioType == kAudioFormatMPEG4AAC)
        return {
            {AVFormatIDKey, QVariant(uint(kAudioFormatMPEG4AAC))},
            {AVEncoderBitRateKey, QVariant(129000)},
            {AVNumberOfChannelsKey, QVariant(2)},
            {AVSampleRateKey, QVariant(48000.0f)},
        };
    return settings_entries(linear_pcm_audio_settings());
}
