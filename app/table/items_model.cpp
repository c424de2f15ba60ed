#include "app/table/items_model.h"

#include <algorithm>

#include "app/table/status_text.h"
#include "engine/media_info_text.h"
#include "engine/my_image.h"
#include "engine/one_exporter.h"
#include "engine/run_task_obj.h"

ItemsModel::ItemsModel(const My_Image& images, QObject* parent) : QAbstractTableModel(parent), images_(images) {}

std::shared_ptr<Run_task_obj> ItemsModel::at(int row) const
{
    return row >= 0 && row < items_.size() ? items_[row] : nullptr;
}

int ItemsModel::index_of(const Run_task_obj* row) const
{
    if (!row)
        return -1;
    for (int i = 0; i < items_.size(); ++i)
        if (items_[i].get() == row)
            return i;
    return -1;
}

void ItemsModel::append(std::shared_ptr<Run_task_obj> row) { append(QList<std::shared_ptr<Run_task_obj>>{std::move(row)}); }

void ItemsModel::append(const QList<std::shared_ptr<Run_task_obj>>& rows)
{
    if (rows.isEmpty())
        return;
    const int at_end = static_cast<int>(items_.size());
    beginInsertRows(QModelIndex(), at_end, at_end + static_cast<int>(rows.size()) - 1);
    items_.append(rows);
    endInsertRows();
    emit items_changed();
}

void ItemsModel::remove_rows(QList<int> positions)
{
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    positions.removeIf([this](int row) { return row < 0 || row >= items_.size(); });
    // From the back, one run of neighbouring rows at a time, so that the positions still
    // ahead stay valid and a large selection is one removal rather than thousands.
    qsizetype end = positions.size();
    while (end > 0) {
        qsizetype begin = end - 1;
        while (begin > 0 && positions[begin - 1] == positions[begin] - 1)
            --begin;
        const int first = positions[begin];
        const int last = positions[end - 1];
        beginRemoveRows(QModelIndex(), first, last);
        items_.remove(first, last - first + 1);
        endRemoveRows();
        end = begin;
    }
    if (!positions.isEmpty())
        emit items_changed();
}

void ItemsModel::reload()
{
    if (!items_.isEmpty())
        emit dataChanged(index(0, 0), index(static_cast<int>(items_.size()) - 1, 0));
}

void ItemsModel::reload_row(int row)
{
    if (row >= 0 && row < items_.size())
        emit dataChanged(index(row, 0), index(row, 0));
}

int ItemsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

int ItemsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 1; }

QVariant ItemsModel::data(const QModelIndex& index, int role) const
{
    const std::shared_ptr<Run_task_obj> row = at(index.row());
    if (!row)
        return {};
    switch (role) {
    case RowRole:
        return QVariant::fromValue(row);
    case Qt::DisplayRole:
    case NameRole:
        return row->name;
    case ThumbnailRole:
        return row->thumbnail;
    case InfoRole:
        return row->info;
    case MediaTypeRole:
        return row->mediaType;
    default:
        return status_data(*row, role);
    }
}

// The fields that come from the row's job; a row without one shows no duration, no status
// and no bar.
QVariant ItemsModel::status_data(const Run_task_obj& row, int role) const
{
    const OneExporter* job = row.out_Ex.get();
    if (role == ProgressRole)
        return job ? progress_percent(job->out_progress) : -200.0;
    if (!job)
        return role == ProgressVisibleRole ? QVariant(false) : QVariant();
    const int status = job->status;
    switch (role) {
    case DurationRole:
        return duration_text(job->raw_duration);
    case StatusTextRole:
    case Qt::ToolTipRole:
        return state_text_icon(status, *job, images_).first;
    case StatusIconRole:
        return state_text_icon(status, *job, images_).second.value_or(QImage());
    case ProgressVisibleRole:
        return status == 2 || status == 5;
    default:
        return {};
    }
}
