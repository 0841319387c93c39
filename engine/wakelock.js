// The screen wake lock, which the engine refuses on its own, asked of the shell: run at document
// creation in every frame, in the page's own world, before any script of the page. A request or
// a release goes to the main frame as a message; the bridge's world there (wakelockrelay.js)
// hands it to the shell with the origin the engine set on the message, and answers the frame
// that asked. As in browsers, a hidden document gets no lock and loses those it holds, and a frame
// of another site needs its frame's allow="screen-wake-lock".
(function () {
    if (!window.WakeLock || !window.WakeLockSentinel)
        return;
    var marker = '__lumenWakeLock';
    var answerMarker = '__lumenWakeLockAnswer';
    var topWindow = window.top;
    var asked = new Map();
    var states = new WeakMap();
    var held = new Set();

    function post(what, lock) {
        var message = {};
        message[marker] = [what, lock];
        topWindow.postMessage(message, '*');
    }
    function refusal(text) {
        return new DOMException(text, 'NotAllowedError');
    }

    function Sentinel() {
        throw new TypeError('Illegal constructor');
    }
    Sentinel.prototype = Object.create(WakeLockSentinel.prototype, {
        constructor: { value: WakeLockSentinel },
        released: { get: function () { return states.get(this).released; } },
        type: { get: function () { return 'screen'; } },
        onrelease: {
            get: function () { return states.get(this).handler; },
            set: function (handler) {
                var state = states.get(this);
                if (state.handler)
                    this.removeEventListener('release', state.handler);
                state.handler = typeof handler === 'function' ? handler : null;
                if (state.handler)
                    this.addEventListener('release', state.handler);
            }
        },
        release: {
            value: function release() {
                var state = states.get(this);
                if (!state.released) {
                    state.released = true;
                    held.delete(this);
                    post('release', state.lock);
                    this.dispatchEvent(new Event('release'));
                }
                return Promise.resolve();
            }
        }
    });

    function lockName() {
        var words = crypto.getRandomValues(new Uint32Array(4));
        return Array.prototype.map.call(words, function (word) { return word.toString(16); })
            .join('-');
    }

    WakeLock.prototype.request = function request(type) {
        if (String(type) !== 'screen') {
            return Promise.reject(new TypeError("The provided value '" + type
                + "' is not a valid enum value of type WakeLockType."));
        }
        if (!document.featurePolicy.allowsFeature('screen-wake-lock')) {
            return Promise.reject(
                refusal('Access to Screen Wake Lock features is disallowed by permissions policy'));
        }
        if (document.hidden)
            return Promise.reject(refusal('The requesting page is not visible'));
        var lock = lockName();
        return new Promise(function (resolve, reject) {
            asked.set(lock, function (granted) {
                if (!granted || document.hidden) {
                    if (granted)
                        post('release', lock);
                    reject(refusal('Wake Lock permission request denied'));
                    return;
                }
                var sentinel = Reflect.construct(EventTarget, [], Sentinel);
                states.set(sentinel, { lock: lock, released: false, handler: null });
                held.add(sentinel);
                resolve(sentinel);
            });
            post('request', lock);
        });
    };

    window.addEventListener('message', function (event) {
        var data = event.data;
        if (event.source !== topWindow || data === null || typeof data !== 'object'
                || !Array.isArray(data[answerMarker]))
            return;
        event.stopImmediatePropagation();
        var answer = asked.get(data[answerMarker][0]);
        asked.delete(data[answerMarker][0]);
        if (answer)
            answer(data[answerMarker][1] === true);
    }, true);

    document.addEventListener('visibilitychange', function () {
        if (document.hidden)
            held.forEach(function (sentinel) { sentinel.release(); });
    });
})();
