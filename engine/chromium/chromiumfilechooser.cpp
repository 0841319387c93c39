#include "engine/chromium/chromiumfilechooser.h"

#include "engine/chromium/devtoolspipe.h"
#include "engine/enginelog.h"
#include "engine/filechooser.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>
#include <QWindow>

namespace {

const QString kBackendNodeId = QStringLiteral("backendNodeId");

// What the input's accept attribute lists; the browser tells only whether it takes one file.
QStringList acceptedTypes(const QJsonObject &describedNode)
{
    const QJsonArray attributes = describedNode.value(QStringLiteral("node"))
                                      .toObject()
                                      .value(QStringLiteral("attributes"))
                                      .toArray();
    for (int i = 0; i + 1 < attributes.size(); i += 2) {
        if (attributes.at(i).toString().compare(QLatin1String("accept"), Qt::CaseInsensitive) == 0)
            return attributes.at(i + 1).toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
    }
    return {};
}

} // namespace

ChromiumFileChooser::ChromiumFileChooser(DevToolsPipe *pipe, QObject *parent)
    : QObject(parent)
    , m_pipe(pipe)
{
}

QJsonObject ChromiumFileChooser::interceptParams()
{
    return { { QStringLiteral("enabled"), true } };
}

// A chooser asked by a script of the page without an input (a file picker of its own) has no
// input to give the files to, and is left unanswered.
void ChromiumFileChooser::onOpened(
    const QJsonObject &params, const QString &sessionId, QWindow *window)
{
    if (!params.contains(kBackendNodeId)) {
        qCDebug(lcEngine) << "Chromium asks for files without an input: none are given";
        return;
    }
    const int input = params.value(kBackendNodeId).toInt();
    const QString frameId = params.value(QStringLiteral("frameId")).toString();
    const FileChooser::Mode mode
        = params.value(QStringLiteral("mode")).toString() == QLatin1String("selectMultiple")
        ? FileChooser::Mode::OpenMultiple
        : FileChooser::Mode::Open;
    QPointer<ChromiumFileChooser> self(this);
    QPointer<QWindow> over(window);
    m_pipe->send(QStringLiteral("DOM.describeNode"), { { kBackendNodeId, input } }, sessionId,
        [self, over, input, frameId, sessionId, mode](const QJsonObject &described) {
            if (!self)
                return;
            FileChooser::open(over, mode, acceptedTypes(described), self,
                [self, input, frameId, sessionId](const QStringList &files) {
                    if (files.isEmpty())
                        self->tellCancelled(input, frameId, sessionId);
                    else
                        self->setFiles(input, sessionId, files);
                });
        });
}

// The input tells the page of its new files itself, as after a chooser of the browser's own.
void ChromiumFileChooser::setFiles(
    int input, const QString &sessionId, const QStringList &files) const
{
    m_pipe->send(QStringLiteral("DOM.setFileInputFiles"),
        { { QStringLiteral("files"), QJsonArray::fromStringList(files) },
            { kBackendNodeId, input } },
        sessionId);
}

// The browser tells the input nothing of a chooser left unanswered; current browsers tell it a
// cancel, here from a world the page's scripts cannot change.
void ChromiumFileChooser::tellCancelled(
    int input, const QString &frameId, const QString &sessionId) const
{
    DevToolsPipe *pipe = m_pipe;
    const auto callOnInput = [pipe, sessionId](const QJsonObject &resolved) {
        const QString object = resolved.value(QStringLiteral("object"))
                                   .toObject()
                                   .value(QStringLiteral("objectId"))
                                   .toString();
        if (object.isEmpty())
            return;
        pipe->send(QStringLiteral("Runtime.callFunctionOn"),
            { { QStringLiteral("objectId"), object },
                { QStringLiteral("functionDeclaration"),
                    QStringLiteral("function () { this.dispatchEvent(new Event('cancel', { "
                                   "bubbles: true })); }") } },
            sessionId);
    };
    pipe->send(QStringLiteral("Page.createIsolatedWorld"),
        { { QStringLiteral("frameId"), frameId },
            { QStringLiteral("worldName"), QStringLiteral("lumen-file-chooser") } },
        sessionId, [pipe, input, sessionId, callOnInput](const QJsonObject &world) {
            const QJsonValue context = world.value(QStringLiteral("executionContextId"));
            if (!context.isUndefined())
                pipe->send(QStringLiteral("DOM.resolveNode"),
                    { { kBackendNodeId, input },
                        { QStringLiteral("executionContextId"), context } },
                    sessionId, callOnInput);
        });
}
