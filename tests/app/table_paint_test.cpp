#include <QItemSelectionModel>
#include <QPainter>
#include <QTableView>
#include <QTextLayout>
#include <QtMath>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>
#include <algorithm>
#include <numeric>
#include <optional>
#include <vector>

#include "app/table/custom_cell.h"
#include "engine/system_colors.h"
#include "installed_translations.h"
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

namespace {

// The table's viewport as painted, read in the table's coordinates.
struct Painted {
    QImage image;
    qreal ratio;
    QColor base;

    explicit Painted(QTableView* table) : Painted(table->viewport()->grab().toImage(), table->palette().color(QPalette::Base))
    {
    }
    Painted(const QImage& picture, const QColor& background)
        : image(picture), ratio(picture.devicePixelRatio()), base(background)
    {
    }
    QColor pixel(int x, int y) const { return image.pixelColor(QPoint(int(x * ratio), int(y * ratio))); }
    // Ink: clearly apart from the base, the faint edges of smoothed glyphs left out.
    bool ink(int x, int y) const
    {
        const QColor c = pixel(x, y);
        return std::abs(c.red() - base.red()) + std::abs(c.green() - base.green()) + std::abs(c.blue() - base.blue()) > 60;
    }
};

// Where the parts of a painted row are, read from the table's pixels.
struct PaintedRow {
    int icon_left = -1;      // the status icon (red for a failed row)
    int texts_right = -1;    // the right end of the name's line (the duration, right-aligned)
    int status_right = -1;   // the right end of the status text
    bool status_below = false;  // text in the status column below the status's first line
    int row_right = -1;
};

PaintedRow measure_row(QTableView* table, const QModelIndex& index)
{
    const Painted painted(table);
    const QRect r = table->visualRect(index);
    PaintedRow row;
    row.row_right = r.right();
    const int icon_y = r.center().y() - 10;
    // Right of the thumbnail (16:9 at the row's height less its margins), which has red too.
    const int thumbnail_right = r.left() + 12 + (r.height() - 16) * 16 / 9;
    for (int x = thumbnail_right + 4; x < r.right() && row.icon_left < 0; ++x) {
        const QColor c = painted.pixel(x, icon_y);
        if (c.red() > 150 && c.green() < 110 && c.blue() < 110)
            row.icon_left = x;
    }
    if (row.icon_left < 0)
        return row;
    auto rightmost = [&](int from, int to, int top, int bottom) {
        for (int x = from; x > to; --x)
            for (int y = top; y <= bottom; ++y)
                if (painted.ink(x, y))
                    return x;
        return -1;
    };
    row.texts_right = rightmost(row.icon_left - 1, r.left(), r.top() + 8, r.top() + 8 + 14);
    row.status_right = rightmost(r.right() - 1, row.icon_left + 16, icon_y - 8, icon_y + 8);
    row.status_below = rightmost(r.right() - 1, row.icon_left + 16, icon_y + 11, r.bottom() - 4) >= 0;
    return row;
}

// Gives the window this width and lets the table lay its rows out again.
void set_width(MainWindow& window, int width)
{
    window.resize(width, 700);
    EXPECT_TRUE(testsupport::pump_until([&] { return window.width() == width; }));
    testsupport::pump_until([] { return false; }, std::chrono::milliseconds(100));
}

}  // namespace

// A failure's text takes the width the window has: the status column gets the spare width of
// a wider window, where a typical cause is shown whole; the texts beside it keep their width.
// The tool tip keeps the whole text.
TEST(TablePaint, StatusColumnTakesTheSpareWidth)
{
    TableWindow t;
    const auto row = t.append_fixture("tiny.mp4");
    row->out_Ex->status = 4;
    row->out_Ex->error_info = std::optional<QString>("Could not write header (incorrect codec parameters ?): Invalid argument");
    t.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.window, 120000));
    QTableView* table = t.list->tableView;
    const QModelIndex index = t.list->items_model->index(0, 0);
    const QString text = index.data(ItemsModel::StatusTextRole).toString();
    const int text_width = QFontMetrics(table->font()).horizontalAdvance(text);

    auto painted_at = [&](int window_width) {
        set_width(t.window, window_width);
        return measure_row(table, index);
    };
    const PaintedRow narrow = painted_at(1200);
    const PaintedRow wide = painted_at(1600);
    ASSERT_GE(narrow.icon_left, 0);
    ASSERT_GE(wide.icon_left, 0);
    // The window grew by 400 pixels, and so did the status column.
    EXPECT_NEAR(wide.row_right - narrow.row_right, 400, 1);
    EXPECT_NEAR(wide.row_right - wide.icon_left, narrow.row_right - narrow.icon_left + 400, 1);
    EXPECT_NEAR(wide.texts_right, narrow.texts_right, 1);
    EXPECT_NEAR(wide.icon_left, narrow.icon_left, 1);
    // Cut with an ellipsis in the narrower window, whole in the wide one.
    const int text_left = wide.icon_left + 16 + 6;
    EXPECT_LT(narrow.status_right - text_left, text_width - 20);
    EXPECT_GE(wide.status_right - text_left, text_width - 8);
    EXPECT_EQ(index.data(Qt::ToolTipRole).toString(), text);
}

