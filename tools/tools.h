#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

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

    // Screen queries read the screens afresh on every call. "Now" queries take the cursor
    // position from the scene and answer for the screen under it; the others for the primary
    // screen. With no screen at all, rectangles are empty and zoom factors 1.
    Q_INVOKABLE int getMouseDesktopInt(const QPoint &mouse) const;
    Q_INVOKABLE QRect getDesktopRect() const;
    Q_INVOKABLE QRect getNowDesktopRect(const QPoint &mouse) const;
    Q_INVOKABLE QRect getAvailableRect() const;
    Q_INVOKABLE QRect getNowAvailableRect(const QPoint &mouse) const;
    Q_INVOKABLE double getZoomFactor() const;
    Q_INVOKABLE double getNowZoomFactor(const QPoint &mouse) const;

    Q_INVOKABLE int getDesktopWidth() const { return getDesktopRect().width(); }
    Q_INVOKABLE int getDesktopHeight() const { return getDesktopRect().height(); }
    Q_INVOKABLE int getDesktopX() const { return getDesktopRect().x(); }
    Q_INVOKABLE int getDesktopY() const { return getDesktopRect().y(); }
    Q_INVOKABLE int getNowDesktopWidth(const QPoint &mouse) const
    {
        return getNowDesktopRect(mouse).width();
    }
    Q_INVOKABLE int getNowDesktopHeight(const QPoint &mouse) const
    {
        return getNowDesktopRect(mouse).height();
    }
    Q_INVOKABLE int getNowDesktopX(const QPoint &mouse) const
    {
        return getNowDesktopRect(mouse).x();
    }
    Q_INVOKABLE int getNowDesktopY(const QPoint &mouse) const
    {
        return getNowDesktopRect(mouse).y();
    }
    Q_INVOKABLE int getAvailableWidth() const { return getAvailableRect().width(); }
    Q_INVOKABLE int getAvailableHeight() const { return getAvailableRect().height(); }
    Q_INVOKABLE int getAvailableX() const { return getAvailableRect().x(); }
    Q_INVOKABLE int getAvailableY() const { return getAvailableRect().y(); }
    Q_INVOKABLE int getNowAvailableWidth(const QPoint &mouse) const
    {
        return getNowAvailableRect(mouse).width();
    }
    Q_INVOKABLE int getNowAvailableHeight(const QPoint &mouse) const
    {
        return getNowAvailableRect(mouse).height();
    }
    Q_INVOKABLE int getNowAvailableX(const QPoint &mouse) const
    {
        return getNowAvailableRect(mouse).x();
    }
    Q_INVOKABLE int getNowAvailableY(const QPoint &mouse) const
    {
        return getNowAvailableRect(mouse).y();
    }

    Q_INVOKABLE QPoint getMousePos() const;

    // Turns every file URL of the scene ("file:///", lower case only) into a local path.
    Q_INVOKABLE QString formatPath(const QString &path) const;
    Q_INVOKABLE QString getFileName(const QString &fullName) const;

signals:
    // Never emitted natively: the scene emits and receives them.
    void sgActive(const QString &objectName);
    void sgInactive();

private:
    Tools();
};
