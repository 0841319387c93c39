#pragma once

#include <QObject>

class CefFrame;
class QJsonValue;

// The native end of callQML, the one object a page reaches through the
// channel. The channel offers a page every public member of it, inherited
// ones too: the bridge call is the only one that does anything.
// Runs on the GUI thread. Lives as long as its browser's channel.
class QCefV8Handler : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(QCefV8Handler)

public:
    QCefV8Handler(CefFrame *mainFrame, QObject *parent);

public slots:
    // Sends the bridge request message through the main frame; any argument
    // that is not a string counts as the empty string.
    void callQML(const QJsonValue &name, const QJsonValue &id, const QJsonValue &request);

protected:
    // A page may ask for deleteLater: it is refused.
    bool event(QEvent *event) override;

private:
    void keepEmptyName();

    CefFrame *m_mainFrame;
};