// In a window of the usual size, a failure's cause that does not fit its line runs on below
// it, where a running row has its progress bar; a short text keeps to one line.
TEST(TablePaint, AFailuresCauseRunsOnBelowItsFirstLine)
{
    TableWindow t;
    const auto long_cause = t.append_fixture("tiny.mp4");
    long_cause->out_Ex->status = 4;
    long_cause->out_Ex->error_info =
        std::optional<QString>("Could not write header (incorrect codec parameters ?): Invalid argument");
    const auto short_cause = t.append_fixture("tiny.mp4");
    short_cause->out_Ex->status = 4;
    short_cause->out_Ex->error_info = std::optional<QString>("文件已经存在");
    t.window.resize(1100, 700);
    t.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.window, 120000));
    testsupport::pump_until([] { return false; }, std::chrono::milliseconds(100));
    QTableView* table = t.list->tableView;

    const PaintedRow wrapped = measure_row(table, t.list->items_model->index(0, 0));
    ASSERT_GE(wrapped.icon_left, 0);
    EXPECT_TRUE(wrapped.status_below);
    const PaintedRow single = measure_row(table, t.list->items_model->index(1, 0));
    ASSERT_GE(single.icon_left, 0);
    EXPECT_FALSE(single.status_below);
}

namespace {

// One line of painted text: the pixel rows and columns its ink takes.
struct Band {
    int top, bottom, left, right;  // inclusive
};

// The lines painted in the area, top to bottom, each a band of rows with ink between rows
// without; lines drawn over each other make one band.
std::vector<Band> ink_bands(const Painted& painted, const QRect& area)
{
    std::vector<Band> bands;
    bool in_band = false;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        int left = -1, right = -1;
        for (int x = area.left(); x <= area.right(); ++x)
            if (painted.ink(x, y)) {
                left = left < 0 ? x : left;
                right = x;
            }
        if (left < 0) {
            in_band = false;
            continue;
        }
        if (!in_band)
            bands.push_back({y, y, left, right});
        Band& band = bands.back();
        band.bottom = y;
        band.left = std::min(band.left, left);
        band.right = std::max(band.right, right);
        in_band = true;
    }
    return bands;
}

// The band's first glyph is a "/": its ink leans right going up.
bool starts_with_slash(const Painted& painted, const Band& band)
{
    int top_x = -1, bottom_x = -1;
    for (int y = band.top; y <= band.bottom; ++y)
        for (int x = band.left; x < band.left + 5; ++x)
            if (painted.ink(x, y)) {
                top_x = top_x < 0 ? x : top_x;
                bottom_x = x;
                break;
            }
    return top_x - bottom_x >= 2;
}

// The band ends in an ellipsis: its last glyph is dots, low and short, where a letter or a
// bracket is as tall as a line.
bool ends_with_ellipsis(const Painted& painted, const Band& band)
{
    int top = band.bottom, bottom = band.top;
    for (int x = band.right - 5; x <= band.right; ++x)
        for (int y = band.top; y <= band.bottom; ++y)
            if (painted.ink(x, y)) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return bottom - top + 1 <= (band.bottom - band.top + 1) / 3;
}

// The heights of the lines the text takes in the font at the width: each of its lines
// wrapped between words as the status does, each line as tall as its glyphs, those that a
// fallback font gives included.
std::vector<int> line_heights(const QString& text, const QFont& font, int width)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    std::vector<int> heights;
    for (const QString& paragraph : text.split(u'\n')) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            heights.push_back(qCeil(line.height()));
        }
        layout.endLayout();
    }
    return heights;
}

int sum(const std::vector<int>& heights, size_t count)
{
    return std::accumulate(heights.begin(), heights.begin() + std::min(count, heights.size()), 0);
}

