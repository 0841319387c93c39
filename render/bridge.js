// The shell's side of the bridge in the page. The engine runs it at document
// creation in every frame, before any script of the page, in a script world
// of its own (the engine's transport, bridgeTransport, and gestureSecret
// beside it: see EngineSettings): the page shares the document with it but
// none of its variables, and only this world of the main frame reaches the
// native end. There it takes the calls every frame's callQML posts to the
// main frame and hands them to the native end with the caller's origin as
// the engine set it on the message, and this document's own origin: the
// native end judges the documents that called, never the address the window
// happens to show while its old page still runs. Every frame tells the main
// frame when the player clicks or types in it, so the shell knows whom a
// popup or a pointer lock the engine reports came from. Those messages carry
// gestureSecret, made anew by the engine for each run and known only to this
// world's copies: no page can speak for the player.
var marker = '__lumenBridgeCall';
var gestureMarker = '__lumenGesture';
var pageOrigin = location.origin;
var topWindow = window.top;

// Taken before any script of the page runs: nothing a page does later
// changes what the bridge reads off a message.
var apply = Reflect.apply;
var isArray = Array.isArray;
function messageField(name) {
    return Object.getOwnPropertyDescriptor(MessageEvent.prototype, name).get;
}
var dataOf = messageField('data');
var originOf = messageField('origin');
var sourceOf = messageField('source');
var stopImmediatePropagation = Event.prototype.stopImmediatePropagation;
var preventDefault = Event.prototype.preventDefault;
var now = performance.now.bind(performance);
var later = window.setTimeout.bind(window);
var min = Math.min;

// Every window's calls share one queue of the engine on their way to the
// shell: a page calling in a tight loop would hold up the others. Past a
// burst, a page's calls leave at a bounded pace, still in order; a page
// answering each reply with its next call never gets near it. The shell takes
// a call in at a cost that grows with its size: a call costs a token more per
// KiB it carries, and one dearer than the burst leaves on a full bucket.
function paced(send) {
    var burst = 500;
    var perMillisecond = 10;
    var tokens = burst;
    var refilledAt = now();
    var waiting = [];
    var next = 0;
    var timer = null;

    function cost(call) {
        var characters = 0;
        for (var i = 0; i < call.length; ++i)
            characters += call[i].length;
        return 1 + (characters >> 10);
    }
    function takeTokens(call) {
        var time = now();
        tokens = min(burst, tokens + (time - refilledAt) * perMillisecond);
        refilledAt = time;
        var price = cost(call);
        if (tokens < min(price, burst))
            return false;
        tokens -= price;
        return true;
    }
    function release() {
        timer = null;
        while (next < waiting.length && takeTokens(waiting[next]))
            send(waiting[next++]);
        if (next < waiting.length) {
            timer = later(release, 1);
        } else {
            waiting = [];
            next = 0;
        }
    }
    return function (call) {
        if (next === waiting.length && takeTokens(call)) {
            send(call);
            return;
        }
        waiting.push(call);
        if (timer === null)
            timer = later(release, 1);
    };
}

function text(value) {
    return typeof value === 'string' ? value : '';
}

function fromOwnPage(source) {
    try {
        return source !== null && source.top === window;
    } catch (error) {
        return false;
    }
}

// A click or key counts this long, as browsers count user activation.
var gestureSpan = 5000;

// The engine marks what the player did: no script can make such an event.
function onPlayerGesture(tell) {
    ['pointerdown', 'keydown', 'touchend'].forEach(function (type) {
        window.addEventListener(type, function (event) {
            if (event.isTrusted)
                tell();
        }, true);
    });
}

// Whether the player clicked or typed in this document last: recently, and
// the focus has not gone to another document (another frame, or away from
// the window) since.
var actedAt = null;
onPlayerGesture(function () { actedAt = now(); });
window.addEventListener('blur', function (event) {
    if (event.isTrusted && event.target === window)
        actedAt = null;
}, true);
function playerActedHereLast() {
    return actedAt !== null && now() - actedAt < gestureSpan;
}

