#pragma once

#include <QString>
#include <QVariantMap>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "engine/reader_writer_exporter.h"

// What one run of the pipeline reported, recorded from its handlers.
struct RunRecord {
    mutable std::mutex lock;
    int completions = 0;
    std::optional<ExportResult> result;
    std::vector<float> progress;
    bool progressOnMainThread = false;
    bool completionOffMainThread = false;

    int completionCount() const;
    ExportResult lastResult() const;
    std::vector<float> progressValues() const;
};

// Starts the exporter with recording handlers (no render handler, as the application does).
std::shared_ptr<RunRecord> startRecording(const std::shared_ptr<ReaderWriterExporter>& exporter);
// Pumps the main queue until the run reported; false on time-out.
bool waitForCompletion(const RunRecord& record, int seconds = 120);

std::shared_ptr<ReaderWriterExporter> makeExporter(const QString& source, const QString& output,
                                                   const QString& fileType,
                                                   std::optional<QVariantMap> video,
                                                   std::optional<QVariantMap> audio);

QVariantMap videoSettings(const QString& codec, int width, int height);
QVariantMap aacSettings();
QVariantMap linearPCMSettings();
