// What the page's frames post to the main frame for the shell, taken in the main frame's copy of
// the bridge's world before the page sees it: handle(values, event) gets the message's list under
// its marker. A message the page made up itself (an event it dispatched, not one posted) carries
// no origin of the engine's, and is dropped.
function takeFrameMessages(marker, handle) {
    window.addEventListener('message', function (event) {
        var data = event.data;
        if (!event.isTrusted || data === null || typeof data !== 'object'
                || !Array.isArray(data[marker]))
            return;
        event.stopImmediatePropagation();
        handle(data[marker], event);
    }, true);
}
