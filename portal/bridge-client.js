// The page side of lumen's bridge, shared by every page of the portal: numbered requests
// through callQML, replies through qtQueryCallback, pushes through qtSlots, and the log panel
// (an element with the id "bridge-log") that shows all three.
(function () {
    'use strict';

    var params = new URLSearchParams(window.location.search);
    // The shell sends replies and pushes to a window by name, and a page cannot ask which
    // window it is in: the opener puts the name in the address. The lobby is the start window.
    var name = params.get('name') || 'login';
    var nextId = 1;
    var replyHandlers = {};
    var pushHandlers = [];
    var maxLogEntries = 250;
    var marks = { request: '\u2192', reply: '\u2190', push: '\u21d0', note: '\u2022', error: '!' };

    function timeText() {
        return new Date().toTimeString().slice(0, 8);
    }

    // An entry with a key replaces the previous entry of the same key, so that a running
    // download takes one line instead of a hundred.
    function log(kind, text, key) {
        var list = document.getElementById('bridge-log');
        if (!list)
            return;
        var last = list.lastElementChild;
        var entry = last && key && last.dataset.key === key ? last : document.createElement('li');
        entry.className = 'log-' + kind;
        entry.dataset.key = key || '';
        entry.innerHTML = '';
        [['log-time', timeText()], ['log-mark', marks[kind] || ''], ['log-text', text]]
            .forEach(function (part) {
                var span = document.createElement('span');
                span.className = part[0];
                span.textContent = part[1];
                entry.appendChild(span);
            });
        if (entry !== last)
            list.appendChild(entry);
        while (list.children.length > maxLogEntries)
            list.removeChild(list.firstElementChild);
        list.scrollTop = list.scrollHeight;
    }

    function available() {
        return typeof window.callQML === 'function';
    }

    // Sends one request; onReply gets "successMsg" of every reply that carries this request's
    // id (a request with both "Open" and "Load" is answered twice).
    function request(fields, onReply) {
        var id = name + '-' + nextId++;
        var text = JSON.stringify(fields);
        if (!available()) {
            log('error', 'not inside lumen, not sent: ' + text);
            return id;
        }
        if (onReply)
            replyHandlers[id] = onReply;
        log('request', '#' + id + ' ' + text);
        window.callQML(name, id, text);
        return id;
    }

    function describePush(push) {
        var text = JSON.stringify(push);
        var download = push !== null && typeof push === 'object' && 'Download' in push;
        return { text: text, key: download ? 'download:' + push.Download : '' };
    }

    window.qtQueryCallback = function (reply) {
        log('reply', '#' + reply.id + ' ' + reply.status + ': ' + reply.successMsg);
        var handler = replyHandlers[reply.id];
        if (handler)
            handler(reply.successMsg, reply);
    };

    window.qtSlots = function (push) {
        var described = describePush(push);
        log('push', described.text, described.key);
        pushHandlers.forEach(function (handler) {
            handler(push);
        });
    };

    // A window list as the shell writes it: "[a,b]", names unquoted.
    function parseWindowList(text) {
        var inner = String(text).replace(/^\[|\]$/g, '');
        return inner ? inner.split(',') : [];
    }

    // The absolute address of a portal page, for requests that open or load one.
    function pageUrl(path, query) {
        var url = new URL(path, window.location.href);
        Object.keys(query || {}).forEach(function (key) {
            url.searchParams.set(key, query[key]);
        });
        return url.href;
    }

    window.Bridge = {
        name: name,
        params: params,
        available: available,
        request: request,
        onPush: function (handler) {
            pushHandlers.push(handler);
        },
        log: log,
        parseWindowList: parseWindowList,
        pageUrl: pageUrl
    };

    // Pages load this script at the end of their body, after the log panel.
    var clear = document.querySelector('[data-clear-log]');
    if (clear)
        clear.addEventListener('click', function () {
            document.getElementById('bridge-log').innerHTML = '';
        });
    log('note', available() ? 'this page speaks for window "' + name + '"'
                            : 'not inside lumen: requests are shown but not sent');
})();
