#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTranslator>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "platform/media/identifiers.h"
#include "table_support.h"

using tabletest::file_name_of;
using tabletest::TableWindow;

namespace {

QString status_text(const TableWindow& t, int row) { return t.data(row, ItemsModel::StatusTextRole).toString(); }
QImage status_icon(const TableWindow& t, int row) { return t.data(row, ItemsModel::StatusIconRole).value<QImage>(); }
bool bar_shown(const TableWindow& t, int row) { return t.data(row, ItemsModel::ProgressVisibleRole).toBool(); }
double bar_value(const TableWindow& t, int row) { return t.data(row, ItemsModel::ProgressRole).toDouble(); }

}  // namespace

// Each status has its text, icon and bar; the tool tip is the status text.
TEST(TableModel, StatusTextsIconsAndBars)
{
    TableWindow t;
    const My_Image& images = t.list->my_image;
    const auto row = t.append_fixture("tiny.mp4");
    OneExporter& job = *row->out_Ex;
    struct Case {
        int status;
        float progress;
        std::optional<QString> error;
        QString text;
        std::optional<QImage> icon;
        bool bar;
    };
    const Case cases[] = {
        {0, 0, {}, "就绪", images.gray_round, false},
        {1, 0, {}, "等待", images.gray_round, false},
        {2, 0.1234f, {}, "进行中 12.34 %", images.blue_round, true},
        {3, 1, {}, "完成", images.green_round, false},
        {4, 0.5f, QString("文件已经存在"), "失败(文件已经存在)", images.red_round, false},
        {4, 0.5f, {}, "失败", images.red_round, false},
        {5, 0.25f, {}, "取消", images.orange_round, true},
    };
    for (const Case& c : cases) {
        job.status = c.status;
        job.out_progress = c.progress;
        job.error_info = c.error;
        t.list->items_model->reload();
        SCOPED_TRACE(c.status);
        EXPECT_EQ(status_text(t, 0).toStdString(), c.text.toStdString());
        EXPECT_EQ(t.data(0, Qt::ToolTipRole).toString(), status_text(t, 0));
        ASSERT_TRUE(c.icon);
        EXPECT_EQ(status_icon(t, 0), *c.icon);
        EXPECT_EQ(bar_shown(t, 0), c.bar);
        EXPECT_NEAR(bar_value(t, 0), c.progress * 100, 0.001);
        EXPECT_EQ(t.list->get_state_text_icon(c.status, *row).first, c.text);
    }
    // The other fields of the cell.
    EXPECT_EQ(t.data(0, ItemsModel::NameRole).toString(), "tiny");
    EXPECT_EQ(t.data(0, ItemsModel::DurationRole).toString(), "00:01");
    EXPECT_EQ(t.data(0, ItemsModel::InfoRole).toString(), row->info);
    EXPECT_TRUE(t.data(0, ItemsModel::InfoRole).toString().startsWith("2-1 vide 160X120(4:3) 25.00 avc1"));
    EXPECT_EQ(t.data(0, ItemsModel::MediaTypeRole).toString(), row->mediaType);
    EXPECT_FALSE(t.data(0, ItemsModel::ThumbnailRole).value<QImage>().isNull());
}

// Progress that is not a number in 0..1 never reaches the bar or the text as such.
TEST(TableModel, ProgressIsHeldToZeroToHundred)
{
    TableWindow t;
    const auto row = t.append_fixture("tiny.mp4");
    row->out_Ex->status = 2;
    const std::pair<float, const char*> cases[] = {
        {std::numeric_limits<float>::quiet_NaN(), "进行中 0.00 %"},
        {std::numeric_limits<float>::infinity(), "进行中 100.00 %"},
        {-std::numeric_limits<float>::infinity(), "进行中 0.00 %"},
        {1.5f, "进行中 100.00 %"},
        {-0.2f, "进行中 0.00 %"},
        {1.0f, "进行中 100.00 %"},
    };
    for (const auto& [progress, text] : cases) {
        row->out_Ex->out_progress = progress;
        EXPECT_EQ(status_text(t, 0).toStdString(), text) << progress;
        const double value = bar_value(t, 0);
        EXPECT_TRUE(value >= 0 && value <= 100) << progress;
    }
}

