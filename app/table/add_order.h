#pragma once

#include <QList>
#include <functional>
#include <map>
#include <memory>

class Run_task_obj;

// Several adds build their rows side by side, yet their rows reach the table in the order the
// adds began: a later add's rows wait until every earlier add has handed over all of its own.
// Main thread only.
class AddOrder {
public:
    using Rows = QList<std::shared_ptr<Run_task_obj>>;

    explicit AddOrder(std::function<void(const Rows&)> append);

    // A new add; its ticket.
    quint64 begin();
    // Rows of the add, in their order.
    void deliver(quint64 ticket, const Rows& rows);
    // The add has handed over all of its rows.
    void end(quint64 ticket);

private:
    struct Pending {
        Rows rows;
        bool ended = false;
    };
    void flush();

    std::function<void(const Rows&)> append_;
    quint64 next_ticket_ = 0;
    quint64 turn_ = 0;  // the oldest add that has not ended
    std::map<quint64, Pending> pending_;
};
