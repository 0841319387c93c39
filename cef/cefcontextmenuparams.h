#pragma once

// What a context menu was opened on, as CefContextMenuTypeFlags.
class CefContextMenuParams
{
public:
    explicit CefContextMenuParams(int typeFlags)
        : m_typeFlags(typeFlags)
    {
    }

    int typeFlags() const { return m_typeFlags; }

private:
    int m_typeFlags;
};
