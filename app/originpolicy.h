#pragma once

#include <QStringList>
#include <QVector>

class QUrl;

// Which documents may drive the shell. Trusted are the portal's own site (the
// configured domain's host and its subdomains, on http or https, any port) and
// the administrator's further entries: a site ("partner.example", the same
// way), an exact origin ("https://games.partner.example:8443"), or "*" for
// every origin. Opaque origins are never trusted, whatever the entries say.
// A value: pure, copied freely.
class OriginPolicy
{
public:
    // domain: the portal's, as configured (host with an optional port).
    OriginPolicy(const QString &domain, const QStringList &entries);
    // From the program's configuration.
    static OriginPolicy configured();

    // url: a document's address or a serialised origin ("http://host:port", "null").
    bool trusts(const QUrl &url) const;
    // "scheme://host[:port]", or "null" for an opaque origin.
    static QString originOf(const QUrl &url);

private:
    struct Entry
    {
        QString scheme; // empty: http and https
        QString host;
        int port = -1; // -1: any
        bool subdomains = false;
    };
    static Entry siteEntry(const QString &host);
    static Entry entryFrom(const QString &text);
    static bool matches(const Entry &entry, const QUrl &url);

    QVector<Entry> m_entries;
    bool m_everyOrigin = false;
};
