#pragma once

#include <QObject>

class EnginePage;
class PermissionRequest;
class PermissionsAhead;

// A page's permission requests answered by the permission policy as the configuration reads at
// that moment, and what each document of the main frame gets before it asks.
// Runs on the GUI thread; a child of the page, so it goes with it.
class PermissionAnswers : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PermissionAnswers)

public:
    explicit PermissionAnswers(EnginePage *page);

private:
    static void onPermissionRequested(PermissionRequest &request);
    static void onPermissionsAheadNeeded(PermissionsAhead &request);
};
