#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>

class QWebEnginePage;
class QWebEngineProfile;

// The engine's permission questions and the answers to them, in one shape whatever Qt the adapter
// is built against: Qt 6.8 replaced the page's feature permissions by QWebEnginePermission
// (permissionquestions_qt64.cpp, permissionquestions_qt68.cpp).
// Runs on the GUI thread.
class PermissionQuestions : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PermissionQuestions)

public:
    // What the engine asks for; what the adapter has no use for is Other.
    enum class Kind {
        Notifications,
        Geolocation,
        Microphone,
        Camera,
        MicrophoneAndCamera,
        PointerLock,
        ClipboardWrite,
        Other
    };

    struct Question
    {
        QUrl origin;
        Kind kind;
        // The engine's own name of what was asked, for the log.
        QString name;
        // Tells the engine; harmless once the page has gone.
        std::function<void(bool granted)> answer;
    };

    explicit PermissionQuestions(QObject *parent);

    // Every answer is kept for the run only, so the shell's policy of this run gives them all.
    static void keepAnswersForTheRun(QWebEngineProfile *profile);

    // The engine's page whose questions are reported; a page that takes an ended one's place
    // asks anew.
    void setPage(QWebEnginePage *page);
    // What origin gets for kind before it asks: the engine answers a page's question what a
    // request would get from what it was told.
    void answerAhead(const QUrl &origin, Kind kind, bool granted);

signals:
    void sgAsked(const PermissionQuestions::Question &question);

private:
    QPointer<QWebEnginePage> m_page;
};
