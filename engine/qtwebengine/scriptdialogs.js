// The page's script dialogs, asked of the shell without holding up the
// engine. Runs at document creation in every frame, before any script of the
// page, in the page's own world (the dialog functions are the page's). The
// document waits for the player's answer in a synchronous request, as it
// would wait for the engine's own dialog; everything outside its renderer goes
// on. Where no such request can be made (the document is being unloaded),
// the engine's own dialog takes the call.
(function () {
    var scheme = 'lumen-dialog:';
    // Taken before any script of the page runs: nothing a page does later
    // changes how a dialog is asked.
    var Request = XMLHttpRequest;
    var apply = Reflect.apply;
    var open = Request.prototype.open;
    var send = Request.prototype.send;
    var responseText = Object.getOwnPropertyDescriptor(Request.prototype, 'responseText').get;
    var status = Object.getOwnPropertyDescriptor(Request.prototype, 'status').get;
    var encode = encodeURIComponent;
    var toText = String;
    var random = Math.random;
    var slice = String.prototype.slice;
    var engineDialogs = { alert: window.alert, confirm: window.confirm, prompt: window.prompt };

    function digits() {
        return apply(slice, toText(random()), [2]);
    }

    // Each request's own address: the shell tells requests apart by it.
    function address(kind, message, defaultText) {
        return scheme + kind + '?id=' + digits() + digits() + '&message=' + encode(message)
            + '&default=' + encode(defaultText);
    }

    // The reply: "1" and the text for an accepted dialog, "0" otherwise; null
    // when the shell could not be asked.
    function ask(kind, message, defaultText) {
        try {
            var request = new Request();
            apply(open, request, ['GET', address(kind, message, defaultText), false]);
            apply(send, request, []);
            if (apply(status, request, []) !== 200)
                return null;
            return apply(responseText, request, []);
        } catch (error) {
            return null;
        }
    }

    function messageOf(args) {
        return args.length > 0 ? toText(args[0]) : '';
    }

    window.alert = function alert() {
        if (ask('alert', messageOf(arguments), '') === null)
            apply(engineDialogs.alert, window, arguments);
    };
    window.confirm = function confirm() {
        var answer = ask('confirm', messageOf(arguments), '');
        if (answer === null)
            return apply(engineDialogs.confirm, window, arguments);
        return answer === '1';
    };
    window.prompt = function prompt() {
        var defaultText = arguments.length > 1 ? toText(arguments[1]) : '';
        var answer = ask('prompt', messageOf(arguments), defaultText);
        if (answer === null)
            return apply(engineDialogs.prompt, window, arguments);
        return answer[0] === '1' ? apply(slice, answer, [1]) : null;
    };
})();
