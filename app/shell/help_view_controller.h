#pragma once

#include <QWidget>

class QLabel;

// The help window: two texts, what the application does and how to use it.
class Help_ViewController : public QWidget {
    Q_OBJECT
public:
    explicit Help_ViewController(QWidget* parent = nullptr);

    QLabel* text01 = nullptr;
    QLabel* test02 = nullptr;

private:
    void viewDidLoad();
};
