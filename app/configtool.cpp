#include "app/configtool.h"

#include "app/mvtconfig.h"
#include "app/policysettings.h"
#include "app/statelocations.h"
#include "app/textcipher.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSettings>
#include <QTextStream>
#include <QUrl>

namespace {

const QString kSettingGroup = QStringLiteral("Setting");
const QString kDebugKey = QStringLiteral("Browser/DebugEnable");
const QString kMainUrlName = QStringLiteral("MainUrl");
const QString kVersionName = QStringLiteral("AppVersion");

QString encrypt(const QString &text)
{
    return TextCipher::encrypt(text, MVTConfig::passphrase());
}

QString decrypt(const QString &text)
{
    return TextCipher::decrypt(text, MVTConfig::passphrase());
}

QString settingKey(const QString &name)
{
    return kSettingGroup + QLatin1Char('/') + encrypt(name);
}

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
    return encrypt(decrypt(text)) == text;
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

// What the program turns into "www." + domain + "/?v=" + version: a host with an optional port.
QString domainProblem(const QString &domain)
{
    static const QRegularExpression forbidden(QStringLiteral("[\\s/\\\\?#@]"));
    if (domain.isEmpty())
        return QStringLiteral("the domain is empty");
    if (domain.startsWith(QStringLiteral("www."), Qt::CaseInsensitive))
        return QStringLiteral("give the domain without \"www.\": the program adds it");
    const QUrl url(QStringLiteral("http://www.") + domain + QLatin1Char('/'), QUrl::StrictMode);
    if (domain.contains(forbidden) || !url.isValid() || url.host().isEmpty())
        return QStringLiteral("not a domain: %1 (expected a host name with an optional port, "
                              "such as corvela.example or corvela.localhost:8765)")
            .arg(domain);
    return QString();
}

} // namespace

ConfigTool::ConfigTool(const QString &defaultFile, QTextStream &out, QTextStream &err)
    : m_defaultFile(defaultFile)
    , m_systemFile(defaultFile)
    , m_out(out)
    , m_err(err)
{
}

ConfigTool::ConfigTool(const StateLocations &locations, QTextStream &out, QTextStream &err)
    : ConfigTool(locations.configFile(), out, err)
{
    m_systemFile = locations.programConfigFile();
    m_defaultsFile = locations.defaultsFile();
}

QString ConfigTool::usage()
{
    QString text = QStringLiteral("Usage: lumen_config [--file PATH] COMMAND [ARGUMENTS]\n"
                                  "\n"
                                  "Reads and writes lumen's config.ini with the program's own "
                                  "encryption.\n"
                                  "\n"
                                  "Commands:\n");
    // Descriptions start in one column; their further lines are indented to it.
    const int synopsisWidth = 20;
    const QString continuation = QLatin1Char('\n') + QString(synopsisWidth + 2, QLatin1Char(' '));
    for (const Command &command : commands()) {
        const QString description = QString(command.description).replace('\n', continuation);
        // A synopsis too long for its column puts its description on the next line.
        const QString gap = command.synopsis.size() < synopsisWidth
            ? QString(synopsisWidth - command.synopsis.size(), QLatin1Char(' '))
            : continuation;
        text += QStringLiteral("  ") + command.synopsis + gap + description + QLatin1Char('\n');
    }
    return text
        + QStringLiteral("\n"
                         "Options:\n"
                         "  --file PATH         the file to use (default: config.ini beside "
                         "lumen_config,\n"
                         "                      or the user's own one when that folder is "
                         "read-only)\n"
                         "  --system            use config.ini beside lumen_config: the "
                         "defaults of\n"
                         "                      every user\n"
                         "  -h, --help          show this text\n");
}

