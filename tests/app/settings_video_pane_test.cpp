// The video pane driven as a user would, and the preset it gives.
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include "support/qt_print.h"

#include "app_env.h"
#include "settings_panes.h"

using namespace settingstest;

namespace {

QStringList titles(const QComboBox* popup)
{
    QStringList out;
    for (int i = 0; i < popup->count(); ++i)
        out << popup->itemText(i);
    return out;
}

const QStringList kMovieCodecs{"h264", "hevc", "proRes4444", "proRes422", "proRes422HQ", "proRes422LT",
                               "proRes422Proxy", "hevcWithAlpha"};

class VideoPane : public ::testing::Test {
protected:
    apptest::AppEnv env;
    Column c;
    Video_setup_ViewController* pane() const { return c.video; }
    QVariant bit_rate(const My_Prest& p) const
    {
        return p.video_outputSettings.value(AVVideoCompressionPropertiesKey).toMap().value(AVVideoAverageBitRateKey);
    }
};

}  // namespace

TEST_F(VideoPane, AFreshPaneOffersTheMovieCodecsAndGivesH264AtTheSourceSize)
{
    EXPECT_EQ(titles(pane()->video_file_type_popup), QStringList({"QuickTime(.mov)", "MPEG-4(.mp4)"}));
    EXPECT_EQ(titles(pane()->video_codec_type_popup), kMovieCodecs);
    EXPECT_EQ(pane()->video_file_type_popup->currentIndex(), 0);
    EXPECT_EQ(pane()->video_codec_type_popup->currentIndex(), 0);
    EXPECT_EQ(pane()->selected_video_codec, AVVideoCodecTypeH264);
    EXPECT_TRUE(pane()->bit_rate_slider->isEnabled());
    EXPECT_TRUE(pane()->bit_rate_in_textfield->isEnabled());
    EXPECT_EQ(pane()->bit_rate_in_textfield->text(), "6.0");
    EXPECT_TRUE(pane()->rawsize_radio_button->isChecked());
    EXPECT_FALSE(pane()->size_w_textfield->isEnabled());
    EXPECT_FALSE(pane()->size_h_textfield->isEnabled());
    // The video pane switched the audio pane to AAC when it loaded.
    EXPECT_EQ(c.audio->audio_CoreAudioType_popup->currentText(), "AAC");
    EXPECT_EQ(c.audio->selected_audio_CoreAudioType, kAudioFormatMPEG4AAC);

    const My_Prest p = pane()->get_video_prest();
    EXPECT_EQ(p.fileType, AVFileTypeQuickTimeMovie);
    EXPECT_EQ(p.name, "默认预设名称");
    EXPECT_FALSE(p.is_run_ffmpeg);
    EXPECT_TRUE(p.audio_outputSettings.isEmpty());
    EXPECT_EQ(p.video_outputSettings.keys(),
              QStringList({AVVideoCodecKey, AVVideoCompressionPropertiesKey, AVVideoHeightKey, AVVideoWidthKey}));
    EXPECT_EQ(p.video_outputSettings.value(AVVideoCodecKey), QVariant(QString(AVVideoCodecTypeH264)));
    EXPECT_EQ(p.video_outputSettings.value(AVVideoWidthKey), QVariant(-100.0));
    EXPECT_EQ(p.video_outputSettings.value(AVVideoHeightKey), QVariant(-100.0));
    EXPECT_EQ(bit_rate(p).typeId(), QMetaType::LongLong);
    EXPECT_EQ(bit_rate(p).toLongLong(), 6000000);
}

