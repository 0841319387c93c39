import QtQuick 2.15
import QtWebEngine 1.10

// The page of one browser. Its events go to the native browser object, host.
WebEngineView {
    anchors.fill: parent

    onLoadingChanged: host.onLoadingChanged(loadRequest.status, loadRequest.errorDomain,
                                            loadRequest.errorCode, loadRequest.errorString,
                                            loadRequest.url)
    // Nothing is opened unless the request is accepted.
    onNewViewRequested: host.onNewViewRequested(request.requestedUrl)
    onContextMenuRequested: request.accepted = host.onContextMenuRequested(request)
    onWindowCloseRequested: host.onWindowCloseRequested()
    // The load fails; the administrator's switch keeps the engine from asking.
    onCertificateError: host.onCertificateError(error)
    onRenderProcessTerminated: host.onRenderProcessTerminated(terminationStatus)
    // Links of the shell's own pages are commands to the shell, never addresses.
    onNavigationRequested: {
        if (host.onShellLink(request.url))
            request.action = WebEngineNavigationRequest.IgnoreRequest
    }
    // The engine keeps no log, the pages' console included.
    onJavaScriptConsoleMessage: {}
}
