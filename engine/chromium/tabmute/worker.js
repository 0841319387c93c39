// The shell mutes a page's tab by its target's id, which only the debugger's list of targets ties
// to the tab: the mute is Chromium's own, for every frame's sound and every kind of it.
function lumenMuteTarget(targetId, muted) {
    return chrome.debugger.getTargets().then(function (targets) {
        var target = targets.find(function (candidate) { return candidate.id === targetId; });
        if (!target || target.tabId === undefined)
            return false;
        return chrome.tabs.update(target.tabId, { muted: muted }).then(function () { return true; });
    });
}
