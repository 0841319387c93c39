#pragma once

// A portal page that asks the shell through the bridge as soon as it has
// loaded; the answer makes it request "/ready" from the server that served
// it. The dispatcher answers the window GetVersion names: the page must be in
// the window "login", as the program's first page is.
inline constexpr char answeringPortalPage[] = R"(<!doctype html><html><body><script>
window.qtQueryCallback = function (reply) {
    if (reply.id === 'startup')
        fetch('/ready', { cache: 'no-store' });
};
window.addEventListener('load', function () {
    callQML('login', 'startup', '{"GetVersion":"login"}');
});
</script>portal</body></html>)";