const QVector<ConfigTool::Command> &ConfigTool::commands()
{
    static const QVector<Command> table {
        { QStringLiteral("set-domain"), QStringLiteral("set-domain DOMAIN"),
            QStringLiteral("store the portal's domain without \"www.\" (corvela.example,\n"
                           "corvela.localhost:8765) and print the main URL"),
            1, Access::Write, &ConfigTool::setDomain },
        { QStringLiteral("url"), QStringLiteral("url"),
            QStringLiteral("print the main URL the program opens"), 0, Access::Read,
            &ConfigTool::showUrl },
        { QStringLiteral("debug"), QStringLiteral("debug on|off"),
            QStringLiteral("switch the program's debug logging"), 1, Access::Write,
            &ConfigTool::setDebug },
        { QStringLiteral("get"), QStringLiteral("get KEY"),
            QStringLiteral("print the page setting KEY, decrypted"), 1, Access::Read,
            &ConfigTool::getSetting },
        { QStringLiteral("set"), QStringLiteral("set KEY VALUE"),
            QStringLiteral("store the page setting KEY as the pages store it"), 2, Access::Write,
            &ConfigTool::setSetting },
        { QStringLiteral("list"), QStringLiteral("list"),
            QStringLiteral("print every page setting as KEY=VALUE, decrypted"), 0, Access::Read,
            &ConfigTool::listSettings },
        { QStringLiteral("trust"), QStringLiteral("trust ORIGIN"),
            QStringLiteral("let pages of ORIGIN use the shell besides the portal's own site:\n"
                           "a site (partner.example: it and its subdomains, http and\n"
                           "https, any port), an origin (https://games.partner.example:8443)\n"
                           "or * for every origin"),
            1, Access::Write, &ConfigTool::trust },
        { QStringLiteral("untrust"), QStringLiteral("untrust ORIGIN"),
            QStringLiteral("remove ORIGIN from the trusted origins"), 1, Access::Write,
            &ConfigTool::untrust },
        { QStringLiteral("trusted"), QStringLiteral("trusted"),
            QStringLiteral("print the trusted origins, the portal's site first"), 0, Access::Read,
            &ConfigTool::listTrusted },
        { QStringLiteral("web-security"), QStringLiteral("web-security on|off"),
            QStringLiteral("the pages' same-origin policy and mixed-content blocking\n"
                           "(Policy/WebSecurity, default on)"),
            1, Access::Write, &ConfigTool::setWebSecurity },
        { QStringLiteral("certificate-errors"), QStringLiteral("certificate-errors fail|ignore"),
            QStringLiteral("whether a certificate error fails the load\n"
                           "(Policy/IgnoreCertificateErrors, default fail)"),
            1, Access::Write, &ConfigTool::setCertificateErrors },
        { QStringLiteral("update-hash"), QStringLiteral("update-hash required|optional"),
            QStringLiteral("whether UpdateApp needs the file's Sha256\n"
                           "(Policy/UpdateHashRequired, default optional)"),
            1, Access::Write, &ConfigTool::setUpdateHash },
        { QStringLiteral("voice-chat"), QStringLiteral("voice-chat on|off"),
            QStringLiteral("whether pages of trusted origins may use the microphone\n"
                           "and the camera (Policy/VoiceChat, default off)"),
            1, Access::Write, &ConfigTool::setVoiceChat },
    };
    return table;
}

int ConfigTool::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    // A setting's value may begin with a dash.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption fileOption(QStringLiteral("file"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption systemOption(QStringLiteral("system"));
    const QCommandLineOption helpOption(
        QStringList { QStringLiteral("h"), QStringLiteral("help") });
    parser.addOption(fileOption);
    parser.addOption(systemOption);
    parser.addOption(helpOption);
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        m_out << usage();
        return 0;
    }

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("no command given"));
    m_file = parser.isSet(fileOption) ? parser.value(fileOption)
        : parser.isSet(systemOption)  ? m_systemFile
                                      : m_defaultFile;
    // Only the user's file is read over the administrator's.
    m_defaults = m_file == m_defaultFile ? m_defaultsFile : QString();
    const QString name = positional.takeFirst();
    for (const Command &command : commands()) {
        if (command.name == name)
            return execute(command, positional);
    }
    return usageError(QStringLiteral("unknown command: %1").arg(name));
}

