#include "app/shell/help_view_controller.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/shell/localized.h"

Help_ViewController::Help_ViewController(QWidget* parent) : QWidget(parent, Qt::Window)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(14);
    text01 = new QLabel(this);
    QFont heading = text01->font();
    heading.setBold(true);
    text01->setFont(heading);
    test02 = new QLabel(this);
    for (QLabel* label : {text01, test02}) {
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(label);
    }
    layout->addStretch();
    setMinimumWidth(580);
    viewDidLoad();
}

void Help_ViewController::viewDidLoad()
{
    setWindowTitle(QString());
    text01->setText(L("Help_ViewController.js"));
    test02->setText(L("Help_ViewController.syjs"));
}
