// What the browser would do on its own with the player's input, held back in
// every frame before any listener of the page: its shortcuts (reload, zoom,
// developer tools, print, save, find, history...) and its context menu, unless
// the shell let menus of that kind (menusLet, set by the engine in this world
// before this script). The page still gets every key and click: only the
// browser's default action is stopped. The main frame's copy tells the engine
// what only the document sees, each from an event the browser made: the
// player's click, the page's window taking the focus or losing it, the element
// filling the screen or leaving it, the pointer let go. <select> lists show inside the
// page: the browser's own list is a window of its own, which it places as if
// its window were not embedded.
(function () {
    var apply = Reflect.apply;
    var preventDefault = Event.prototype.preventDefault;
    var addListener = EventTarget.prototype.addEventListener;
    var closest = Element.prototype.closest;
    var mainFrame = window.top === window;
    var report = bridgeTransport.report;

    function on(target, type, listener, options) {
        apply(addListener, target, [type, function (event) {
            if (event.isTrusted)
                listener(event);
        }, options || true]);
    }
    function stop(event) {
        apply(preventDefault, event, []);
    }

    // The browser's accelerators of an app window, by the keys' names: letters as the layout
    // names them, other keys by where they are.
    var accelerators = {};
    [
        'F1', 'F3', 'F5', 'F6', 'F7', 'F10', 'F11', 'F12', 'BrowserBack', 'BrowserForward',
        'BrowserRefresh', 'BrowserHome', 'BrowserSearch', 'BrowserFavorites', 'BrowserStop',
        'shift+F3', 'shift+F5', 'shift+F6', 'ctrl+F4', 'ctrl+F5', 'ctrl+F6', 'ctrl+shift+F5',
        'alt+ArrowLeft', 'alt+ArrowRight', 'alt+Home', 'alt+F4', 'alt+f', 'alt+e', 'alt+d',
        'alt+shift+i', 'alt+shift+a', 'ctrl+r', 'ctrl+shift+r', 'ctrl+w', 'ctrl+shift+w',
        'ctrl+n', 'ctrl+shift+n', 'ctrl+t', 'ctrl+shift+t', 'ctrl+q', 'ctrl+shift+q', 'ctrl+s',
        'ctrl+p', 'ctrl+shift+p', 'ctrl+f', 'ctrl+g', 'ctrl+shift+g', 'ctrl+u', 'ctrl+o',
        'ctrl+h', 'ctrl+j', 'ctrl+d', 'ctrl+shift+d', 'ctrl+l', 'ctrl+e', 'ctrl+k', 'ctrl+m',
        'ctrl+shift+m', 'ctrl+shift+b', 'ctrl+shift+o', 'ctrl+shift+a', 'ctrl+shift+i',
        'ctrl+shift+j', 'ctrl+shift+c', 'ctrl+shift+k', 'ctrl+shift+l', 'ctrl+shift+Delete',
        'ctrl+Tab', 'ctrl+shift+Tab', 'ctrl+PageUp', 'ctrl+PageDown', 'ctrl+shift+PageUp',
        'ctrl+shift+PageDown', 'ctrl+Equal', 'ctrl+shift+Equal', 'ctrl+Minus', 'ctrl+shift+Minus',
        'ctrl+Digit0', 'ctrl+NumpadAdd', 'ctrl+NumpadSubtract', 'ctrl+Numpad0'
    ].forEach(function (name) { accelerators[name] = true; });
    for (var tab = 1; tab <= 9; ++tab)
        accelerators['ctrl+Digit' + tab] = accelerators['alt+Digit' + tab] = true;

    function keyName(event) {
        var key = event.key;
        var name = key.length === 1 && key.toLowerCase() !== key.toUpperCase()
            ? key.toLowerCase() : event.code;
        return (event.ctrlKey || event.metaKey ? 'ctrl+' : '') + (event.altKey ? 'alt+' : '')
            + (event.shiftKey ? 'shift+' : '') + name;
    }
    on(window, 'keydown', function (event) {
        if (accelerators[keyName(event)] === true)
            stop(event);
    });
    // Zooming with the wheel, and the mouse's back and forward buttons.
    on(window, 'wheel', function (event) {
        if (event.ctrlKey)
            stop(event);
    }, { capture: true, passive: false });
    on(window, 'mouseup', function (event) {
        if (event.button === 3 || event.button === 4)
            stop(event);
    });

    var Target = { page: 1, link: 2, media: 4, selection: 8, editable: 16 };
    function menuTargets(event) {
        var element = event.target instanceof Element ? event.target : null;
        var targets = Target.page;
        if (element && apply(closest, element, ['a[href], area[href]']))
            targets |= Target.link;
        if (element && apply(closest, element, ['img, video, audio, canvas']))
            targets |= Target.media;
        if (String(window.getSelection()) !== '')
            targets |= Target.selection;
        if (element && (element.isContentEditable
                || apply(closest, element, ['input, textarea'])))
            targets |= Target.editable;
        return targets;
    }
    on(window, 'contextmenu', function (event) {
        if (menusLet.indexOf(menuTargets(event)) < 0)
            stop(event);
    });

    var style = document.createElement('style');
    style.textContent = '@layer lumen-engine { select, ::picker(select) '
        + '{ appearance: base-select !important; } }';
    function keepStyle() {
        if (!style.isConnected && document.documentElement)
            document.documentElement.prepend(style);
    }
    new MutationObserver(keepStyle).observe(document, { childList: true, subtree: true });
    keepStyle();

    if (!mainFrame)
        return;
    var pageOrigin = location.origin;
    on(window, 'pointerdown', function () { report(['click']); });
    on(window, 'focus', function (event) {
        if (event.target === window)
            report(['focus']);
    });
    // The browser lets the pointer go when its window loses the focus.
    on(window, 'blur', function (event) {
        if (event.target === window)
            report(['unlocked']);
    });
    // Who asked: the document whose element fills the screen, when the bridge can know it.
    function fullScreenOrigin(element) {
        while (element && (element.tagName === 'IFRAME' || element.tagName === 'FRAME')) {
            try {
                element = element.contentDocument.fullscreenElement;
            } catch (error) {
                return '';
            }
            if (!element)
                return '';
        }
        return element ? element.ownerDocument.location.origin : pageOrigin;
    }
    // Escape leaves full screen through the shell, which puts the window back first: the
    // browser's own leaving would tell the game so while it still has the screen's size. A
    // locked pointer is the browser's to give back on Escape. The browser keeps the key only
    // while its window fills the screen.
    function holdEscape() {
        if (!navigator.keyboard)
            return;
        if (!document.pointerLockElement)
            navigator.keyboard.lock(['Escape']).catch(function () {});
        else
            navigator.keyboard.unlock();
    }
    // Asked ahead: the browser holds the key from the moment its window fills the screen.
    holdEscape();
    on(document, 'fullscreenchange', function () {
        var element = document.fullscreenElement;
        report(['fullscreen', element !== null, element ? fullScreenOrigin(element) : '']);
    });
    on(document, 'pointerlockchange', function () {
        holdEscape();
        if (!document.pointerLockElement)
            report(['unlocked']);
    });
})();