int ConfigTool::execute(const Command &command, const QStringList &arguments)
{
    if (arguments.size() != command.argumentCount)
        return usageError(
            QStringLiteral("wrong arguments: lumen_config [--file PATH] %1").arg(command.synopsis));
    if (!fileUsable(command.access))
        return 1;
    return (this->*command.handler)(arguments);
}

// The settings store reads a missing or broken file as an empty one and would overwrite a file
// it cannot read: both are caught here, before anything is read or written.
bool ConfigTool::fileUsable(Access access)
{
    const QFileInfo file(m_file);
    if (!file.exists()) {
        if (access == Access::Read && !m_defaults.isEmpty() && QFileInfo::exists(m_defaults))
            return true;
        if (access == Access::Read) {
            fail(QStringLiteral("no such file: %1").arg(m_file));
            return false;
        }
        const QFileInfo folder(file.absolutePath());
        if (!folder.isDir() || !folder.isWritable()) {
            fail(QStringLiteral("cannot create %1: the folder is missing or not writable")
                     .arg(m_file));
            return false;
        }
        return true;
    }
    if (!file.isFile() || !file.isReadable()) {
        fail(QStringLiteral("cannot read %1: not a readable file").arg(m_file));
        return false;
    }
    if (access == Access::Write && !file.isWritable()) {
        fail(QStringLiteral("cannot write %1: the file is read-only").arg(m_file));
        return false;
    }
    if (QSettings(m_file, QSettings::IniFormat).status() != QSettings::NoError) {
        fail(QStringLiteral("cannot read %1: not a settings file").arg(m_file));
        return false;
    }
    return true;
}

int ConfigTool::setDomain(const QStringList &arguments)
{
    const QString domain = arguments.first();
    const QString problem = domainProblem(domain);
    if (!problem.isEmpty())
        return fail(QStringLiteral("set-domain: ") + problem);
    // Pages cannot write this entry, so the program's store refuses it: written here directly.
    if (!write(settingKey(kMainUrlName), encrypt(domain)))
        return 1;
    return showUrl({});
}

int ConfigTool::showUrl(const QStringList &)
{
    const MVTConfig config(m_file, m_defaults);
    if (!config.isSetUp())
        return fail(MVTConfig::notSetUpMessage());
    m_out << config.getMainUrl() << '\n';
    return 0;
}

int ConfigTool::setDebug(const QStringList &arguments)
{
    const QString state = arguments.first();
    if (state != QLatin1String("on") && state != QLatin1String("off"))
        return fail(QStringLiteral("debug: expected on or off, not %1").arg(state));
    if (!write(kDebugKey, state == QLatin1String("on")))
        return 1;
    m_out << "debug logging " << state << '\n';
    return 0;
}

int ConfigTool::getSetting(const QStringList &arguments)
{
    const QString name = arguments.first();
    if (name.isEmpty())
        return fail(QStringLiteral("get: the key is empty"));
    const MVTConfig config(m_file, m_defaults);
    if (!config.has(name))
        return fail(QStringLiteral("get: no setting %1 in %2").arg(name, m_file));
    m_out << config.get(name) << '\n';
    return 0;
}

int ConfigTool::setSetting(const QStringList &arguments)
{
    const QString name = arguments.at(0);
    if (name.isEmpty())
        return fail(QStringLiteral("set: the key is empty"));
    if (name == kMainUrlName)
        return fail(QStringLiteral("set: MainUrl holds the portal's domain: use set-domain"));
    if (name == kVersionName)
        return fail(QStringLiteral("set: AppVersion is built into the program"));
    MVTConfig(m_file).set(name, arguments.at(1));
    return 0;
}

int ConfigTool::listSettings(const QStringList &)
{
    QMap<QString, QString> entries;
    // The user's entries, read last, replace the administrator's.
    if (!m_defaults.isEmpty())
        readSettings(m_defaults, entries);
    readSettings(m_file, entries);
    for (auto entry = entries.cbegin(); entry != entries.cend(); ++entry)
        m_out << entry.key() << '=' << entry.value() << '\n';
    return 0;
}

