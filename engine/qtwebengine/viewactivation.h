#pragma once

class QWidget;

// Makes the widgets count a view as the active window, though its window has a parent and the
// desktop never activates it (QtEnginePage::onActiveChanged).
class ViewActivation
{
public:
    static void activate(QWidget *view);
};
