// The row context menu's actions: show the source or the output in the file manager, preview,
// estimate the size, retry with the traditional engine, reset.
#include <QItemSelectionModel>
#include <QTableView>
#include <algorithm>

#include "app/table/items_model.h"
#include "app/table/view_controller.h"
#include "app/trials/row_state.h"
#include "app/trials/trial_windows.h"
#include "engine/one_exporter.h"
#include "engine/run_task_obj.h"
#include "engine/stdout_log.h"
#include "platform/desktop/services.h"

namespace {

// Makes the row ready for the next Start: its job not started and asking the compatibility
// question again, its state `read`.
void make_ready(Run_task_obj& row)
{
    if (row.out_Ex) {
        row.out_Ex->status = 0;
        row.out_Ex->check_compatibility();
    }
    row.set_state(EnumState::read());
}

// The preset a trial of the row converts with: the panes as they are now, read into a copy of
// its own. The list's preset, and the row's job, stay as a running batch took them.
std::shared_ptr<My_Prest> trial_prest(ViewController& list, const Run_task_obj& row)
{
    list.find_panes();
    return std::make_shared<My_Prest>(ViewController::get_task_prest(list.panes_prest().value_or(list.my_Prest), row));
}

}  // namespace

void ViewController::tableViewShowSrtItemClicked()
{
    if (const auto row = items_model->at(clickedRow()))
        desktop::services().reveal(row->in_file_obj);
}

void ViewController::tableViewShowXmlItemClicked()
{
    if (const auto row = items_model->at(clickedRow())) {
        if (const auto output = row_output_file(*row))
            desktop::services().reveal(*output);
    }
}

void ViewController::tableView_preview_play_ItemClicked()
{
    if (const auto row = items_model->at(clickedRow()))
        preview_play(row);
}

void ViewController::preview_play(const std::shared_ptr<Run_task_obj>& row)
{
    // The preview's own job follows the preset (trial_uses_ffmpeg); the row's engine flag is
    // left to the compatibility answer, so that a later Start with other settings is not sent
    // to ffmpeg by this preview's audio-only preset.
    open_preview_window(row, trial_prest(*this, *row));
}

void ViewController::open_preview_window(const std::shared_ptr<Run_task_obj>& row, std::shared_ptr<My_Prest> preset)
{
    open_preview_window_for(this, row, std::move(preset));
}

void ViewController::tableView_calculate_file_size_ItemClicked()
{
    const auto row = items_model->at(clickedRow());
    if (!row || !row->out_Ex)
        return;
    open_estimate_window_for(this, row->out_Ex, row->name, trial_prest(*this, *row));
}

void ViewController::tableView_calculate_reset_state_runffmpeg_ItemClicked()
{
    const auto row = items_model->at(clickedRow());
    if (!row || row_is_running(*row))
        return;
    if (const auto& job = row->out_Ex) {
        job->let_is_run_ffmpeg = std::optional<bool>(true);
        // At once, not only when the compatibility answer comes: a Start right away must not
        // run the engine that has just failed.
        job->is_run_ffmpeg = true;
    }
    make_ready(*row);
    logLine(QStringLiteral("是否启用ffmpeg ") +
            (row->out_Ex && row->out_Ex->is_run_ffmpeg ? QStringLiteral("true") : QStringLiteral("false")));
    items_model->reload();
}

void ViewController::tableView_reset_state_ItemClicked()
{
    const auto clicked = items_model->at(clickedRow());
    if (!clicked)
        return;
    QModelIndexList selected = tableView->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    // A row that is converting keeps its state: its completion is still to come.
    for (const QModelIndex& index : selected) {
        const auto row = items_model->at(index.row());
        if (row && !row_is_running(*row)) {
            make_ready(*row);
            items_model->reload();
        }
    }
    if (!row_is_running(*clicked)) {
        make_ready(*clicked);
        items_model->reload();
    }
}