int ConfigTool::trust(const QStringList &arguments)
{
    if (arguments.first().trimmed().isEmpty())
        return fail(QStringLiteral("trust: the origin is empty"));
    if (!PolicySettings(m_file).addTrustedOrigin(arguments.first().trimmed()))
        return fail(QStringLiteral("cannot write %1").arg(m_file));
    return listTrusted({});
}

int ConfigTool::untrust(const QStringList &arguments)
{
    if (!PolicySettings(m_file).removeTrustedOrigin(arguments.first().trimmed()))
        return fail(QStringLiteral("untrust: %1 is not among the trusted origins of %2")
                        .arg(arguments.first(), m_file));
    return listTrusted({});
}

int ConfigTool::listTrusted(const QStringList &)
{
    const QString domain = MVTConfig(m_file, m_defaults).get(kMainUrlName);
    if (!domain.isEmpty())
        m_out << domain << " (the portal's site)\n";
    const QStringList origins = PolicySettings(m_file, m_defaults).trustedOrigins();
    for (const QString &origin : origins)
        m_out << origin << '\n';
    return 0;
}

int ConfigTool::setWebSecurity(const QStringList &arguments)
{
    return setChoice(arguments.first(), { QStringLiteral("on"), QStringLiteral("off") },
        [](PolicySettings &settings, bool on) { return settings.setWebSecurity(on); });
}

int ConfigTool::setCertificateErrors(const QStringList &arguments)
{
    return setChoice(arguments.first(), { QStringLiteral("ignore"), QStringLiteral("fail") },
        [](PolicySettings &settings, bool ignore) {
            return settings.setIgnoreCertificateErrors(ignore);
        });
}

int ConfigTool::setUpdateHash(const QStringList &arguments)
{
    return setChoice(arguments.first(), { QStringLiteral("required"), QStringLiteral("optional") },
        [](PolicySettings &settings, bool required) {
            return settings.setUpdateHashRequired(required);
        });
}

// choices: the word for true, then the word for false.
int ConfigTool::setVoiceChat(const QStringList &arguments)
{
    return setChoice(arguments.first(), { QStringLiteral("on"), QStringLiteral("off") },
        [](PolicySettings &settings, bool on) { return settings.setVoiceChat(on); });
}

int ConfigTool::setChoice(const QString &word, const QStringList &choices,
    const std::function<bool(PolicySettings &, bool)> &store)
{
    if (!choices.contains(word))
        return fail(
            QStringLiteral("expected %1, not %2").arg(choices.join(QLatin1String(" or ")), word));
    PolicySettings settings(m_file);
    if (!store(settings, word == choices.first()))
        return fail(QStringLiteral("cannot write %1").arg(m_file));
    return 0;
}

void ConfigTool::readSettings(const QString &file, QMap<QString, QString> &entries)
{
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(kSettingGroup);
    const QStringList keys = settings.allKeys();
    for (const QString &key : keys) {
        const QString cipherText = cipherTextOfKey(key);
        const std::optional<QString> value
            = TextCipher::decryptChecked(settings.value(key).toString(), MVTConfig::passphrase());
        if (cipherText.isEmpty())
            m_err << "lumen_config: skipped " << kSettingGroup << '/' << key
                  << ": not encrypted with the program's passphrase\n";
        else if (!value)
            m_err << "lumen_config: skipped " << decrypt(cipherText)
                  << ": its value cannot be decoded\n";
        else
            entries.insert(decrypt(cipherText), *value);
    }
}

bool ConfigTool::write(const QString &key, const QVariant &value)
{
    QSettings settings(m_file, QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    fail(QStringLiteral("cannot write %1").arg(m_file));
    return false;
}

int ConfigTool::fail(const QString &message)
{
    m_err << "lumen_config: " << message << '\n';
    return 1;
}

int ConfigTool::usageError(const QString &message)
{
    fail(message);
    m_err << "Try 'lumen_config --help' for more information.\n";
    return 2;
}
