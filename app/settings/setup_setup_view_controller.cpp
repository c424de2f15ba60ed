#include "app/settings/setup_setup_view_controller.h"

#include <QCheckBox>
#include <QVBoxLayout>

Setup_setup_ViewController::Setup_setup_ViewController(QWidget* parent) : PaneViewController(parent)
{
    auto* layout = new QVBoxLayout(this);
    is_add_rawpath_button = new QCheckBox(tr("保留源文件夹结构"), this);
    is_add_rawpath_button->setToolTip(tr("在输出文件夹下重建源文件所在的文件夹路径"));
    layout->addWidget(is_add_rawpath_button);
    layout->addStretch();
}
