#include "app/batch/running_jobs.h"

#include <algorithm>

namespace running_jobs {

namespace {

std::vector<std::shared_ptr<OneExporter>>& jobs()
{
    static std::vector<std::shared_ptr<OneExporter>> list;
    return list;
}

}  // namespace

void add(const std::shared_ptr<OneExporter>& job)
{
    if (job && std::find(jobs().begin(), jobs().end(), job) == jobs().end())
        jobs().push_back(job);
}

void remove(const OneExporter* job)
{
    std::erase_if(jobs(), [job](const std::shared_ptr<OneExporter>& listed) { return listed.get() == job; });
}

std::vector<std::shared_ptr<OneExporter>> all() { return jobs(); }

bool empty() { return jobs().empty(); }

}  // namespace running_jobs
