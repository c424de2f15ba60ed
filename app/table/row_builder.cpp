#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "app/table/add_files.h"
#include "platform/dispatch/sync.h"

void build_rows_in_order(const QList<QUrl>& urls, const dispatch::Queue& queue, int threads,
                         const std::function<std::shared_ptr<Run_task_obj>(const QUrl&)>& build,
                         const std::function<void(RowList)>& deliver)
{
    const size_t count = static_cast<size_t>(urls.size());
    std::vector<std::shared_ptr<Run_task_obj>> built(count);
    std::vector<bool> done(count, false);
    std::atomic<size_t> next_to_build{0};
    std::mutex lock;
    size_t next_to_deliver = 0;

    auto work = [&] {
        for (size_t i = next_to_build++; i < count; i = next_to_build++) {
            std::shared_ptr<Run_task_obj> row = build(urls[static_cast<qsizetype>(i)]);
            std::lock_guard guard(lock);
            built[i] = std::move(row);
            done[i] = true;
            // Whoever completes the oldest waiting row hands over every finished row after it.
            RowList run;
            while (next_to_deliver < count && done[next_to_deliver])
                run.append(std::move(built[next_to_deliver++]));
            if (!run.isEmpty())
                deliver(std::move(run));
        }
    };
    dispatch::Group helpers;
    const size_t extra = std::min(count, static_cast<size_t>(std::max(1, threads))) - (count > 0 ? 1 : 0);
    for (size_t i = 0; i < extra; ++i)
        helpers.async(queue, work);
    work();
    helpers.wait();
}
