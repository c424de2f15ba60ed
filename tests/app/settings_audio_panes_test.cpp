// The audio, audio-only and general panes, and the panes read in the order a Start reads them.
#include <QCheckBox>
#include <QComboBox>
#include <gtest/gtest.h>

#include "support/qt_print.h"

#include "app/shell/main_window.h"
#include "app/table/view_controller.h"
#include "app_env.h"
#include "settings_panes.h"

using namespace settingstest;

namespace {

using Settings = std::map<QString, std::optional<QVariant>>;

// Key, value and type of each entry.
void expect_settings(const Settings& actual, const QVariantMap& expected)
{
    ASSERT_EQ(actual.size(), size_t(expected.size()));
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        const auto found = actual.find(it.key());
        ASSERT_NE(found, actual.end()) << it.key().toStdString();
        ASSERT_TRUE(found->second.has_value()) << it.key().toStdString();
        EXPECT_EQ(found->second->typeId(), it.value().typeId()) << it.key().toStdString();
        EXPECT_EQ(*found->second, it.value()) << it.key().toStdString();
    }
}

const QVariantMap kAac{
    {AVFormatIDKey, uint(kAudioFormatMPEG4AAC)},
    {AVEncoderBitRateKey, 129000},
    {AVNumberOfChannelsKey, 2},
    {AVSampleRateKey, 48000.0f},
};
const QVariantMap kLinearPcm{
    {AVFormatIDKey, uint(kAudioFormatLinearPCM)},
    {AVLinearPCMIsBigEndianKey, QStringLiteral("false")},
    {AVLinearPCMIsFloatKey, QStringLiteral("false")},
    {AVLinearPCMBitDepthKey, 24},
    {AVLinearPCMIsNonInterleaved, QStringLiteral("false")},
    {AVNumberOfChannelsKey, 2},
    {AVSampleRateKey, 48000.0f},
};

class AudioPanes : public ::testing::Test {
protected:
    apptest::AppEnv env;
    Column c;
};

}  // namespace

TEST_F(AudioPanes, TheAudioPaneGivesTheDictionaryOfTheChosenFormat)
{
    EXPECT_EQ(c.audio->audio_CoreAudioType_popup->itemText(0), "LinearPCM");
    EXPECT_EQ(c.audio->audio_CoreAudioType_popup->itemText(1), "AAC");
    expect_settings(c.audio->get_audio_settings(), kAac);
    choose(c.audio->audio_CoreAudioType_popup, "LinearPCM");
    EXPECT_EQ(c.audio->selected_audio_CoreAudioType, kAudioFormatLinearPCM);
    expect_settings(c.audio->get_audio_settings(), kLinearPcm);
    choose(c.audio->audio_CoreAudioType_popup, "AAC");
    expect_settings(c.audio->get_audio_settings(), kAac);
    // Any other format reads as linear PCM.
    c.audio->selected_audio_CoreAudioType = kAudioFormatAC3;
    expect_settings(c.audio->get_audio_settings(), kLinearPcm);
}

TEST_F(AudioPanes, OnlyAFullyCheckedAudioOnlyBoxGivesAPreset)
{
    QComboBox* popup = c.only_audio->audio_file_type_PopUpButton;
    EXPECT_EQ(popup->count(), 2);
    EXPECT_EQ(popup->itemText(0), "WAV");
    EXPECT_EQ(popup->itemText(1), "MP3");
    EXPECT_EQ(popup->currentIndex(), 0);
    EXPECT_FALSE(c.only_audio->get_only_audio_prest().has_value());  // off

    c.only_audio->only_out_audio_button->setCheckState(Qt::PartiallyChecked);
    EXPECT_FALSE(c.only_audio->get_only_audio_prest().has_value());

    c.only_audio->only_out_audio_button->setTristate(false);
    c.only_audio->only_out_audio_button->setCheckState(Qt::Unchecked);
    click(c.only_audio->only_out_audio_button);
    auto p = c.only_audio->get_only_audio_prest();
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->fileType, AVFileTypeWAVE);

    choose(popup, "MP3");
    p = c.only_audio->get_only_audio_prest();
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->fileType, AVFileTypeMPEGLayer3);
    EXPECT_EQ(p->name, "默认预设名称");
    EXPECT_TRUE(p->video_outputSettings.isEmpty());
    EXPECT_TRUE(p->audio_outputSettings.isEmpty());
    EXPECT_FALSE(p->is_run_ffmpeg);

    click(c.only_audio->only_out_audio_button);
    EXPECT_FALSE(c.only_audio->get_only_audio_prest().has_value());
}

// The list pane finds the panes in the window and reads them in the order a Start does:
// the audio-only pane first, else the video pane with the audio pane's dictionary.
TEST(SettingsPull, TheListPaneReadsTheWindowsPanes)
{
    apptest::AppEnv env;
    MainWindow window;
    show_active(&window);
    ViewController* list = window.split()->list_pane();
    const Panes panes = panes_of(window.split()->settings_column());
    const auto pull = [&] {
        list->refresh_setup();
        return list->my_Prest;
    };
    My_Prest p = pull();
    EXPECT_EQ(list->video_setup_vc, panes.video);
    EXPECT_EQ(list->audio_setup_vc, panes.audio);
    EXPECT_EQ(p.fileType, AVFileTypeQuickTimeMovie);
    EXPECT_EQ(p.video_outputSettings.value(AVVideoCodecKey), QVariant(QString(AVVideoCodecTypeH264)));
    EXPECT_EQ(p.video_outputSettings.value(AVVideoCompressionPropertiesKey).toMap().value(AVVideoAverageBitRateKey),
              QVariant(qint64(6000000)));
    EXPECT_EQ(p.audio_outputSettings, kAac);
    EXPECT_FALSE(p.is_run_ffmpeg);
    EXPECT_FALSE(list->is_add_rawpath);

    choose(panes.video->video_codec_type_popup, "proRes422");
    p = pull();
    EXPECT_EQ(p.audio_outputSettings, kLinearPcm);
    EXPECT_FALSE(p.video_outputSettings.contains(AVVideoCompressionPropertiesKey));

    click(panes.general->is_add_rawpath_button);
    click(panes.only_audio->only_out_audio_button);
    choose(panes.only_audio->audio_file_type_PopUpButton, "MP3");
    p = pull();
    EXPECT_EQ(p.fileType, AVFileTypeMPEGLayer3);
    EXPECT_TRUE(p.video_outputSettings.isEmpty());
    EXPECT_TRUE(p.audio_outputSettings.isEmpty());
    EXPECT_TRUE(p.is_run_ffmpeg);
    EXPECT_TRUE(list->is_add_rawpath);
}
