#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

// Pictures of the application's windows for people to look at (scripts/screenshots.sh).
// Each area of the window registers its shots from a file of its own:
//   static const shots::Registrar r("table_rows", [] { ... return widget; });
// The widget returned is shown, given time to settle, grabbed and then deleted.
namespace shots {

struct Shot {
    QString name;
    std::function<QWidget*()> make;
};

std::vector<Shot>& all();

struct Registrar {
    Registrar(const QString& name, std::function<QWidget*()> make) { all().push_back({name, std::move(make)}); }
};

// Runs the event loop for a while, so that workers and the main queue can finish.
void settle(int milliseconds);

}  // namespace shots
