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

class Panes : public ::testing::Test {
protected:
    apptest::AppEnv env;
    Column c;
};

}  // namespace

TEST_F(Panes, TheAudioPaneGivesTheDictionaryOfTheChosenFormat)
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

TEST_F(Panes, OnlyAFullyCheckedAudioOnlyBoxGivesAPreset)
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

TEST_F(Panes, TheKeepSourceFoldersBoxIsOnOnlyWhenChecked)
{
    QCheckBox* box = c.general->is_add_rawpath_button;
    EXPECT_EQ(box->checkState(), Qt::Unchecked);
    click(box);
    EXPECT_EQ(box->checkState(), Qt::Checked);
    click(box);
    EXPECT_EQ(box->checkState(), Qt::Unchecked);
}

// The list pane finds the panes in the window and reads them in the order a Start does:
// the audio-only pane first, else the video pane with the audio pane's dictionary.
TEST(SettingsPull, TheListPaneReadsTheWindowsPanes)
{
    apptest::AppEnv env;
    MainWindow window;
    window.show();
    ViewController* list = window.split()->list_pane();
    ASSERT_TRUE(list->video_setup_vc && list->audio_setup_vc && list->only_audio_setup_vc && list->setup_setup_vc);

    const auto pull = [&] {
        if (auto audio_only = list->only_audio_setup_vc->get_only_audio_prest())
            return *audio_only;
        My_Prest p = list->video_setup_vc->get_video_prest();
        p.merge_audio_settings(list->audio_setup_vc->get_audio_settings());
        return p;
    };
    My_Prest p = pull();
    EXPECT_EQ(p.fileType, AVFileTypeQuickTimeMovie);
    EXPECT_EQ(p.video_outputSettings.value(AVVideoCodecKey), QVariant(QString(AVVideoCodecTypeH264)));
    EXPECT_EQ(p.audio_outputSettings, kAac);

    choose(list->video_setup_vc->video_codec_type_popup, "proRes422");
    p = pull();
    EXPECT_EQ(p.audio_outputSettings, kLinearPcm);
    EXPECT_FALSE(p.video_outputSettings.contains(AVVideoCompressionPropertiesKey));

    click(list->only_audio_setup_vc->only_out_audio_button);
    p = pull();
    EXPECT_EQ(p.fileType, AVFileTypeWAVE);
    EXPECT_TRUE(p.audio_outputSettings.isEmpty());
}