// The status texts come out in English with the English tables.
TEST(TableModel, StatusTextsAreTranslated)
{
    TableWindow t;
    const auto row = t.append_fixture("tiny.mp4");
    QTranslator english;
    ASSERT_TRUE(english.load(":/i18n/table_en.qm"));
    QCoreApplication::installTranslator(&english);
    row->out_Ex->status = 2;
    row->out_Ex->out_progress = 0.5f;
    EXPECT_EQ(status_text(t, 0), "Converting 50.00 %");
    row->out_Ex->status = 4;
    row->out_Ex->error_info = std::optional<QString>("x");
    EXPECT_EQ(status_text(t, 0), "Failed (x)");
    QCoreApplication::removeTranslator(&english);
}

TEST(TableModel, DefaultPresetValuesAndTypes)
{
    const My_Prest p = ViewController::default_prest();
    EXPECT_EQ(p.name, "mp4_ACC");
    EXPECT_EQ(p.fileType, AVFileTypeMPEG4);
    EXPECT_FALSE(p.is_run_ffmpeg);
    const QVariantMap& v = p.video_outputSettings;
    EXPECT_EQ(v.size(), 5);
    EXPECT_EQ(v.value(AVVideoWidthKey).typeId(), QMetaType::Double);
    EXPECT_EQ(v.value(AVVideoWidthKey).toDouble(), 4096);
    EXPECT_EQ(v.value(AVVideoHeightKey).typeId(), QMetaType::Double);
    EXPECT_EQ(v.value(AVVideoHeightKey).toDouble(), 2160);
    EXPECT_EQ(v.value(AVVideoCodecKey).toString(), AVVideoCodecTypeH264);
    EXPECT_EQ(v.value(AVVideoScalingModeKey).toString(), AVVideoScalingModeResizeAspectFill);
    const QVariantMap compression = v.value(AVVideoCompressionPropertiesKey).toMap();
    EXPECT_EQ(compression.size(), 1);
    EXPECT_EQ(compression.value(AVVideoAverageBitRateKey).typeId(), QMetaType::Int);
    EXPECT_EQ(compression.value(AVVideoAverageBitRateKey).toInt(), 6378000);
    const QVariantMap& a = p.audio_outputSettings;
    EXPECT_EQ(a.size(), 4);
    EXPECT_EQ(a.value(AVFormatIDKey).typeId(), QMetaType::UInt);
    EXPECT_EQ(a.value(AVFormatIDKey).toUInt(), kAudioFormatMPEG4AAC);
    EXPECT_EQ(a.value(AVEncoderBitRateKey).typeId(), QMetaType::Int);
    EXPECT_EQ(a.value(AVEncoderBitRateKey).toInt(), 129000);
    EXPECT_EQ(a.value(AVNumberOfChannelsKey).typeId(), QMetaType::Int);
    EXPECT_EQ(a.value(AVNumberOfChannelsKey).toInt(), 2);
    EXPECT_EQ(a.value(AVSampleRateKey).typeId(), QMetaType::Float);
    EXPECT_EQ(a.value(AVSampleRateKey).toFloat(), 48000.0f);

    // The pane installs it when it loads.
    TableWindow t;
    EXPECT_EQ(t.list->my_Prest.name, "mp4_ACC");
    EXPECT_EQ(t.list->my_Prest.audio_outputSettings, a);
}

