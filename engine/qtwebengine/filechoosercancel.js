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
