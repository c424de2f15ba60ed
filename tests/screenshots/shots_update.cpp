#include <QMessageBox>

#include "app/update/update_alert.h"
#include "shots.h"

namespace {
const shots::Registrar update_alert("update_alert", [] {
    return static_cast<QWidget*>(update::show_alert(nullptr, 1.0f, 1.1f, [](int) {}));
});
}  // namespace