// A row of the fixture that failed with the cause.
std::shared_ptr<Run_task_obj> failed_row(const TableWindow& t, const std::string& fixture, const QString& cause)
{
    const auto row = t.append_fixture(fixture);
    row->out_Ex->status = 4;
    row->out_Ex->error_info = std::optional<QString>(cause);
    return row;
}

// The check in the Chinese interface, then in the English one.
template <typename Check>
void in_both_languages(const Check& check)
{
    for (const bool english : {false, true}) {
        SCOPED_TRACE(english ? "English" : "Chinese");
        std::optional<apptest::InstalledTranslations> tables;
        if (english)
            tables.emplace(QLocale(QLocale::English, QLocale::UnitedStates));
        check();
    }
}

}  // namespace

// A cause of two lines (ffmpeg's last two messages) shows each on a line of its own, wrapped
// within the status column: the first as it shows alone, the second starting below it, at
// its "/", as soon as there is room for a line of it, with no line drawn over another; an
// ellipsis ends the last line only where text remains. In both languages and at window
// widths where it does and where it does not, as the metrics of the font tell.
TEST(TablePaint, EachLineOfACauseStartsALineOfItsOwn)
{
    const QString first = QStringLiteral("Error opening output files: Permission denied");
    const QString second = QStringLiteral(
        "/home/user/Videos/Converted/Holiday 2023 with the family/IMG_2041 (edited).mp4: Permission denied");
    const int widths[] = {1100, 1300, 1600, 2000};
    in_both_languages([&] {
        TableWindow t;
        failed_row(t, "tiny.mp4", first + u'\n' + second);
        failed_row(t, "tiny.mp4", first);
        t.window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.window, 120000));
        QTableView* table = t.list->tableView;
        const QModelIndex index = t.list->items_model->index(0, 0);
        const QString text = index.data(ItemsModel::StatusTextRole).toString();
        EXPECT_EQ(index.data(Qt::ToolTipRole).toString(), text);
        EXPECT_TRUE(text.endsWith(second + u')'));
        const QString text_alone = t.list->items_model->index(1, 0).data(ItemsModel::StatusTextRole).toString();

        // The status text of a row: right of its icon, over the row's height.
        auto text_area = [&](int row, int left) {
            const QRect r = table->visualRect(t.list->items_model->index(row, 0));
            return QRect(left, r.top() + 1, r.right() - 4 - left, r.height() - 2);
        };
        bool some_cut = false, some_whole = false;
        auto expect_lines_of_their_own = [&] {
            // What the status holds at this width, and what the texts need in the cell's font.
            const QRect room = CustomCell::status_lines(table->visualRect(index));
            const QFont font = table->font();
            const std::vector<int> heights = line_heights(text, font, room.width());
            const size_t first_lines = line_heights(text.section(u'\n', 0, 0), font, room.width()).size();
            const std::vector<int> heights_alone = line_heights(text_alone, font, room.width());
            ASSERT_LE(sum(heights_alone, heights_alone.size()), room.height()) << "the first line is cut alone";
            size_t fitting = 0;
            while (fitting < heights.size() && sum(heights, fitting + 1) <= room.height())
                ++fitting;
            const bool cut = fitting < heights.size();
            (cut ? some_cut : some_whole) = true;

            const int icon_left = measure_row(table, index).icon_left;
            ASSERT_GE(icon_left, 0);
            const Painted painted(table);
            const std::vector<Band> lines = ink_bands(painted, text_area(0, icon_left + 18));
            const std::vector<Band> alone = ink_bands(painted, text_area(1, icon_left + 18));
            const int offset = table->visualRect(t.list->items_model->index(1, 0)).top() - table->visualRect(index).top();
            ASSERT_EQ(alone.size(), heights_alone.size());
            EXPECT_EQ(lines.size(), fitting);
            // The first line of the cause is drawn as it is alone, in the same place; its last
            // line ends there without its bracket, or with the ellipsis, and may wrap elsewhere.
            const size_t common = std::min({alone.size(), first_lines, lines.size()});
            for (size_t i = 0; i < common; ++i) {
                EXPECT_NEAR(lines[i].top, alone[i].top - offset, 1) << i;
                if (i + 1 < common) {
                    EXPECT_NEAR(lines[i].bottom, alone[i].bottom - offset, 1) << i;
                }
            }
            const int tallest = *std::max_element(heights.begin(), heights.end());
            for (const Band& line : lines)
                EXPECT_LE(line.bottom - line.top + 1, tallest) << line.top;
            // The second line of the cause starts a line of its own where there is room for one.
            if (lines.size() > first_lines) {
                EXPECT_TRUE(starts_with_slash(painted, lines[first_lines]));
            }
            EXPECT_FALSE(ends_with_ellipsis(painted, alone.back()));
            EXPECT_EQ(ends_with_ellipsis(painted, lines.back()), cut);
        };
        for (const int width : widths) {
            SCOPED_TRACE(width);
            set_width(t.window, width);
            expect_lines_of_their_own();
        }
        // The widths show the text both cut and whole.
        EXPECT_TRUE(some_cut);
        EXPECT_TRUE(some_whole);
    });
}

