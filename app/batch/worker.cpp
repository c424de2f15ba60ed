// The batch worker on request_queue: walks its copy of the rows and converts the ready ones
// one after another, waiting for each completion.
#include <QProgressBar>

#include "app/batch/batch_worker_context.h"
#include "app/shell/localized.h"
#include "app/table/items_model.h"
#include "engine/one_exporter.h"
#include "engine/run_task_obj.h"
#include "platform/dispatch/queue.h"
#include "platform/foundation/files.h"

bool BatchWorkerContext::on_main(const std::function<void(ViewController&)>& task) const
{
    bool reached = false;
    dispatch::Queue::main().sync([&] {
        if (ViewController* list = pane.data()) {
            task(*list);
            reached = true;
        }
    });
    return reached;
}

void ViewController::run_tasks_worker(const BatchWorkerContext& context)
{
    QList<std::shared_ptr<Run_task_obj>> rows;
    if (!context.on_main([&](ViewController& list) { rows = list.items(); }))
        return;
    for (const std::shared_ptr<Run_task_obj>& row : rows) {
        if (context.cancelled())
            return;
        // A row removed from the table since the Start is not converted: its output and its
        // failure would show nowhere.
        bool ready = false;
        if (!context.on_main([&](ViewController& list) {
                ready = row->state_obj.kind() == EnumState::Case::read && list.items_model->index_of(row.get()) >= 0;
            }))
            return;
        if (ready)
            run_one_task(context, row);
    }
}

void ViewController::run_one_task(const BatchWorkerContext& context, const std::shared_ptr<Run_task_obj>& row)
{
    const std::shared_ptr<OneExporter> job = row->out_Ex;
    // Start refuses without a folder.
    if (!job || !context.folder)
        return;
    // This run's own preset, built from the Start's: the engine choice below reads it, not the
    // job's, which is shared with the row.
    std::shared_ptr<My_Prest> preset;
    const bool reached = context.on_main([&](ViewController& list) {
        // Only this job's completion releases the worker, so the job reports to a bridge of
        // its own that knows it.
        job->delegate = list.make_job_delegate(job);
        preset = std::make_shared<My_Prest>(get_task_prest(context.preset, *row));
        job->My_prest_obj = preset;
        row->set_state(EnumState::conversion(0));
        // The row's output fields are read on the main thread, so they are written there.
        row->make_output_path(*context.folder, context.keep_source_folders);
        list.items_model->reload_row(list.items_model->index_of(row.get()));
    });
    if (!reached)
        return;
    // No URL: the output would be the source itself; the job has failed the row already.
    const std::optional<QUrl> url = job->make_output_url();
    if (!url)
        return;
    if (foundation::file_exists(url->toLocalFile())) {
        context.on_main([&](ViewController& list) {
            job->status = 4;
            job->error_info = std::optional<QString>(L("文件已经存在"));
            row->out_url_obj = url;
            list.items_model->reload_row(list.items_model->index_of(row.get()));
        });
        return;
    }

    // The engine follows the compatibility answer: a start before it came would send a source
    // the pipeline cannot read down the pipeline. An answer that never comes leaves the choice
    // as it stands.
    job->wait_for_compatibility(OneExporter::kCompatibilityAnswerBound);
    // After the answer, which sets the flag from the source and the user's retry alone: this
    // run's own preset sends it to ffmpeg when it asks (audio-only). Chosen once, so that an
    // answer arriving late does not change the engine of this start.
    const bool use_ffmpeg = job->is_run_ffmpeg || preset->is_run_ffmpeg;

    bool started = false;
    context.on_main([&](ViewController& list) {
        const int position = list.items_model->index_of(row.get());
        // A Stop that came before this row's start leaves it ready, so the next Start takes it.
        // A row removed meanwhile is not converted: its output and its failure would show
        // nowhere.
        if (context.cancelled() || position < 0) {
            row->set_state(EnumState::read());
            list.items_model->reload_row(position);
            return;
        }
        // Only a run that starts keeps this choice: a row left ready goes by its answer.
        if (use_ffmpeg)
            job->is_run_ffmpeg = true;
        list.run_task_obj = row;
        list.running_job_ = job;
        list.is_run = true;
        list.wj_load->show();
        started = true;
    });
    if (!started)
        return;
    const media::TimeRange range{media::Time::zero(), job->raw_asset ? job->raw_asset->duration() : media::Time::zero()};
    job->timeRange = std::optional<media::TimeRange>(range);
    if (use_ffmpeg)
        job->start_ffmpeg_export(range);
    else
        job->start_export(range);
    // A Stop between the hand-over above and the start found nothing running to cancel.
    if (context.cancelled())
        job->cancel_export();
    context.sema->wait();
}