// Selecting rows 1 and 3 of 4 with the mouse and pressing Delete keeps 0 and 2 in order; the
// label and the drop hint follow the list, and the converting-row reference is cleared.
TEST(TableModel, DeleteKeyRemovesTheSelectedRows)
{
    TableWindow t;
    t.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.window, 120000));
    EXPECT_FALSE(t.list->drag_imagebutton->isHidden());
    EXPECT_EQ(t.list->info_out_textfield->text(), "");
    const char* names[] = {"tiny.mp4", "audio.m4a", "tone.mp3", "plain.mov"};
    for (const char* name : names)
        t.append_fixture(name);
    ASSERT_TRUE(testsupport::pump_until([&] { return t.list->info_out_textfield->text() == "1/4"; }));
    EXPECT_TRUE(t.list->drag_imagebutton->isHidden());
    t.list->run_task_obj = t.row(2);

    QTableView* table = t.list->tableView;
    QWidget* viewport = table->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, table->visualRect(t.list->items_model->index(1, 0)).center());
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier,
                      table->visualRect(t.list->items_model->index(3, 0)).center());
    ASSERT_EQ(table->selectionModel()->selectedRows().size(), 2);
    QTest::keyClick(table, Qt::Key_Delete);

    ASSERT_EQ(t.rows(), 2);
    EXPECT_EQ(file_name_of(t.row(0)), "tiny.mp4");
    EXPECT_EQ(file_name_of(t.row(1)), "tone.mp3");
    EXPECT_EQ(t.list->run_task_obj, nullptr);
    // The label was worked out when the list changed, while the converting row (now second)
    // was still referenced.
    ASSERT_TRUE(testsupport::pump_until([&] { return t.list->info_out_textfield->text() == "2/2"; }));

    // The button with nothing selected keeps every row, and still clears the reference.
    table->clearSelection();
    t.list->run_task_obj = t.row(1);
    t.list->del_button->click();
    EXPECT_EQ(t.rows(), 2);
    EXPECT_EQ(t.list->run_task_obj, nullptr);

    table->selectAll();
    t.list->del_button->click();
    EXPECT_EQ(t.rows(), 0);
    EXPECT_TRUE(testsupport::pump_until([&] { return t.list->info_out_textfield->text() == "1/0"; }))
        << t.list->info_out_textfield->text().toStdString();
    EXPECT_FALSE(t.list->drag_imagebutton->isHidden());
}

// A running row that stays in the list keeps its place in the label; reloads keep the selection.
TEST(TableModel, SelectionSurvivesProgressRefreshes)
{
    TableWindow t;
    t.window.show();
    for (int i = 0; i < 3; ++i)
        t.append_fixture("tiny.mp4");
    QTableView* table = t.list->tableView;
    table->selectionModel()->select(t.list->items_model->index(1, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    table->selectionModel()->setCurrentIndex(t.list->items_model->index(2, 0), QItemSelectionModel::NoUpdate);
    table->selectionModel()->select(t.list->items_model->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const auto running = t.row(1);
    running->out_Ex->status = 2;
    for (int i = 1; i <= 50; ++i) {
        running->out_Ex->out_progress = float(i) / 50;
        if (i % 2)
            t.list->items_model->reload();
        else
            t.list->items_model->reload_row(1);
        QCoreApplication::processEvents();
    }
    QList<int> selected;
    for (const QModelIndex& index : table->selectionModel()->selectedRows())
        selected << index.row();
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, QList<int>({1, 2}));
    EXPECT_EQ(table->currentIndex().row(), 2);
    EXPECT_EQ(status_text(t, 1), "进行中 100.00 %");
}

// Removal by positions in any order, with repeats and positions off the list: the rest keep
// their order, and the view hears of every removal.
TEST(TableModel, RemovingScatteredAndNeighbouringRows)
{
    TableWindow t;
    std::vector<std::shared_ptr<Run_task_obj>> rows;
    for (int i = 0; i < 10; ++i)
        rows.push_back(t.append_fixture("tiny.mp4"));
    int removed_signals = 0, removed_rows = 0;
    QObject::connect(t.list->items_model, &QAbstractItemModel::rowsRemoved, [&](const QModelIndex&, int first, int last) {
        ++removed_signals;
        removed_rows += last - first + 1;
    });
    t.list->items_model->remove_rows({5, 0, 1, 3, 3, 9, -1, 42, 8});
    ASSERT_EQ(t.rows(), 4);
    EXPECT_EQ(t.row(0), rows[2]);
    EXPECT_EQ(t.row(1), rows[4]);
    EXPECT_EQ(t.row(2), rows[6]);
    EXPECT_EQ(t.row(3), rows[7]);
    EXPECT_EQ(removed_rows, 6);
    EXPECT_EQ(removed_signals, 4);  // {8, 9}, {5}, {3}, {0, 1}
    EXPECT_EQ(t.list->tableView->model()->rowCount(), 4);
}
