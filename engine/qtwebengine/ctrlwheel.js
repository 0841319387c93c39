// Ctrl and the wheel (and a touchpad's pinch, which the engine hands the page as such) would
// zoom the page, and the pages are the program's face, not documents. The page still gets the
// event; only its default, the zoom, is cancelled. Not passive: the engine then waits for the
// answer before it zooms.
window.addEventListener('wheel', function (event) {
    if (event.ctrlKey)
        event.preventDefault();
}, { capture: true, passive: false });
