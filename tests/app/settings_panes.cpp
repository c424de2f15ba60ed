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

Panes panes_of(Setup_NSViewController* column)
{
    Panes panes;
    QTabWidget* tabs = column->tab_view;
    for (int i = 0; i < tabs->count(); ++i) {
        QWidget* pane = tabs->widget(i);
        if (auto* p = qobject_cast<Video_setup_ViewController*>(pane))
            panes.video = p;
        else if (auto* p = qobject_cast<Audio_setup_ViewController*>(pane))
            panes.audio = p;
        else if (auto* p = qobject_cast<Only_Audio_setup_ViewController*>(pane))
            panes.only_audio = p;
        else if (auto* p = qobject_cast<Setup_setup_ViewController*>(pane))
            panes.general = p;
    }
    EXPECT_TRUE(panes.video && panes.audio && panes.only_audio && panes.general);
    return panes;
}

void show_active(QWidget* window)
{
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window, 120000));
}

Column::Column() : column(std::make_unique<Setup_NSViewController>())
{
    column->resize(340, 560);
    show_active(column.get());
    static_cast<Panes&>(*this) = panes_of(column.get());
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
