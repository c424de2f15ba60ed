#pragma once

#include <QWidget>

class QCheckBox;

// The general pane: keep the source's folder path below the output folder.
class Setup_setup_ViewController : public QWidget {
    Q_OBJECT
public:
    explicit Setup_setup_ViewController(QWidget* parent = nullptr);

    QCheckBox* is_add_rawpath_button = nullptr;
};
