#include "app/settings/video_setup_view_controller.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/settings/audio_setup_view_controller.h"
#include "app/settings/only_audio_setup_view_controller.h"
#include "app/settings/only_floateger_value_formatter.h"
#include "app/settings/only_integer_value_formatter.h"
#include "platform/foundation/files.h"

namespace {

QString one_decimal(float value) { return QString::asprintf("%.1f", double(value)); }

}  // namespace

Video_setup_ViewController::Video_setup_ViewController(QWidget* parent) : PaneViewController(parent)
{
    auto* form = new QFormLayout(this);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);

    video_file_type_popup = new QComboBox(this);
    form->addRow(tr("格式"), video_file_type_popup);
    video_codec_type_popup = new QComboBox(this);
    form->addRow(tr("编码"), video_codec_type_popup);

    auto* bit_rate_row = new QHBoxLayout;
    bit_rate_slider = new QSlider(Qt::Horizontal, this);
    bit_rate_slider->setRange(kBitRateMinimum, kBitRateMaximum);
    bit_rate_slider->setSingleStep(100);
    bit_rate_slider->setPageStep(1000);
    bit_rate_slider->setValue(kBitRateInitial);
    bit_rate_in_textfield = new QLineEdit(this);
    bit_rate_in_textfield->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000.00")) + 12);
    bit_rate_in_textfield->setAlignment(Qt::AlignRight);
    bit_rate_row->addWidget(bit_rate_slider, 1);
    bit_rate_row->addWidget(bit_rate_in_textfield);
    bit_rate_row->addWidget(new QLabel(QStringLiteral("Mbit/s"), this));
    form->addRow(tr("码率"), bit_rate_row);

    auto* size_box = new QVBoxLayout;
    rawsize_radio_button = new QRadioButton(tr("原始尺寸"), this);
    custom_size_radio_button = new QRadioButton(tr("自定义尺寸"), this);
    auto* size_group = new QButtonGroup(this);
    size_group->addButton(rawsize_radio_button);
    size_group->addButton(custom_size_radio_button);
    rawsize_radio_button->setChecked(true);
    auto* size_row = new QHBoxLayout;
    size_w_textfield = new QLineEdit(QStringLiteral("1920"), this);
    size_h_textfield = new QLineEdit(QStringLiteral("1080"), this);
    size_w_textfield->setToolTip(tr("宽（像素）"));
    size_h_textfield->setToolTip(tr("高（像素）"));
    size_row->addWidget(size_w_textfield, 1);
    size_row->addWidget(new QLabel(QStringLiteral("×"), this));
    size_row->addWidget(size_h_textfield, 1);
    size_box->addWidget(rawsize_radio_button);
    size_box->addWidget(custom_size_radio_button);
    size_box->addLayout(size_row);
    form->addRow(tr("尺寸"), size_box);

    connect(video_file_type_popup, &QComboBox::activated, this, &Video_setup_ViewController::video_file_type_action);
    connect(video_codec_type_popup, &QComboBox::activated, this, &Video_setup_ViewController::video_codec_combox_ac);
    connect(bit_rate_slider, &QSlider::valueChanged, this, &Video_setup_ViewController::bit_rate_sliderChanged);
    // Return confirms the typed bit rate, and so does the focus leaving for another control of
    // this window (eventFilter). Not editingFinished: Qt also sends it when another window takes
    // the focus, and an alert popping up would then rewrite a number half typed.
    connect(bit_rate_in_textfield, &QLineEdit::returnPressed, this, &Video_setup_ViewController::bit_rate_in_action);
    bit_rate_in_textfield->installEventFilter(this);
    connect(size_group, &QButtonGroup::buttonToggled, this, &Video_setup_ViewController::size_radioButtonChanged);
}

void Video_setup_ViewController::viewDidLoad()
{
    register_file_type_names();
    register_codec_names();
    register_audio_format_names();

    auto* integers = new OnlyIntegerValueFormatter(this);
    size_w_textfield->setValidator(integers);
    size_h_textfield->setValidator(integers);
    bit_rate_in_textfield->setValidator(new OnlyFloategerValueFormatter(this));

    setup_prest_list.append(Setup_prest(QStringLiteral("名称"), AVFileTypeQuickTimeMovie, QStringLiteral("proRes"),
                                        {AVVideoCodecTypeH264, AVVideoCodecTypeHEVC, AVVideoCodecTypeAppleProRes4444,
                                         AVVideoCodecTypeAppleProRes422, AVVideoCodecTypeAppleProRes422HQ,
                                         AVVideoCodecTypeAppleProRes422LT, AVVideoCodecTypeAppleProRes422Proxy,
                                         AVVideoCodecTypeHEVCWithAlpha}));
    setup_prest_list.append(Setup_prest(QStringLiteral("名称"), AVFileTypeMPEG4, QStringLiteral("MP4"),
                                        {AVVideoCodecTypeH264, AVVideoCodecTypeHEVC}));
    video_file_type_popup->clear();
    for (const Setup_prest& choice : setup_prest_list)
        video_file_type_popup->addItem(fileType_name(choice.fileType));
    selected_setup_prest = setup_prest_list.first();
    video_file_type_popup->setCurrentIndex(0);

    reload_codec_popup();
    bit_rate_in_textfield->setText(one_decimal(bit_rate_value()));
    update_bit_rate_enabled();
    update_size_fields();
    find_audio_panes();
}

