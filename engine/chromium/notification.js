// Notifications, which the browser would show on its own, shown by the shell as the built-in
// engine's are: run at document creation in every frame, in the page's own world, before any
// script of the page. A notification the browser would allow goes to the main frame as a message;
// the bridge's world there (notificationrelay.js) hands it to the shell with the origin the
// browser set on the message, and the shell shows it only if it grants that origin notifications.
(function () {
    var Native = window.Notification;
    if (!Native)
        return;
    var marker = '__lumenNotification';
    var topWindow = window.top;
    var states = new WeakMap();
    var later = window.setTimeout.bind(window);

    function Shown(title, options) {
        if (!new.target)
            throw new TypeError("Failed to construct 'Notification': Please use the 'new' "
                + "operator, this DOM object constructor cannot be called as a function.");
        if (arguments.length < 1)
            throw new TypeError("Failed to construct 'Notification': 1 argument required, but "
                + "only 0 present.");
        var given = options || {};
        var notification = Reflect.construct(EventTarget, [], new.target);
        var state = { title: String(title), handlers: {} };
        ['body', 'tag', 'icon', 'lang'].forEach(function (name) {
            state[name] = given[name] === undefined ? '' : String(given[name]);
        });
        state.data = given.data === undefined ? null : given.data;
        states.set(notification, state);
        var shown = Native.permission === 'granted';
        if (shown) {
            var message = {};
            message[marker] = [state.title, state.body];
            topWindow.postMessage(message, '*');
        }
        later(function () { notification.dispatchEvent(new Event(shown ? 'show' : 'error')); }, 0);
        return notification;
    }

    var members = {
        constructor: { value: Shown, writable: true, configurable: true },
        close: {
            value: function close() { this.dispatchEvent(new Event('close')); },
            writable: true,
            configurable: true
        }
    };
    ['title', 'body', 'tag', 'icon', 'lang', 'data'].forEach(function (name) {
        members[name] = { get: function () { return states.get(this)[name]; }, configurable: true };
    });
    ['show', 'error', 'close', 'click'].forEach(function (type) {
        members['on' + type] = {
            get: function () { return states.get(this).handlers[type] || null; },
            set: function (handler) {
                var handlers = states.get(this).handlers;
                if (handlers[type])
                    this.removeEventListener(type, handlers[type]);
                handlers[type] = typeof handler === 'function' ? handler : null;
                if (handlers[type])
                    this.addEventListener(type, handlers[type]);
            },
            configurable: true
        };
    });
    Shown.prototype = Object.create(EventTarget.prototype, members);
    Object.defineProperty(Shown, 'permission', {
        get: function () { return Native.permission; },
        configurable: true
    });
    Shown.requestPermission = function requestPermission() {
        return Native.requestPermission.apply(Native, arguments);
    };
    Object.defineProperty(window, 'Notification', {
        value: Shown,
        writable: true,
        configurable: true
    });
})();
