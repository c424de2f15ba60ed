#include "app/table/add_order.h"

AddOrder::AddOrder(std::function<void(const Rows&)> append) : append_(std::move(append)) {}

quint64 AddOrder::begin() { return next_ticket_++; }

void AddOrder::deliver(quint64 ticket, const Rows& rows)
{
    pending_[ticket].rows += rows;
    flush();
}

void AddOrder::end(quint64 ticket)
{
    pending_[ticket].ended = true;
    flush();
}

void AddOrder::flush()
{
    for (auto it = pending_.find(turn_); it != pending_.end(); it = pending_.find(turn_)) {
        if (!it->second.rows.isEmpty()) {
            const Rows rows = std::exchange(it->second.rows, {});
            append_(rows);
        }
        if (!it->second.ended)
            return;
        pending_.erase(it);
        ++turn_;
    }
}
