#pragma once

#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QString>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "app/shell/main_window.h"
#include "app/table/items_model.h"
#include "app/table/open_file_panel.h"
#include "app/table/view_controller.h"
#include "app_env.h"
#include "engine/one_exporter.h"
#include "engine/run_task_obj.h"
#include "support/support.h"

namespace tabletest {

// The real main window in its own home, with the list pane at hand.
struct TableWindow {
    apptest::AppEnv env;
    MainWindow window;
    ViewController* list = window.split()->list_pane();

    int rows() const { return list->items_model->rowCount(); }
    std::shared_ptr<Run_task_obj> row(int i) const { return list->items_model->at(i); }
    QVariant data(int row, int role) const { return list->items_model->index(row, 0).data(role); }

    // Waits until every add in progress has ended (the busy indicator is hidden again).
    bool wait_added() const
    {
        return testsupport::pump_until([this] { return list->wj_load->isHidden(); });
    }
    // Adds the URLs as the add button or a drop would, and waits for the rows.
    bool add(const QList<QUrl>& urls) const
    {
        list->add_file_urls(urls);
        return wait_added();
    }
    // The import alert on screen, if any.
    QMessageBox* alert() const
    {
        for (QMessageBox* box : window.findChildren<QMessageBox*>())
            if (box->isVisible())
                return box;
        return nullptr;
    }
    // Builds a row of a fixture on this thread and appends it, as the add worker would.
    std::shared_ptr<Run_task_obj> append_fixture(const std::string& name) const
    {
        auto row = std::make_shared<Run_task_obj>(QUrl::fromLocalFile(QString::fromStdString(testsupport::fixture(name))));
        row->set_state(EnumState::read());
        list->items_model->append(row);
        return row;
    }
};

// A copy of a fixture under a new name (a real media file wherever the test needs one).
inline QUrl copy_fixture(const std::string& fixture, const std::string& to)
{
    const QString target = QString::fromStdString(to);
    EXPECT_TRUE(QFile::copy(QString::fromStdString(testsupport::fixture(fixture)), target)) << to;
    return QUrl::fromLocalFile(target);
}

// Answers the add button as the user would have: with these entries, or cancelled.
class ChosenPanel : public OpenFilePanel {
public:
    explicit ChosenPanel(std::optional<QList<QUrl>> answer) : answer_(std::move(answer)) {}
    std::optional<QList<QUrl>> run(QWidget*) override { return answer_; }

private:
    std::optional<QList<QUrl>> answer_;
};

inline QString file_name_of(const std::shared_ptr<Run_task_obj>& row) { return row->in_file_obj.fileName(); }

}  // namespace tabletest
