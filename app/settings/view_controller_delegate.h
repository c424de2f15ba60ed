#pragma once

// What the settings column's Start and Stop ask of the list pane.
class ViewController_Delegate {
public:
    virtual ~ViewController_Delegate() = default;
    virtual void start_run() = 0;
    virtual void stop_run() = 0;
};
