// The page side of the script bridge. The engine host runs it at document
// creation in every frame, before any script of the page, inside a function
// that also holds the channel client (QWebChannel): the page sees callQML and
// nothing else of it. The engine host names the native end (channelObjectName).
// Sub-frames have no channel of their own: they hand their calls to the main
// frame of their page as messages carrying this key. The main frame passes on
// the sender's origin as the engine set it on the message; the native end
// decides whether that origin may use the bridge.
var marker = '__lumenBridgeCall';
var topWindow = window.top;

// Taken before any script of the page runs: a page redefining these later
// must not change what the bridge reads off a message.
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
// answering each reply with its next call never gets near it.
function paced(send) {
    var burst = 500;
    var perMillisecond = 10;
    var tokens = burst;
    var refilledAt = now();
    var waiting = [];
    var next = 0;
    var timer = null;

    function takeToken() {
        var time = now();
        tokens = min(burst, tokens + (time - refilledAt) * perMillisecond);
        refilledAt = time;
        if (tokens < 1)
            return false;
        tokens -= 1;
        return true;
    }
    function release() {
        timer = null;
        while (next < waiting.length && takeToken())
            send(waiting[next++]);
        if (next < waiting.length) {
            timer = later(release, 1);
        } else {
            waiting = [];
            next = 0;
        }
    }
    return function (call) {
        if (next === waiting.length && takeToken()) {
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

function mainFrameSender() {
    var bridge = null;
    var pending = [];

    function send(call) {
        bridge.callQML(call[0], call[1], call[2], call[3]);
    }

    // Calls made before the channel is up wait for it, in order.
    new QWebChannel(window.qt.webChannelTransport, function (channel) {
        bridge = channel.objects[channelObjectName];
        pending.forEach(send);
        pending = null;
    });

    // Registered before any listener of the page: bridge traffic stops here.
    window.addEventListener('message', function (event) {
        var data = apply(dataOf, event, []);
        if (data === null || typeof data !== 'object' || !isArray(data[marker]))
            return;
        apply(stopImmediatePropagation, event, []);
        if (!fromOwnPage(apply(sourceOf, event, [])))
            return;
        var call = data[marker];
        sendOrQueue([text(call[0]), text(call[1]), text(call[2]),
                     String(apply(originOf, event, []))]);
    }, true);

    var sendOrQueue = paced(function (call) {
        if (bridge)
            send(call);
        else
            pending.push(call);
    });
    return sendOrQueue;
}

function subFrameSender() {
    return function (call) {
        var message = {};
        message[marker] = call;
        topWindow.postMessage(message, '*');
    };
}

var forward = topWindow === window ? mainFrameSender() : subFrameSender();

window.callQML = function (name, id, request) {
    if (arguments.length !== 3)
        return undefined;
    // The main frame's own calls carry no origin: the native end takes the
    // page's address from the engine.
    forward([text(name), text(id), text(request), '']);
    return 0;
};