void Video_setup_ViewController::find_audio_panes()
{
    for (QWidget* pane : sibling_panes()) {
        if (auto* audio = qobject_cast<Audio_setup_ViewController*>(pane)) {
            audio->load_view();
            audio_setup_vc = audio;
        } else if (auto* only_audio = qobject_cast<Only_Audio_setup_ViewController*>(pane)) {
            only_audio->load_view();
        }
    }
}

void Video_setup_ViewController::video_file_type_action()
{
    const int index = video_file_type_popup->currentIndex();
    if (index < 0 || index >= setup_prest_list.size())
        return;
    selected_setup_prest = setup_prest_list.at(index);
    reload_codec_popup();
}

void Video_setup_ViewController::video_codec_combox_ac()
{
    const int index = video_codec_type_popup->currentIndex();
    if (!selected_setup_prest || index < 0 || index >= selected_setup_prest->AVVideoCodecType_list.size())
        return;
    selected_video_codec = selected_setup_prest->AVVideoCodecType_list.at(index);
    update_bit_rate_enabled();
}

void Video_setup_ViewController::reload_codec_popup()
{
    if (!selected_setup_prest)
        return;
    video_codec_type_popup->clear();
    for (const media::VideoCodecType& codec : selected_setup_prest->AVVideoCodecType_list) {
        video_codec_type_popup->addItem(codec_name(codec));
        if (codec == QLatin1String(AVVideoCodecTypeHEVCWithAlpha))
            video_codec_type_popup->setItemData(video_codec_type_popup->count() - 1,
                                                tr("此平台无法编码带透明通道的 HEVC：转换会失败并说明原因；由 ffmpeg 转换的文件改用容器的默认编码"),
                                                Qt::ToolTipRole);
    }
    video_codec_type_popup->setCurrentIndex(0);
    selected_video_codec = selected_setup_prest->AVVideoCodecType_list.first();
    update_bit_rate_enabled();
}

bool Video_setup_ViewController::bit_rate_applies() const
{
    return selected_video_codec == QLatin1String(AVVideoCodecTypeH264) ||
           selected_video_codec == QLatin1String(AVVideoCodecTypeHEVC) ||
           selected_video_codec == QLatin1String(AVVideoCodecTypeHEVCWithAlpha);
}

void Video_setup_ViewController::update_bit_rate_enabled()
{
    const bool applies = bit_rate_applies();
    bit_rate_slider->setEnabled(applies);
    bit_rate_in_textfield->setEnabled(applies);
    sync_audio_format();
}

void Video_setup_ViewController::sync_audio_format()
{
    find_audio_panes();
    // Asked of the slider itself, not of the column around it, which may be disabled.
    const bool with_bit_rate = bit_rate_slider->isEnabledTo(this);
    if (!audio_setup_vc)
        return;
    audio_setup_vc->audio_CoreAudioType_popup->setCurrentIndex(with_bit_rate ? 1 : 0);
    audio_setup_vc->selected_audio_CoreAudioType =
        audio_setup_vc->audio_CoreAudioType_list.value(audio_setup_vc->audio_CoreAudioType_popup->currentIndex(),
                                                       audio_setup_vc->audio_CoreAudioType_list.first());
}

void Video_setup_ViewController::bit_rate_sliderChanged()
{
    bit_rate_in_textfield->setText(one_decimal(bit_rate_value()));
}

void Video_setup_ViewController::bit_rate_in_action()
{
    const auto typed = foundation::parse_float(bit_rate_in_textfield->text());
    if (!typed)
        return;
    set_bit_rate_value(*typed);
    // Shows the value as the slider now holds it: a typed value outside its range shows the bound.
    bit_rate_in_textfield->setText(one_decimal(bit_rate_value()));
}

bool Video_setup_ViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == bit_rate_in_textfield && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window or a menu over the field: the user comes back to go on typing.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            commit_typed_bit_rate();
    }
    return PaneViewController::eventFilter(watched, event);
}

void Video_setup_ViewController::commit_typed_bit_rate()
{
    // Only text the user changed: confirming the shown "%.1f" again would round the slider.
    if (bit_rate_in_textfield->isModified())
        bit_rate_in_action();
}

void Video_setup_ViewController::size_radioButtonChanged() { update_size_fields(); }

void Video_setup_ViewController::update_size_fields()
{
    const bool custom = !rawsize_radio_button->isChecked();
    size_w_textfield->setEnabled(custom);
    size_h_textfield->setEnabled(custom);
}

float Video_setup_ViewController::bit_rate_value() const { return float(bit_rate_slider->value()) / 1000.0f; }

void Video_setup_ViewController::set_bit_rate_value(float megabits)
{
    // Clamped before converting, so any finite value lands on the slider's range.
    const float bounded = std::clamp(megabits, kBitRateMinimum / 1000.0f, kBitRateMaximum / 1000.0f);
    bit_rate_slider->setValue(int(std::lround(double(bounded) * 1000.0)));
}
