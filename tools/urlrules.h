#pragma once

#include <QUrl>

// Where pages may send the shell: the addresses a window may be made to load
// (Open, Load, Reload, the main URL, popups) and those the desktop's URL opener
// may be handed (OpenUrl). Everything else would give a page local files,
// script URLs or other programs' schemes.
// Pure; reentrant.
class UrlRules
{
public:
    // The address as a window loads the text (a bare host counts as http), or
    // an empty address when no window may go there. An empty text stays empty
    // and loads nothing.
    static QUrl navigationTarget(const QString &text);
    static bool mayNavigate(const QUrl &url);
    // Whether a page may take one of its frames there: web addresses, and
    // what the engine makes in the page (about:, data:, blob:). The engine
    // hands any other scheme to the desktop.
    static bool staysInEngine(const QUrl &url);
    // The address for the desktop, or an empty one when it may not go there.
    static QUrl desktopTarget(const QString &text);
};
