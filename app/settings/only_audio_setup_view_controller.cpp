#include "app/settings/only_audio_setup_view_controller.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>

Only_Audio_setup_ViewController::Only_Audio_setup_ViewController(QWidget* parent) : PaneViewController(parent)
{
    auto* form = new QFormLayout(this);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    only_out_audio_button = new QCheckBox(tr("只输出音频"), this);
    only_out_audio_button->setToolTip(tr("开启后只输出音频，视频和音频设置不再使用"));
    form->addRow(only_out_audio_button);
    audio_file_type_PopUpButton = new QComboBox(this);
    form->addRow(tr("格式"), audio_file_type_PopUpButton);
}

void Only_Audio_setup_ViewController::viewDidLoad()
{
    setup_prest_list.append(Setup_prest(QStringLiteral("名称"), AVFileTypeWAVE, QStringLiteral("WAV"), {}));
    setup_prest_list.append(Setup_prest(QStringLiteral("名称"), AVFileTypeMPEGLayer3, QStringLiteral("MP3"), {}));
    audio_file_type_PopUpButton->clear();
    for (const Setup_prest& choice : setup_prest_list)
        audio_file_type_PopUpButton->addItem(choice.AVVideoCodec_name);
}

std::optional<My_Prest> Only_Audio_setup_ViewController::get_only_audio_prest()
{
    load_view();
    // A mixed state counts as off.
    if (only_out_audio_button->checkState() != Qt::Checked)
        return std::nullopt;
    const int index = audio_file_type_PopUpButton->currentIndex();
    if (index < 0 || index >= setup_prest_list.size())
        return std::nullopt;
    My_Prest p;
    p.fileType = setup_prest_list.at(index).fileType;
    return p;
}
