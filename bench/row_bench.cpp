// Builds table rows from fixture files and reports the time per row.
// Usage: row_bench FIXTURE_DIR [COUNT]
#include <QCoreApplication>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/run_task_obj.h"

namespace {

struct Figures {
    double median_ms = 0;
    double p95_ms = 0;
    double max_ms = 0;
};

Figures figures(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    auto at = [&](double q) { return ms[std::min(n - 1, size_t(q * double(n - 1) + 0.5))]; };
    return {at(0.5), at(0.95), ms.back()};
}

// Builds count rows, cycling through the files; keeps them alive as a table would.
std::vector<double> build_rows(const std::vector<QUrl>& files, int count,
                               std::vector<std::unique_ptr<Run_task_obj>>& rows)
{
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        auto row = std::make_unique<Run_task_obj>(files[size_t(i) % files.size()]);
        row->set_state(EnumState::read());
        const auto end = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        rows.push_back(std::move(row));
    }
    return ms;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: row_bench FIXTURE_DIR [COUNT]\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
    auto url = [&](const char* name) { return QUrl::fromLocalFile(dir + "/" + name); };

    const std::vector<std::pair<const char*, std::vector<QUrl>>> sets = {
        {"1080p h264+aac", {url("hd1080.mp4")}},
        {"1080p rotated", {url("hd1080_rot90.mov")}},
        {"mixed small files",
         {url("h264_aac.mp4"), url("audio.m4a"), url("tc.mov"), url("tone.mp3"), url("clip.mkv"),
          url("prores.mov"), url("hevc.mp4"), url("random.mp4")}},
    };
    std::vector<std::pair<std::string, Figures>> results;
    for (const auto& [label, files] : sets) {
        std::vector<std::unique_ptr<Run_task_obj>> rows;
        build_rows(files, 3, rows);  // warm the caches: MIME database, icons, codecs
        rows.clear();
        results.emplace_back(label, figures(build_rows(files, count, rows)));
        rows.clear();
    }
    // The rows log as they go; the figures come last, together.
    for (const auto& [label, f] : results)
        std::printf("row build, %d rows, %s: median %.2f ms, p95 %.2f ms, max %.2f ms\n", count,
                    label.c_str(), f.median_ms, f.p95_ms, f.max_ms);
    return 0;
}
