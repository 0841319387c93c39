// The notifications of the page's frames (notification.js), taken in the main frame's copy of the
// bridge's world: each goes to the shell with the origin the browser set on its message, never
// one the page names.
(function () {
    if (window.top !== window)
        return;
    takeFrameMessages('__lumenNotification', function (values, event) {
        bridgeTransport.report(['notification', String(values[0]), String(values[1]), event.origin]);
    });
})();
