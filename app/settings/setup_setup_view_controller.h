#pragma once

#include "app/settings/pane_view_controller.h"

class QCheckBox;

// The general pane: keep the source's folder path below the output folder.
class Setup_setup_ViewController : public PaneViewController {
    Q_OBJECT
public:
    explicit Setup_setup_ViewController(QWidget* parent = nullptr);

    // On: the source's directory path is re-created below the output folder.
    QCheckBox* is_add_rawpath_button = nullptr;
};
