// The page's side of the bridge: the one function the page sees, callQML. The
// engine host runs it at document creation in every frame, before any script
// of the page, in the page's own script world. A call goes to the main frame
// of the page as a message carrying this key; the bridge, in a script world
// of its own the page cannot reach, takes it from there with the sender's
// origin as the engine set it on the message. A page can therefore send
// nothing the bridge would not take from any other script of the same
// document, and it cannot speak for another document.
(function () {
    var marker = '__lumenBridgeCall';
    var topWindow = window.top;

    function text(value) {
        return typeof value === 'string' ? value : '';
    }

    window.callQML = function (name, id, request) {
        if (arguments.length !== 3)
            return undefined;
        var message = {};
        message[marker] = [text(name), text(id), text(request)];
        // A page that replaces postMessage only silences its own calls.
        topWindow.postMessage(message, '*');
        return 0;
    };
})();