TEST_F(VideoPane, TheBitRateTextAndSliderKeepInStep)
{
    struct Case {
        const char* typed;
        int slider;  // thousandths of a Mbit/s
        const char* shown;
        qint64 bits;
    };
    const Case cases[] = {
        {"6.37", 6370, "6.4", 6370000},   // the single-precision product rounds to the whole number
        {"12.34", 12340, "12.3", 12340000},
        {"150", 100000, "100.0", 100000000},  // above the maximum: the maximum
        {"0.1", 500, "0.5", 500000},          // below the minimum: the minimum
        {"1e5", 100000, "100.0", 100000000},
        {"3.4e38", 100000, "100.0", 100000000},  // the largest floats are clamped, not overflowed
        {"-7", 500, "0.5", 500000},
    };
    for (const Case& k : cases) {
        type_into(pane()->bit_rate_in_textfield, "2");
        confirm(pane()->bit_rate_in_textfield);
        paste_into(pane()->bit_rate_in_textfield, k.typed);  // whole, as "1e5" must come
        ASSERT_EQ(pane()->bit_rate_in_textfield->text(), k.typed);
        confirm(pane()->bit_rate_in_textfield);
        EXPECT_EQ(pane()->bit_rate_slider->value(), k.slider) << k.typed;
        EXPECT_EQ(pane()->bit_rate_in_textfield->text(), k.shown) << k.typed;
        EXPECT_EQ(bit_rate(pane()->get_video_prest()).toLongLong(), k.bits) << k.typed;
    }

    // Typed key by key, then the end of editing (focus leaves) confirms as Return does.
    type_into(pane()->bit_rate_in_textfield, "12.34");
    EXPECT_EQ(pane()->bit_rate_in_textfield->text(), "12.34");
    pane()->video_codec_type_popup->setFocus();
    EXPECT_EQ(pane()->bit_rate_slider->value(), 12340);
    EXPECT_EQ(pane()->bit_rate_in_textfield->text(), "12.3");

    // An emptied field changes nothing.
    type_into(pane()->bit_rate_in_textfield, "");
    confirm(pane()->bit_rate_in_textfield);
    EXPECT_EQ(pane()->bit_rate_slider->value(), 12340);

    // The slider moved by the keyboard writes the text.
    pane()->bit_rate_slider->setFocus();
    pane()->set_bit_rate_value(6.37f);
    EXPECT_EQ(pane()->bit_rate_in_textfield->text(), "6.4");
    EXPECT_FLOAT_EQ(pane()->bit_rate_value(), 6.37f);
    EXPECT_EQ(bit_rate(pane()->get_video_prest()).toLongLong(), 6370000);
}

// Another window taking the focus (an alert) does not confirm a bit rate half typed: the user
// comes back and goes on typing. Focus moving within the window confirms it, and a settings
// read takes the typed text even while the field still has the focus.
TEST_F(VideoPane, AnotherWindowDoesNotConfirmTheTypedBitRate)
{
    QLineEdit* field = pane()->bit_rate_in_textfield;
    type_into(field, "1");
    {
        QWidget other;
        show_active(&other);
        EXPECT_EQ(field->text(), "1");
        EXPECT_EQ(pane()->bit_rate_slider->value(), Video_setup_ViewController::kBitRateInitial);
    }
    show_active(c.column.get());
    ASSERT_TRUE(field->hasFocus());
    QTest::keyClicks(field, "2");
    EXPECT_EQ(field->text(), "12");
    EXPECT_EQ(pane()->bit_rate_slider->value(), Video_setup_ViewController::kBitRateInitial);
    pane()->video_codec_type_popup->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(pane()->bit_rate_slider->value(), 12000);
    EXPECT_EQ(field->text(), "12.0");

    type_into(field, "8.25");
    EXPECT_EQ(bit_rate(pane()->get_video_prest()).toLongLong(), 8250000);
    EXPECT_EQ(field->text(), "8.3");
    // Confirmed already: leaving the field does not round the slider to the text shown.
    pane()->video_codec_type_popup->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(pane()->bit_rate_slider->value(), 8250);
}

TEST_F(VideoPane, EachCodecSetsTheBitRateAndTheAudioFormat)
{
    for (const QString& codec : kMovieCodecs) {
        choose(pane()->video_codec_type_popup, codec);
        const bool with_bit_rate = codec == "h264" || codec == "hevc" || codec == "hevcWithAlpha";
        EXPECT_EQ(pane()->bit_rate_slider->isEnabled(), with_bit_rate) << codec.toStdString();
        EXPECT_EQ(pane()->bit_rate_in_textfield->isEnabled(), with_bit_rate) << codec.toStdString();
        EXPECT_EQ(c.audio->audio_CoreAudioType_popup->currentText(), with_bit_rate ? "AAC" : "LinearPCM")
            << codec.toStdString();
        EXPECT_EQ(c.audio->get_audio_settings().at(AVFormatIDKey),
                  QVariant(uint(with_bit_rate ? kAudioFormatMPEG4AAC : kAudioFormatLinearPCM)));
        const My_Prest p = pane()->get_video_prest();
        EXPECT_EQ(p.video_outputSettings.contains(AVVideoCompressionPropertiesKey), with_bit_rate)
            << codec.toStdString();
        EXPECT_EQ(codec_name(p.video_outputSettings.value(AVVideoCodecKey).toString()), codec);
        EXPECT_EQ(p.fileType, AVFileTypeQuickTimeMovie);
    }
    // A disabled slider keeps its value for the next codec with a bit rate.
    EXPECT_EQ(pane()->bit_rate_in_textfield->text(), "6.0");
    const int alpha = pane()->video_codec_type_popup->findText("hevcWithAlpha");
    EXPECT_FALSE(pane()->video_codec_type_popup->itemData(alpha, Qt::ToolTipRole).toString().isEmpty());
}

