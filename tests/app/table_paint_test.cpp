#include <QItemSelectionModel>
#include <QTableView>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

#include "engine/system_colors.h"
#include "table_support.h"

using tabletest::TableWindow;

namespace {

// The colour over the base once the selection's fill (alpha 0.3) is laid on it.
QColor over(const QColor& base, const QColor& fill)
{
    auto mix = [](int b, int f) { return int(b * 0.7 + f * 0.3 + 0.5); };
    return QColor(mix(base.red(), fill.red()), mix(base.green(), fill.green()), mix(base.blue(), fill.blue()));
}

void expect_near(const QColor& actual, const QColor& expected)
{
    EXPECT_NEAR(actual.red(), expected.red(), 3) << actual.name().toStdString() << " " << expected.name().toStdString();
    EXPECT_NEAR(actual.green(), expected.green(), 3) << actual.name().toStdString() << " " << expected.name().toStdString();
    EXPECT_NEAR(actual.blue(), expected.blue(), 3) << actual.name().toStdString() << " " << expected.name().toStdString();
}

}  // namespace

// The selected row is filled gray in a light palette and blue in a dark one, at alpha 0.3,
// 5 pixels in from each side; the row below stays plain. Rendered as the table paints it.
TEST(TablePaint, SelectionColourFollowsThePalette)
{
    TableWindow t;
    t.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.window, 120000));
    t.append_fixture("tiny.mp4");
    t.append_fixture("tiny.mp4");
    QTableView* table = t.list->tableView;
    table->selectionModel()->select(t.list->items_model->index(0, 0),
                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const QRect first = table->visualRect(t.list->items_model->index(0, 0));
    const QRect second = table->visualRect(t.list->items_model->index(1, 0));

    struct Case {
        QColor window, base, fill;
    };
    const Case cases[] = {
        {QColor(239, 239, 239), QColor(255, 255, 255), systemGrayColor()},
        {QColor(40, 40, 40), QColor(30, 30, 30), systemBlueColor()},
    };
    for (const Case& c : cases) {
        QPalette palette = table->palette();
        palette.setColor(QPalette::Window, c.window);
        palette.setColor(QPalette::Base, c.base);
        table->setPalette(palette);
        const QImage image = table->viewport()->grab().toImage();
        const qreal ratio = image.devicePixelRatio();
        auto pixel = [&](int x, int y) { return image.pixelColor(QPoint(int(x * ratio), int(y * ratio))); };
        SCOPED_TRACE(c.window.name().toStdString());
        expect_near(pixel(first.left() + 8, first.center().y()), over(c.base, c.fill));
        expect_near(pixel(first.right() - 8, first.center().y()), over(c.base, c.fill));
        expect_near(pixel(first.left() + 2, first.center().y()), c.base);
        expect_near(pixel(second.left() + 8, second.center().y()), c.base);
        // Rounded corners: the very corner of the inset rectangle stays plain.
        expect_near(pixel(first.left() + 5, first.top() + 1), c.base);
    }
}

// The bar is painted for a running row and not for a finished one.
TEST(TablePaint, ProgressBarOnlyWhereItIsShown)
{
    TableWindow t;
    t.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.window, 120000));
    const auto running = t.append_fixture("tiny.mp4");
    const auto done = t.append_fixture("tiny.mp4");
    running->out_Ex->status = 2;
    running->out_Ex->out_progress = 1.0f;
    done->out_Ex->status = 3;
    t.list->items_model->reload();
    QTableView* table = t.list->tableView;
    const QImage image = table->viewport()->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    // The status column takes the right of the row; the bar lies below the middle.
    auto changed_pixels_below_middle = [&](int row) {
        const QRect r = table->visualRect(t.list->items_model->index(row, 0));
        const QColor base = table->palette().color(QPalette::Base);
        int changed = 0;
        for (int x = r.right() - 200; x < r.right() - 20; x += 4)
            for (int y = r.center().y() + 6; y < r.center().y() + 14; y += 2)
                changed += image.pixelColor(QPoint(int(x * ratio), int(y * ratio))) != base;
        return changed;
    };
    EXPECT_GT(changed_pixels_below_middle(0), 100);
    EXPECT_EQ(changed_pixels_below_middle(1), 0);
}

// The status text is the tool tip of the status field, not of the whole row.
TEST(TablePaint, StatusToolTipOnTheStatusField)
{
    TableWindow t;
    t.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.window, 120000));
    const auto row = t.append_fixture("tiny.mp4");
    row->out_Ex->status = 4;
    row->out_Ex->error_info = std::optional<QString>("文件已经存在");
    QTableView* table = t.list->tableView;
    const QRect r = table->visualRect(t.list->items_model->index(0, 0));
    auto tip_at = [&](QPoint at) {
        QToolTip::hideText();  // hides after a short delay
        EXPECT_TRUE(testsupport::pump_until([] { return !QToolTip::isVisible(); }));
        QHelpEvent event(QEvent::ToolTip, at, table->viewport()->mapToGlobal(at));
        QApplication::sendEvent(table->viewport(), &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tip_at(QPoint(r.right() - 60, r.center().y() - 10)).toStdString(), "失败(文件已经存在)");
    EXPECT_EQ(tip_at(QPoint(r.left() + 200, r.top() + 20)).toStdString(), "");
    QToolTip::hideText();
}
