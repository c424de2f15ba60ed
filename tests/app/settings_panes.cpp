#include "settings_panes.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "support/support.h"

namespace settingstest {

Column::Column() : column(std::make_unique<Setup_NSViewController>())
{
    column->resize(340, 560);
    column->show();
    column->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(column.get()));
    QTabWidget* tabs = column->tab_view;
    for (int i = 0; i < tabs->count(); ++i) {
        QWidget* pane = tabs->widget(i);
        if (auto* p = qobject_cast<Video_setup_ViewController*>(pane))
            video = p;
        else if (auto* p = qobject_cast<Audio_setup_ViewController*>(pane))
            audio = p;
        else if (auto* p = qobject_cast<Only_Audio_setup_ViewController*>(pane))
            only_audio = p;
        else if (auto* p = qobject_cast<Setup_setup_ViewController*>(pane))
            general = p;
    }
    EXPECT_TRUE(video && audio && only_audio && general);
}

Column::~Column() = default;

void choose(QComboBox* popup, const QString& title)
{
    const int index = popup->findText(title);
    ASSERT_GE(index, 0) << title.toStdString();
    popup->showPopup();
    QAbstractItemView* list = popup->view();
    ASSERT_TRUE(testsupport::pump_until([&] { return list->isVisible(); }));
    const QRect item = list->visualRect(list->model()->index(index, popup->modelColumn()));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    ASSERT_TRUE(testsupport::pump_until([&] { return !list->isVisible(); }));
    ASSERT_EQ(popup->currentIndex(), index);
}

void type_into(QLineEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

void paste_into(QLineEdit* field, const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
}

void confirm(QLineEdit* field) { QTest::keyClick(field, Qt::Key_Return); }

// On the indicator: a button's hit area is its indicator and label, not the whole width.
void click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

}  // namespace settingstest
