// The video pane's settings turned into a preset.
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

#include "app/settings/video_setup_view_controller.h"
#include "platform/foundation/files.h"

My_Prest Video_setup_ViewController::get_video_prest()
{
    load_view();
    // Start, a preview or an estimate may come while the field still has the focus.
    commit_typed_bit_rate();
    My_Prest p;
    selected_setup_prest = setup_prest_list.at(video_file_type_popup->currentIndex());
    // The pop-up decides, not selected_video_codec.
    const media::VideoCodecType codec =
        selected_setup_prest->AVVideoCodecType_list.at(video_codec_type_popup->currentIndex());
    p.fileType = selected_setup_prest->fileType;
    p.merge_video_settings({{AVVideoCodecKey, QVariant(codec)}});

    if (rawsize_radio_button->isChecked()) {
        p.set_size(-100, -100);  // the source's own size, resolved per row
    } else {
        // Not range-checked: the engine fails a row with an unusable size and says why.
        const long long width = foundation::parse_integer(size_w_textfield->text()).value_or(0);
        const long long height = foundation::parse_integer(size_h_textfield->text()).value_or(0);
        p.set_size(double(width), double(height));
    }

    if (bit_rate_slider->isEnabledTo(this)) {
        // Single precision throughout: 6.37 Mbit/s gives exactly 6370000 bit/s.
        const float megabits = bit_rate_value();
        const float bits = megabits * 1000000.0f;
        p.merge_video_settings(
            {{AVVideoCompressionPropertiesKey, QVariantMap{{AVVideoAverageBitRateKey, QVariant(qint64(bits))}}}});
    }
    return p;
}
