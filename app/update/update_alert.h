#pragma once

#include <QString>
#include <functional>

class QMessageBox;
class QWidget;

// The alert that offers a newer version.
namespace update {

// The answers, by button: go to the product page, skip this version, decide later.
inline constexpr int kGoToUpdateAnswer = 1000;
inline constexpr int kSkipAnswer = 1001;

// The window an alert attaches to: the shown main window, else another shown window of the
// application; null when none is shown.
QWidget* first_window();

// Shows the alert window-modal on the window (open(), no nested event loop). answered gets
// the code of the button the user clicked; nothing when the alert closes otherwise.
QMessageBox* show_alert(QWidget* window, float own_version, float store_version,
                        std::function<void(int)> answered);

}  // namespace update
