#include "configtool/settinglisting.h"

#include "app/configkeys.h"

#include <QSettings>
#include <QTextStream>
#include <QVector>

namespace {

// Base64 length of the shortest whole number of cipher blocks that is not shorter than length.
int cipherTextLength(int length)
{
    int blocks = 1;
    while (4 * ((16 * blocks + 2) / 3) < length)
        ++blocks;
    return 4 * ((16 * blocks + 2) / 3);
}

bool isCipherOfName(const QString &text)
{
    return ConfigKeys::encrypt(ConfigKeys::decrypt(text)) == text;
}

// Puts `missing` slashes into the gaps from `gap` on, every way in turn; head is the stored key
// up to that gap with its slashes put back. Returns the first whole key that is the encryption
// of a name, or an empty text.
QString restoreSlashes(
    const QString &stored, const QVector<int> &gaps, int gap, int missing, const QString &head)
{
    const bool last = gap == gaps.size() - 1;
    for (int count = last ? missing : 0; count <= missing; ++count) {
        QString text = head + QString(count, QLatin1Char('/'));
        if (last)
            return isCipherOfName(text) ? text : QString();
        text += QStringView(stored).mid(gaps.at(gap), gaps.at(gap + 1) - gaps.at(gap));
        const QString restored = restoreSlashes(stored, gaps, gap + 1, missing - count, text);
        if (!restored.isEmpty())
            return restored;
    }
    return QString();
}

// The settings store reads "/" in a key as a group separator: it drops leading and trailing
// ones and folds runs into one, so an encrypted name holding such slashes comes back shorter
// than it was written. Lookups still work (they are folded the same way), but a listing needs
// the real cipher text: the stored key with the lost slashes put back, the one way of doing so
// that gives the encryption of a name. Empty when there is none.
QString cipherTextOfKey(const QString &stored)
{
    // Slashes can have been lost at the start, next to every slash left and at the end.
    QVector<int> gaps { 0 };
    for (int i = 0; i < stored.size(); ++i) {
        if (stored.at(i) == QLatin1Char('/'))
            gaps.append(i + 1);
    }
    gaps.append(stored.size());
    return restoreSlashes(stored, gaps, 0, cipherTextLength(stored.size()) - stored.size(), {});
}

} // namespace

SettingListing::SettingListing(QTextStream &err)
    : m_err(err)
{
}

void SettingListing::read(const QString &file)
{
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(ConfigKeys::settingGroup());
    const QStringList keys = settings.allKeys();
    for (const QString &key : keys) {
        const QString cipherText = cipherTextOfKey(key);
        const std::optional<QString> value
            = ConfigKeys::decryptChecked(settings.value(key).toString());
        if (cipherText.isEmpty())
            m_err << "lumen_config: skipped " << ConfigKeys::settingGroup() << '/' << key
                  << ": not encrypted with the program's passphrase\n";
        else if (!value)
            m_err << "lumen_config: skipped " << ConfigKeys::decrypt(cipherText)
                  << ": its value cannot be decoded\n";
        else
            m_entries.insert(ConfigKeys::decrypt(cipherText), *value);
    }
}

const QMap<QString, QString> &SettingListing::entries() const
{
    return m_entries;
}
