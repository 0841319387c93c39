#pragma once

#include <QStringList>
#include <QWebEnginePage>

class QWidget;

// A page's file input: the desktop's file dialog over the page's window,
// starting in the player's home (never the program's folder), offering the
// kinds of file the input accepts first. An empty list is a cancel.
// Runs on the GUI thread.
class FileChooser
{
public:
    FileChooser() = delete;

    static QStringList choose(
        QWidget *view, QWebEnginePage::FileSelectionMode mode, const QStringList &acceptedTypes);

private:
    // "Accepted files (*.png *.jpg)" for ".png", "image/jpeg" or "image/*"
    // entries; empty when the input accepts anything.
    static QString acceptedFilter(const QStringList &acceptedTypes);
};
