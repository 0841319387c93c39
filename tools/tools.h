#pragma once

#include <QObject>

// Desktop utilities the scene reaches as cppTool.
// Runs on the GUI thread; the static text-cipher members are re-entrant and callable anywhere.
// Lives until process exit: instance() creates it on first use, without parent, and nothing
// deletes it.
class Tools : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(Tools)

public:
    static Tools *instance();

    // For the configuration store; deliberately not invokable from the scene.
    static QString encryptText(const QString &text, const QString &passphrase);
    static QString decryptText(const QString &text, const QString &passphrase);

private:
    Tools();
};
