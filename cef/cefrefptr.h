#pragma once

#include <QSharedPointer>

// Shared ownership of engine objects and of the program's engine-facing
// objects: the last holder to let go destroys the object.
template <typename T> using CefRefPtr = QSharedPointer<T>;
