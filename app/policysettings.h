#pragma once

#include <QStringList>

class QVariant;

// The administrator's security settings of config.ini, in a group of their
// own ("Policy"), kept in plain text: they hold no secret (the page settings'
// passphrase is built into the program anyway), an administrator must be able
// to audit them, and pages cannot reach them (they write only the encrypted
// "Setting" group). Beside a read-only program the administrator's file gives
// the defaults and the user's file overrides it key by key.
// Reads the files on every call; cheap enough for the places that ask.
class PolicySettings
{
public:
    // The entry of the trusted origins that trusts every origin.
    static const QString everyOrigin;

    PolicySettings(const QString &filePath, const QString &defaultsPath = QString());
    // The program's own files.
    static PolicySettings program();

    // Origins trusted beside the portal's own site, as the administrator wrote them.
    QStringList trustedOrigins() const;
    bool addTrustedOrigin(const QString &origin);
    bool removeTrustedOrigin(const QString &origin);

    // Same-origin policy and mixed-content blocking; on unless turned off.
    bool webSecurity() const;
    bool setWebSecurity(bool on);
    // A certificate error fails the load unless the administrator lets it pass.
    bool ignoreCertificateErrors() const;
    bool setIgnoreCertificateErrors(bool ignore);
    // UpdateApp starts only a file whose SHA-256 the request gives and matches.
    bool updateHashRequired() const;
    bool setUpdateHashRequired(bool required);
    // Pages of trusted origins may use the microphone and the camera; off
    // unless turned on.
    bool voiceChat() const;
    bool setVoiceChat(bool on);

private:
    QVariant value(const QString &key, const QVariant &defaultValue) const;
    bool write(const QString &key, const QVariant &value);

    QString m_filePath;
    QString m_defaultsPath;
};
