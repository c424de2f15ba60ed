#include "app/table/items_model.h"

#include <algorithm>

#include "engine/run_task_obj.h"

ItemsModel::ItemsModel(QObject* parent) : QAbstractTableModel(parent) {}

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

void ItemsModel::append(std::shared_ptr<Run_task_obj> row)
{
    const int at_end = static_cast<int>(items_.size());
    beginInsertRows(QModelIndex(), at_end, at_end);
    items_.append(std::move(row));
    endInsertRows();
    emit items_changed();
}

void ItemsModel::remove_rows(QList<int> positions)
{
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    bool removed = false;
    // From the back, so that the positions still ahead stay valid.
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
        const int row = *it;
        if (row < 0 || row >= items_.size())
            continue;
        beginRemoveRows(QModelIndex(), row, row);
        items_.removeAt(row);
        endRemoveRows();
        removed = true;
    }
    if (removed)
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
    default:
        return {};
    }
}
