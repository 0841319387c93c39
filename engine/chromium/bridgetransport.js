// The bridge's transport over the DevTools protocol: a binding the browser
// gives this script world alone, taken off the global object before any page
// script runs, and the bridge beside this script in one private scope. Every
// message names what it is; the browser adds which document's world sent it,
// and that, not the message, tells the shell the main frame's origin. The
// engine asks for the player's gestures by running lumenGestures() in this
// world.
var bridgeTransport = (function (native) {
    var stringify = JSON.stringify;
    function tell(message) {
        if (native)
            native(stringify(message));
    }
    return {
        connect: function (ready) {
            ready({
                callQML: function (name, id, request, origin) {
                    tell(['call', name, id, request, origin]);
                },
                pointerLockKept: function (origin) {
                    tell(['lock', origin]);
                }
            });
        },
        offerGestures: function (report) {
            window.lumenGestures = report;
        }
    };
})((function () {
    var native = window[bindingName];
    delete window[bindingName];
    return native;
})());
