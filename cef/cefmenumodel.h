#pragma once

// The items a context menu is about to show: the engine's defaults until a
// handler clears them, and an empty menu is not shown at all.
class CefMenuModel
{
public:
    bool isEmpty() const { return m_cleared; }
    void clear() { m_cleared = true; }

private:
    bool m_cleared = false;
};