namespace {

// The ink of the text drawn alone in the font, on a picture of its own that nothing clips.
Band ink_alone(const QString& text, const QFont& font, const QColor& pen, const QColor& base, qreal ratio)
{
    const QFontMetrics metrics(font);
    const QSize size(metrics.horizontalAdvance(text) + 20, metrics.height() * 4);
    QImage image(size * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(base);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(pen);
    painter.drawText(QPoint(10, metrics.height() * 2), text);
    painter.end();
    const std::vector<Band> bands = ink_bands(Painted(image, base), QRect(QPoint(0, 0), size - QSize(1, 1)));
    EXPECT_EQ(bands.size(), 1u) << text.toStdString();
    return bands.empty() ? Band{0, -1, 0, -1} : bands.front();
}

}  // namespace

// A cause that names a Chinese file, or a Chinese status before an English message, mixes
// glyphs of the interface font with taller ones of a fallback font. Each of its lines is drawn
// whole, as tall as the same text drawn alone (the tails of g, p and y included), one below
// the other, within the row; so is the file's name. In both languages.
TEST(TablePaint, ALineThatMixesChineseAndLatinIsDrawnWhole)
{
    const QString first = QStringLiteral("Error opening input file /home/user/视频/spring gallery.mp4.");
    const QString second =
        QStringLiteral("/home/user/视频/spring gallery.mp4: Invalid data found when processing input");
    in_both_languages([&] {
        TableWindow t;
        failed_row(t, "假期 spring trip.mp4", first + u'\n' + second);
        t.window.resize(2000, 700);
        t.window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.window, 120000));
        testsupport::pump_until([] { return false; }, std::chrono::milliseconds(100));
        QTableView* table = t.list->tableView;
        const QModelIndex index = t.list->items_model->index(0, 0);
        const QStringList texts = index.data(ItemsModel::StatusTextRole).toString().split(u'\n');
        ASSERT_EQ(texts.size(), 2);

        const int icon_left = measure_row(table, index).icon_left;
        ASSERT_GE(icon_left, 0);
        const Painted painted(table);
        const QRect r = table->visualRect(index);
        // The row and what lies below it, where nothing else is drawn.
        const int below = std::min(r.bottom() + 20, int(painted.image.height() / painted.ratio) - 1);
        const std::vector<Band> lines =
            ink_bands(painted, QRect(icon_left + 18, r.top(), r.right() - icon_left - 18, below - r.top() + 1));
        ASSERT_EQ(lines.size(), texts.size());
        const QColor pen = table->palette().color(QPalette::Text);
        for (qsizetype i = 0; i < texts.size(); ++i) {
            SCOPED_TRACE(texts[i].toStdString());
            const Band alone = ink_alone(texts[i], table->font(), pen, painted.base, painted.ratio);
            EXPECT_EQ(lines[i].bottom - lines[i].top, alone.bottom - alone.top);
            EXPECT_GE(lines[i].top, r.top());
            EXPECT_LE(lines[i].bottom, r.bottom());
        }

        // The name, in bold, at the top of the texts right of the thumbnail.
        QFont bold = table->font();
        bold.setBold(true);
        const QString name = index.data(ItemsModel::NameRole).toString();
        const int thumbnail_right = r.left() + 12 + (r.height() - 16) * 16 / 9;
        const std::vector<Band> name_lines = ink_bands(
            painted, QRect(thumbnail_right + 2, r.top(), QFontMetrics(bold).horizontalAdvance(name) + 20, r.height() / 3));
        ASSERT_FALSE(name_lines.empty());
        const Band alone = ink_alone(name, bold, pen, painted.base, painted.ratio);
        EXPECT_EQ(name_lines.front().bottom - name_lines.front().top, alone.bottom - alone.top) << name.toStdString();
    });
}
