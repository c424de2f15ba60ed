#include "app/trials/row_state.h"

#include "app/table/view_controller.h"
#include "engine/one_exporter.h"
#include "engine/run_task_obj.h"
#include "platform/foundation/files.h"

bool ViewController::row_is_running(const Run_task_obj& row) const
{
    if (!row.out_Ex)
        return false;
    if (row.out_Ex == running_job_)
        return true;
    // Between marking the row and starting its job the batch holds no job yet.
    return batch_running() && row.state_obj.kind() == EnumState::Case::conversion && row.out_Ex->status == 0;
}

std::optional<QUrl> row_output_file(const Run_task_obj& row)
{
    if (!row.out_Ex)
        return std::nullopt;
    const std::optional<QUrl> url = row.out_Ex->out_url_obj.get();
    if (!url || !url->isLocalFile() || !foundation::file_exists(url->toLocalFile()))
        return std::nullopt;
    return url;
}
