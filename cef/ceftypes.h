#pragma once

// The engine's constants that the program's handlers act on. The values are
// the ones the handlers were written against; keep them.

// The side of the bridge a process message goes to.
enum CefProcessId {
    PID_BROWSER,
    PID_RENDERER,
};

// What a context menu was opened on; a menu may carry several.
enum CefContextMenuTypeFlags {
    CM_TYPEFLAG_NONE = 0,
    CM_TYPEFLAG_PAGE = 1 << 0,
    CM_TYPEFLAG_FRAME = 1 << 1,
    CM_TYPEFLAG_LINK = 1 << 2,
    CM_TYPEFLAG_MEDIA = 1 << 3,
    CM_TYPEFLAG_SELECTION = 1 << 4,
    CM_TYPEFLAG_EDITABLE = 1 << 5,
};

enum CefPluginPolicy {
    PLUGIN_POLICY_ALLOW = 0,
    PLUGIN_POLICY_BLOCK = 2,
};

enum CefContentSetting {
    CONTENT_SETTING_ALLOW = 1,
    CONTENT_SETTING_BLOCK = 2,
};
