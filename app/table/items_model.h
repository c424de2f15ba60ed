#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <memory>

class My_Image;
class Run_task_obj;

// The list pane's rows (`items`) in table order, one column. Every append and removal is
// announced when it happens; reload() is dataChanged over all rows, which keeps the
// selection and the current row. Main thread only.
class ItemsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // What a cell shows, one role per field.
    enum Role {
        RowRole = Qt::UserRole + 1,  // the Run_task_obj itself (std::shared_ptr in a QVariant)
        NameRole,
        ThumbnailRole,               // QImage
        DurationRole,
        InfoRole,
        MediaTypeRole,
        StatusTextRole,              // also the tool tip
        StatusIconRole,              // QImage
        ProgressRole,                // percent, 0 to 100; -200 for a row without a job
        ProgressVisibleRole,         // bool: shown while exporting and once cancelled
    };

    // The status icons come from images, which must outlive the model.
    explicit ItemsModel(const My_Image& images, QObject* parent = nullptr);

    const QList<std::shared_ptr<Run_task_obj>>& items() const { return items_; }
    std::shared_ptr<Run_task_obj> at(int row) const;
    // Position of the row by identity; -1 when it is not listed.
    int index_of(const Run_task_obj* row) const;

    void append(std::shared_ptr<Run_task_obj> row);
    // Appends the rows at the end, in their order, as one insertion.
    void append(const QList<std::shared_ptr<Run_task_obj>>& rows);
    // Removes the rows at these positions (any order, duplicates ignored).
    void remove_rows(QList<int> positions);
    void reload();
    void reload_row(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

signals:
    // After every append or removal (the list observer).
    void items_changed();

private:
    QVariant status_data(const Run_task_obj& row, int role) const;

    const My_Image& images_;
    QList<std::shared_ptr<Run_task_obj>> items_;
};

Q_DECLARE_METATYPE(std::shared_ptr<Run_task_obj>)
