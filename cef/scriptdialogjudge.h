#pragma once

#include "cef/scriptdialogguard.h"

#include <QElapsedTimer>
#include <QObject>

class EnginePage;
class ScriptDialogRequest;

// Which of a page's script dialogs show, by the dialog guard's rules, over the whole life of the
// page's document: each new load starts with nothing held against the page.
// Runs on the GUI thread; a child of the page, so it goes with it.
class ScriptDialogJudge : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ScriptDialogJudge)

public:
    explicit ScriptDialogJudge(EnginePage *page);

private:
    void onRequested(ScriptDialogRequest &request);
    void onAnswered(bool stopDialogs);

    ScriptDialogGuard m_guard;
    QElapsedTimer m_clock;
};
