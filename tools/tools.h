#pragma once

#include <QList>
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
    // The zoom factor of the screen under the mouse for sizes in Qt's units, which Qt scales by
    // the screen's pixel ratio itself.
    double getNowWindowZoomFactor(const QPoint &mouse) const;

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

    // Process names are executable file names ("lumen_render"), compared ignoring case; a name
    // with a directory never matches a running process.
    Q_INVOKABLE void quitApp();
    // The new instance starts while this one is still leaving its event loop.
    Q_INVOKABLE void restartApp();
    // Starts the installer, or opens the portal's download page when it cannot; quits either way.
    Q_INVOKABLE void reinstall();
    // True without starting anything when a process of that name runs; otherwise starts name
    // detached, with name as its single argument, and answers whether it started. A name without
    // a directory is looked up on the program search path.
    Q_INVOKABLE bool startProcess(const QString &name);
    // For names from pages: name is a file in the program folder, or in the download folder
    // (the executable suffix appended). A name that leads out of its folder is refused with a log
    // line and nothing starts.
    Q_INVOKABLE void startLocalProcess(const QString &name);
    // Only a complete download starts; with sha256 (hex) given, or made mandatory by the
    // administrator, only a file of that SHA-256.
    Q_INVOKABLE bool startUpdate(const QString &name, const QString &sha256 = QString());
    // Kills every process of that name at once, this process last.
    Q_INVOKABLE void killProcess(const QString &process);
    // Mutes or unmutes the pages of every browser that exists now; later ones start with sound.
    Q_INVOKABLE void setMute(bool silence);
    // Empty on processors without the identification instruction.
    Q_INVOKABLE QString getCpuID() const;
    Q_INVOKABLE QString getHostMacAddress() const;

    // pid receives the first match and may be null; pids is replaced by every match.
    bool findProcess(const QString &name, qint64 *pid) const;
    bool findProcesses(const QString &name, QList<qint64> *pids) const;
    // Removes the entry itself where path is a symbolic link, so that what is written there next
    // never lands at the link's target.
    void removeFile(const QString &path) const;

signals:
    // Never emitted natively: the scene emits and receives them.
    void sgActive(const QString &objectName);
    void sgInactive();
    // Handled at once, while the event loop still runs: the window manager closes every window.
    void sgCloseAllWindows();
    // The engine host mutes or unmutes every browser that exists now.
    void sgMuteBrowsers(bool muted);

private:
    Tools();

    // name inside folder, started; refused with a log line when it leads out of folder.
    bool startInside(const QString &folder, const QString &name, const QString &suffix);
};
