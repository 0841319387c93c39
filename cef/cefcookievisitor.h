#pragma once

class QNetworkCookie;

// Hears the cookies a cookie manager visits, one call per cookie.
class CefCookieVisitor
{
public:
    virtual ~CefCookieVisitor() = default;

    // count is the cookie's place among total, from 0. Setting deleteCookie
    // removes the cookie from the engine; returning false ends the visit.
    virtual bool Visit(const QNetworkCookie &cookie, int count, int total, bool &deleteCookie) = 0;
};
