#pragma once

#include <QStringList>

#include <functional>

class QFileDialog;
class QObject;
class QWidget;
class QWindow;

// A page's file input: the desktop's file dialog over the page's window,
// starting in the player's home (never the program's folder), offering the
// kinds of file the input accepts first. An empty list is a cancel.
// Runs on the GUI thread.
class FileChooser
{
public:
    enum class Mode { Open, OpenMultiple, Folder, Save };

    FileChooser() = delete;

    // Modal to the view's window; returns once the player chose.
    static QStringList choose(QWidget *view, Mode mode, const QStringList &acceptedTypes);
    // Kept over window (one of another program, say) and waiting for nothing: chosen is told
    // once the player chose, unless context went first; the dialog goes with context.
    static void open(QWindow *window, Mode mode, const QStringList &acceptedTypes,
        const QObject *context, const std::function<void(const QStringList &)> &chosen);

private:
    static QFileDialog *make(QWidget *parent, Mode mode, const QStringList &acceptedTypes);
    // "Accepted files (*.png *.jpg)" for ".png", "image/jpeg" or "image/*"
    // entries; empty when the input accepts anything.
    static QString acceptedFilter(const QStringList &acceptedTypes);
};
