#include "app/update/update_alert.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>

#include "app/shell/localized.h"
#include "app/update/version_number.h"

namespace update {

QWidget* first_window()
{
    QWidget* other = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = widget->windowType();
        if (!widget->isVisible() || widget->parentWidget() || (type != Qt::Window && type != Qt::Dialog))
            continue;
        if (qobject_cast<QMainWindow*>(widget))
            return widget;
        if (!other)
            other = widget;
    }
    return other;
}

QMessageBox* show_alert(QWidget* window, float own_version, float store_version, std::function<void(int)> answered)
{
    auto* box = new QMessageBox(window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Information);
    box->setText(L_update("检测到新版本"));
    box->setInformativeText(L_update("本地版本") + QStringLiteral(": ") + version_text(own_version) + QLatin1Char('\n')
                            + L_update("最新版本") + QStringLiteral(": ") + version_text(store_version));
    // One role for all three keeps them in this order under every desktop's button layout.
    const char* const titles[] = {"去更新", "跳过本版本更新", "下次再说"};
    QPushButton* first = nullptr;
    for (int i = 0; i < 3; ++i) {
        QPushButton* button = box->addButton(L_update(titles[i]), QMessageBox::ActionRole);
        QObject::connect(button, &QPushButton::clicked, box, [answered, code = kGoToUpdateAnswer + i] { answered(code); });
        if (!first)
            first = button;
    }
    box->setDefaultButton(first);
    box->open();
    return box;
}

}  // namespace update
