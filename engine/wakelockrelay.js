// The screen wake locks of the page's frames (wakelock.js), taken in the main frame's copy of the
// bridge's world: each goes to the shell with the origin the engine set on its message, never one
// the page names, and a request is answered to the frame that asked.
(function () {
    if (window.top !== window)
        return;
    var marker = '__lumenWakeLock';
    var endpoint = null;
    var waiting = [];
    var connect = bridgeTransport.connect;
    bridgeTransport.connect = function (ready) {
        connect(function (found) {
            endpoint = found;
            waiting.forEach(function (send) { send(); });
            waiting = null;
            ready(found);
        });
    };

    takeFrameMessages(marker, function (values, event) {
        var source = event.source;
        var origin = event.origin;
        var what = String(values[0]);
        var lock = String(values[1]);
        function send() {
            endpoint.screenWakeLock(what, lock, origin, function (granted) {
                if (what === 'request' && source)
                    source.postMessage({ __lumenWakeLockAnswer: [lock, granted === true] }, '*');
            });
        }
        if (endpoint)
            send();
        else
            waiting.push(send);
    });
})();
