#include "window/windowfollower.h"

#include "window/windowregistry.h"

#include <QWindow>

WindowFollower::WindowFollower(const WindowRegistry &registry, QObject *parent)
    : QObject(parent)
    , m_registry(registry)
{
}

void WindowFollower::setDragging(bool dragging)
{
    m_dragging = dragging;
}

void WindowFollower::track(const WindowRecord &record, QWindow *window)
{
    const QString name = record.objectName;
    connect(window, &QWindow::widthChanged, this,
        [this, name](int width) { onSizeChanged(name, Change::Width, width); });
    connect(window, &QWindow::heightChanged, this,
        [this, name](int height) { onSizeChanged(name, Change::Height, height); });
    connect(window, &QWindow::xChanged, this, [this, name] {
        if (!m_dragging)
            follow(name, Change::X);
    });
    connect(window, &QWindow::yChanged, this, [this, name] {
        if (!m_dragging)
            follow(name, Change::Y);
    });
}

void WindowFollower::onSizeChanged(const QString &name, Change change, int length)
{
    WindowRecord *record = m_registry.find(name);
    if (!record)
        return;
    if (change == Change::Width)
        record->size.setWidth(length);
    else
        record->size.setHeight(length);
    follow(name, change);
}

void WindowFollower::follow(const QString &name, Change change)
{
    WindowRecord *record = m_registry.find(name);
    if (!record || !record->window)
        return;
    if (const WindowRecord *father = m_registry.find(record->fatherName)) {
        if (change == Change::Width)
            record->margins.setRight(
                father->size.width() - record->offset.x() - record->size.width());
        if (change == Change::Height)
            record->margins.setBottom(
                father->size.height() - record->offset.y() - record->size.height());
    }
    const QWindow *window = record->window;
    const QStringList children = record->children;
    for (const QString &childName : children) {
        const WindowRecord *child = m_registry.find(childName);
        if (!child || !child->window)
            continue;
        switch (change) {
        case Change::X:
            child->window->setX(window->x() + child->offset.x());
            break;
        case Change::Y:
            child->window->setY(window->y() + child->offset.y());
            break;
        case Change::Width:
            child->window->setWidth(window->width() - child->margins.right() - child->offset.x());
            break;
        case Change::Height:
            child->window->setHeight(
                window->height() - child->margins.bottom() - child->offset.y());
            break;
        }
    }
}