// What the main frame's copy of this world hears from every frame's
// (tellMainFrame): where the player clicked or typed last, kept for the
// engine to ask, and which document kept the pointer lock, told to the
// native end once it is reached.
var lastGesture = null;
var lockKept = function () {};
function noteInMainFrame(origin, what) {
    if (what === 'gesture')
        lastGesture = { origin: origin, at: now() };
    else if (what === 'locked')
        lockKept(origin);
}

// Only to the main frame's origin as it was when this frame was made: a
// document of no origin may have no copy of this world to take the secret.
var ancestors = location.ancestorOrigins;
var topOrigin = ancestors.length ? ancestors[ancestors.length - 1] : 'null';
function tellMainFrame(what) {
    if (topWindow === window) {
        noteInMainFrame(pageOrigin, what);
        return;
    }
    if (topOrigin === 'null')
        return;
    var message = { what: what };
    message[gestureMarker] = gestureSecret;
    topWindow.postMessage(message, topOrigin);
}
onPlayerGesture(function () { tellMainFrame('gesture'); });

// The engine asks the shell about a pointer lock without saying which frame
// wants it, and gives it to that frame: a document the player did not act in
// last lets it go before its page hears of it.
window.addEventListener('pointerlockchange', function (event) {
    if (!document.pointerLockElement)
        return;
    if (playerActedHereLast()) {
        tellMainFrame('locked');
        return;
    }
    apply(stopImmediatePropagation, event, []);
    document.exitPointerLock();
    document.dispatchEvent(new Event('pointerlockerror'));
}, true);

// Copying needs the player's click or key in this very document, as browsers
// ask of document.execCommand('copy'), even while the engine lets the page's
// script write to the clipboard; and, as for the clipboard API, a frame of
// another site needs its frame's allow="clipboard-write". A copy event held
// back writes nothing. The player's own copy from the keyboard, which the
// engine makes a moment after the keys, is always theirs to make.
var activation = navigator.userActivation;
var framePolicy = document.featurePolicy;
var copyKeysAt = null;
window.addEventListener('keydown', function (event) {
    if (event.isTrusted && (event.ctrlKey || event.metaKey)
            && (/^[cx]$/i.test(event.key) || event.key === 'Insert'))
        copyKeysAt = now();
}, true);
function playerCopies() {
    return copyKeysAt !== null && now() - copyKeysAt < 1000;
}
['copy', 'cut'].forEach(function (type) {
    window.addEventListener(type, function (event) {
        if (playerCopies() || activation.isActive && framePolicy.allowsFeature('clipboard-write'))
            return;
        apply(preventDefault, event, []);
        apply(stopImmediatePropagation, event, []);
    }, true);
});

function listen() {
    var bridge = null;

    // Asked by the engine, in this world only, when a popup or a pointer lock
    // comes: the document the player clicked or typed in last.
    bridgeTransport.offerGestures(function () {
        return {
            page: pageOrigin,
            origin: lastGesture ? lastGesture.origin : '',
            age: lastGesture ? now() - lastGesture.at : -1
        };
    });
    var pending = [];

    function send(call) {
        bridge.callQML(call[0], call[1], call[2], call[3], pageOrigin);
    }

    // Calls made before the native end is reached wait for it, in order.
    bridgeTransport.connect(function (endpoint) {
        bridge = endpoint;
        lockKept = function (origin) { bridge.pointerLockKept(origin); };
        pending.forEach(send);
        pending = null;
    });

    var sendOrQueue = paced(function (call) {
        if (bridge)
            send(call);
        else
            pending.push(call);
    });

    // Registered before any listener of the page: bridge traffic stops here.
    window.addEventListener('message', function (event) {
        var data = apply(dataOf, event, []);
        if (data === null || typeof data !== 'object')
            return;
        var gesture = data[gestureMarker] === gestureSecret;
        if (!gesture && !isArray(data[marker]))
            return;
        apply(stopImmediatePropagation, event, []);
        if (!fromOwnPage(apply(sourceOf, event, [])))
            return;
        if (gesture) {
            noteInMainFrame(String(apply(originOf, event, [])), text(data.what));
            return;
        }
        var call = data[marker];
        sendOrQueue([text(call[0]), text(call[1]), text(call[2]),
                     String(apply(originOf, event, []))]);
    }, true);
}

if (topWindow === window)
    listen();
