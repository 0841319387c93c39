#pragma once

#include <QMap>
#include <QString>

class QTextStream;

// The page settings of settings files, decrypted, as lumen_config lists them. An entry that is
// not the program's (a name not encrypted with its passphrase, a value that does not decode) is
// skipped with a line on the error stream.
class SettingListing
{
    Q_DISABLE_COPY(SettingListing)

public:
    explicit SettingListing(QTextStream &err);

    // Adds the page settings of file; those of a file read later replace those read before.
    void read(const QString &file);
    // By name.
    const QMap<QString, QString> &entries() const;

private:
    QTextStream &m_err;
    QMap<QString, QString> m_entries;
};
