// The shell's side of the bridge in the page. The engine host runs it at
// document creation in every frame, before any script of the page, in a
// script world of its own beside the channel client (QWebChannel): the page
// shares the document with it but none of its variables, and only this
// world of the main frame has the channel. There it takes the calls every
// frame's callQML posts to the main frame and hands them to the native end
// with the caller's origin as the engine set it on the message, and this
// document's own origin: the native end judges the documents that called,
// never the address the window happens to show while its old page still
// runs. Every frame tells the main frame when the player clicks or types in
// it, so the shell knows whom a popup the engine reports came from.
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

// A popup needs the player's click or key within the last seconds, as
// browsers count user activation.
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

function listen() {
    var bridge = null;
    var gestures = [];

    function noteGesture(origin) {
        var time = now();
        gestures = gestures.filter(function (gesture) { return time - gesture[1] < gestureSpan; });
        gestures.push([origin, time]);
    }

    // Asked by the engine host, in this world only, when a popup comes.
    window.lumenGestures = function () {
        var time = now();
        return {
            page: pageOrigin,
            origins: gestures.filter(function (gesture) { return time - gesture[1] < gestureSpan; })
                .map(function (gesture) { return gesture[0]; })
        };
    };
    onPlayerGesture(function () { noteGesture(pageOrigin); });
    var pending = [];

    function send(call) {
        bridge.callQML(call[0], call[1], call[2], call[3], pageOrigin);
    }

    // Calls made before the channel is up wait for it, in order.
    new QWebChannel(window.qt.webChannelTransport, function (channel) {
        bridge = channel.objects[channelObjectName];
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
        var gesture = data[gestureMarker] === 1;
        if (!gesture && !isArray(data[marker]))
            return;
        apply(stopImmediatePropagation, event, []);
        if (!fromOwnPage(apply(sourceOf, event, [])))
            return;
        if (gesture) {
            noteGesture(String(apply(originOf, event, [])));
            return;
        }
        var call = data[marker];
        sendOrQueue([text(call[0]), text(call[1]), text(call[2]),
                     String(apply(originOf, event, []))]);
    }, true);
}

// The file input the page last opened, in this frame. The engine tells no
// input that its chooser was cancelled; the engine host asks this world of
// the main frame to, as current browsers do.
var fileInputOpened = null;
window.addEventListener('click', function (event) {
    var target = event.target;
    if (target instanceof HTMLInputElement && target.type === 'file')
        fileInputOpened = target;
}, true);
window.lumenFileChooserCancelled = function () {
    if (fileInputOpened && fileInputOpened.isConnected)
        fileInputOpened.dispatchEvent(new Event('cancel', { bubbles: true }));
    fileInputOpened = null;
};

if (topWindow === window) {
    listen();
} else {
    onPlayerGesture(function () {
        var message = {};
        message[gestureMarker] = 1;
        topWindow.postMessage(message, '*');
    });
}