TEST_F(VideoPane, AContainerChangeRefillsTheCodecsAndStartsAgainAtH264)
{
    choose(pane()->video_codec_type_popup, "proRes422HQ");
    choose(pane()->video_file_type_popup, "MPEG-4(.mp4)");
    EXPECT_EQ(titles(pane()->video_codec_type_popup), QStringList({"h264", "hevc"}));
    EXPECT_EQ(pane()->video_codec_type_popup->currentText(), "h264");
    EXPECT_TRUE(pane()->bit_rate_slider->isEnabled());
    EXPECT_EQ(c.audio->audio_CoreAudioType_popup->currentText(), "AAC");
    choose(pane()->video_codec_type_popup, "hevc");
    My_Prest p = pane()->get_video_prest();
    EXPECT_EQ(p.fileType, AVFileTypeMPEG4);
    EXPECT_EQ(p.video_outputSettings.value(AVVideoCodecKey), QVariant(QString(AVVideoCodecTypeHEVC)));

    choose(pane()->video_file_type_popup, "QuickTime(.mov)");
    EXPECT_EQ(titles(pane()->video_codec_type_popup), kMovieCodecs);
    p = pane()->get_video_prest();
    EXPECT_EQ(p.fileType, AVFileTypeQuickTimeMovie);
    EXPECT_EQ(p.video_outputSettings.value(AVVideoCodecKey), QVariant(QString(AVVideoCodecTypeH264)));
}

TEST_F(VideoPane, TheUsersAudioChoiceLastsUntilTheNextCodecOrContainerChange)
{
    choose(c.audio->audio_CoreAudioType_popup, "LinearPCM");
    EXPECT_EQ(c.audio->get_audio_settings().size(), 7u);
    EXPECT_EQ(pane()->get_video_prest().video_outputSettings.value(AVVideoCodecKey),
              QVariant(QString(AVVideoCodecTypeH264)));
    EXPECT_EQ(c.audio->get_audio_settings().size(), 7u);
    choose(pane()->video_codec_type_popup, "h264");  // the same codec again
    EXPECT_EQ(c.audio->get_audio_settings().size(), 4u);

    choose(c.audio->audio_CoreAudioType_popup, "LinearPCM");
    choose(pane()->video_file_type_popup, "QuickTime(.mov)");  // the same container again
    EXPECT_EQ(c.audio->audio_CoreAudioType_popup->currentText(), "AAC");
}

TEST_F(VideoPane, CustomSizesAreReadAsTyped)
{
    click(pane()->custom_size_radio_button);
    EXPECT_TRUE(pane()->size_w_textfield->isEnabled());
    EXPECT_TRUE(pane()->size_h_textfield->isEnabled());
    struct Case {
        const char* width;
        const char* height;
        double w, h;
    };
    // Not range-checked here: an unusable size fails its row in the engine with a clear text.
    const Case cases[] = {{"", "", 0, 0}, {"+1920", "1080", 1920, 1080}, {"640", "360", 640, 360},
                          {"-5", "0", -5, 0}, {"99999", "7", 99999, 7}};
    for (const Case& k : cases) {
        paste_into(pane()->size_w_textfield, k.width);
        paste_into(pane()->size_h_textfield, k.height);
        ASSERT_EQ(pane()->size_w_textfield->text(), k.width);
        const My_Prest p = pane()->get_video_prest();
        EXPECT_EQ(p.video_outputSettings.value(AVVideoWidthKey), QVariant(k.w)) << k.width;
        EXPECT_EQ(p.video_outputSettings.value(AVVideoHeightKey), QVariant(k.h)) << k.height;
    }
    // Letters and points never get into a size field, typed or pasted.
    type_into(pane()->size_w_textfield, "12a.5");
    EXPECT_EQ(pane()->size_w_textfield->text(), "125");
    paste_into(pane()->size_w_textfield, "1 920");
    EXPECT_EQ(pane()->size_w_textfield->text(), "125");

    click(pane()->rawsize_radio_button);
    EXPECT_FALSE(pane()->size_w_textfield->isEnabled());
    EXPECT_EQ(pane()->size_w_textfield->text(), "125");  // the text stays
    const My_Prest p = pane()->get_video_prest();
    EXPECT_EQ(p.video_outputSettings.value(AVVideoWidthKey), QVariant(-100.0));
    EXPECT_EQ(p.video_outputSettings.value(AVVideoHeightKey), QVariant(-100.0));
}

// Disabling the whole column (as while a batch runs) is not a codec without a bit rate.
TEST_F(VideoPane, ADisabledColumnStillGivesTheBitRate)
{
    c.column->setEnabled(false);
    EXPECT_TRUE(pane()->get_video_prest().video_outputSettings.contains(AVVideoCompressionPropertiesKey));
}
