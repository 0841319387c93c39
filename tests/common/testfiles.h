#pragma once

#include <QByteArray>

class QString;

// A file's whole content; empty when it cannot be read.
QByteArray fileBytes(const QString &path);

// Writes content to path, making the folders on the way.
bool writeFile(const QString &path, const QByteArray &content);
