// The bridge's transport over the DevTools protocol: a binding the browser
// gives this script world alone, taken off the global object as soon as it is
// there, and the bridge beside this script in one private scope. In a document
// of a new render process the binding may come a moment after this script
// runs: the native end counts as reached once it has. Every message names what
// it is; the browser adds which document's world sent it, and that, not the
// message, tells the shell the main frame's origin. The engine asks for the
// player's gestures by running lumenGestures() in this world, and answers a
// screen wake lock's message with lumenWakeLockAnswer(lock, granted).
var bridgeTransport = (function () {
    var stringify = JSON.stringify;
    var later = window.setTimeout.bind(window);
    var native = null;
    var wakeLockAnswers = new Map();

    function takeBinding() {
        if (native)
            return true;
        native = window[bindingName] || null;
        if (native)
            delete window[bindingName];
        return native !== null;
    }
    function tell(message) {
        native(stringify(message));
    }
    function whenBound(then) {
        if (takeBinding())
            then();
        else
            later(function () { whenBound(then); }, 10);
    }
    window.lumenWakeLockAnswer = function (lock, granted) {
        var answer = wakeLockAnswers.get(lock);
        wakeLockAnswers.delete(lock);
        if (answer)
            answer(granted);
    };
    return {
        connect: function (ready) {
            whenBound(function () {
                ready({
                    callQML: function (name, id, request, origin) {
                        tell(['call', name, id, request, origin]);
                    },
                    pointerLockKept: function (origin) {
                        tell(['lock', origin]);
                    },
                    screenWakeLock: function (what, lock, origin, answer) {
                        wakeLockAnswers.set(lock, answer);
                        tell(['wake', what, lock, origin]);
                    }
                });
            });
        },
        offerGestures: function (report) {
            window.lumenGestures = report;
        },
        // What the engine's own script in this world tells it (pageinput.js).
        report: function (message) {
            whenBound(function () { tell(message); });
        }
    };
})();
