#include "configtool/configcommands.h"

#include "app/configkeys.h"
#include "app/mvtconfig.h"
#include "app/policysettings.h"
#include "configtool/settinglisting.h"

#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSettings>
#include <QTextStream>
#include <QUrl>

namespace {

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

const QVector<ConfigCommands::Command> &ConfigCommands::table()
{
    static const QVector<Command> table {
        { QStringLiteral("set-domain"), QStringLiteral("set-domain DOMAIN"),
            QStringLiteral("store the portal's domain without \"www.\" (corvela.example,\n"
                           "corvela.localhost:8765) and print the main URL"),
            1, Access::Write, &ConfigCommands::setDomain },
        { QStringLiteral("url"), QStringLiteral("url"),
            QStringLiteral("print the main URL the program opens"), 0, Access::Read,
            &ConfigCommands::showUrl },
        { QStringLiteral("debug"), QStringLiteral("debug on|off"),
            QStringLiteral("switch the program's debug logging"), 1, Access::Write,
            &ConfigCommands::setDebug },
        { QStringLiteral("engine"), QStringLiteral("engine qtwebengine|chromium|auto"),
            QStringLiteral("the browser engine of the pages (Browser/Engine, default\n"
                           "%2): the one built in, the system's own Chromium\n"
                           "(the chromium package), or that Chromium when it is installed\n"
                           "and at least version %1, else the one built in")
                .arg(ConfigKeys::minimumChromiumVersion())
                .arg(ConfigKeys::defaultEngineChoice()),
            1, Access::Write, &ConfigCommands::setEngine },
        { QStringLiteral("get"), QStringLiteral("get KEY"),
            QStringLiteral("print the page setting KEY, decrypted"), 1, Access::Read,
            &ConfigCommands::getSetting },
        { QStringLiteral("set"), QStringLiteral("set KEY VALUE"),
            QStringLiteral("store the page setting KEY as the pages store it"), 2, Access::Write,
            &ConfigCommands::setSetting },
        { QStringLiteral("list"), QStringLiteral("list"),
            QStringLiteral("print every page setting as KEY=VALUE, decrypted"), 0, Access::Read,
            &ConfigCommands::listSettings },
        { QStringLiteral("trust"), QStringLiteral("trust ORIGIN"),
            QStringLiteral("let pages of ORIGIN use the shell besides the portal's own site:\n"
                           "a site (partner.example: it and its subdomains, http and\n"
                           "https, any port), an origin (https://games.partner.example:8443)\n"
                           "or * for every origin"),
            1, Access::Write, &ConfigCommands::trust },
        { QStringLiteral("untrust"), QStringLiteral("untrust ORIGIN"),
            QStringLiteral("remove ORIGIN from the trusted origins"), 1, Access::Write,
            &ConfigCommands::untrust },
        { QStringLiteral("trusted"), QStringLiteral("trusted"),
            QStringLiteral("print the trusted origins, the portal's site first"), 0, Access::Read,
            &ConfigCommands::listTrusted },
        { QStringLiteral("web-security"), QStringLiteral("web-security on|off"),
            QStringLiteral("the pages' same-origin policy and mixed-content blocking\n"
                           "(Policy/WebSecurity, default on)"),
            1, Access::Write, &ConfigCommands::setWebSecurity },
        { QStringLiteral("certificate-errors"), QStringLiteral("certificate-errors fail|ignore"),
            QStringLiteral("whether a certificate error fails the load\n"
                           "(Policy/IgnoreCertificateErrors, default fail)"),
            1, Access::Write, &ConfigCommands::setCertificateErrors },
        { QStringLiteral("update-hash"), QStringLiteral("update-hash required|optional"),
            QStringLiteral("whether UpdateApp needs the file's Sha256\n"
                           "(Policy/UpdateHashRequired, default optional)"),
            1, Access::Write, &ConfigCommands::setUpdateHash },
        { QStringLiteral("voice-chat"), QStringLiteral("voice-chat on|off"),
            QStringLiteral("whether pages of trusted origins may use the microphone\n"
                           "and the camera (Policy/VoiceChat, default off)"),
            1, Access::Write, &ConfigCommands::setVoiceChat },
    };
    return table;
}

ConfigCommands::ConfigCommands(
    const QString &file, const QString &defaults, QTextStream &out, QTextStream &err)
    : m_file(file)
    , m_defaults(defaults)
    , m_out(out)
    , m_err(err)
{
}

int ConfigCommands::run(const Command &command, const QStringList &arguments)
{
    if (!fileUsable(command.access))
        return 1;
    return (this->*command.handler)(arguments);
}

int ConfigCommands::fail(QTextStream &err, const QString &message)
{
    err << "lumen_config: " << message << '\n';
    return 1;
}

// The settings store reads a missing or broken file as an empty one and would overwrite a file
// it cannot read: both are caught here, before anything is read or written.
bool ConfigCommands::fileUsable(Access access)
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

int ConfigCommands::setDomain(const QStringList &arguments)
{
    const QString domain = arguments.first();
    const QString problem = domainProblem(domain);
    if (!problem.isEmpty())
        return fail(QStringLiteral("set-domain: ") + problem);
    // Pages cannot write this entry, so the program's store refuses it: written here directly.
    if (!write(ConfigKeys::settingKey(ConfigKeys::mainUrlName()), ConfigKeys::encrypt(domain)))
        return 1;
    return showUrl({});
}

int ConfigCommands::showUrl(const QStringList &)
{
    const MVTConfig config(m_file, m_defaults);
    if (!config.isSetUp())
        return fail(MVTConfig::notSetUpMessage());
    m_out << config.getMainUrl() << '\n';
    return 0;
}

int ConfigCommands::setDebug(const QStringList &arguments)
{
    const QString state = arguments.first();
    if (state != QLatin1String("on") && state != QLatin1String("off"))
        return fail(QStringLiteral("debug: expected on or off, not %1").arg(state));
    if (!write(ConfigKeys::debug(), state == QLatin1String("on")))
        return 1;
    m_out << "debug logging " << state << '\n';
    return 0;
}

int ConfigCommands::setEngine(const QStringList &arguments)
{
    const QString engine = arguments.first();
    if (!ConfigKeys::engineChoices().contains(engine))
        return fail(QStringLiteral("engine: expected %1, not %2")
                .arg(ConfigKeys::engineChoices().join(QLatin1String(", ")), engine));
    if (!write(ConfigKeys::engine(), engine))
        return 1;
    m_out << "engine " << engine << '\n';
    return 0;
}

int ConfigCommands::getSetting(const QStringList &arguments)
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

int ConfigCommands::setSetting(const QStringList &arguments)
{
    const QString name = arguments.at(0);
    if (name.isEmpty())
        return fail(QStringLiteral("set: the key is empty"));
    if (name == ConfigKeys::mainUrlName())
        return fail(QStringLiteral("set: MainUrl holds the portal's domain: use set-domain"));
    if (name == ConfigKeys::versionName())
        return fail(QStringLiteral("set: AppVersion is built into the program"));
    MVTConfig(m_file).set(name, arguments.at(1));
    return 0;
}

int ConfigCommands::listSettings(const QStringList &)
{
    SettingListing listing(m_err);
    // The user's entries, read last, replace the administrator's.
    if (!m_defaults.isEmpty())
        listing.read(m_defaults);
    listing.read(m_file);
    const QMap<QString, QString> &entries = listing.entries();
    for (auto entry = entries.cbegin(); entry != entries.cend(); ++entry)
        m_out << entry.key() << '=' << entry.value() << '\n';
    return 0;
}

int ConfigCommands::trust(const QStringList &arguments)
{
    if (arguments.first().trimmed().isEmpty())
        return fail(QStringLiteral("trust: the origin is empty"));
    if (!PolicySettings(m_file).addTrustedOrigin(arguments.first().trimmed()))
        return fail(QStringLiteral("cannot write %1").arg(m_file));
    return listTrusted({});
}

int ConfigCommands::untrust(const QStringList &arguments)
{
    if (!PolicySettings(m_file).removeTrustedOrigin(arguments.first().trimmed()))
        return fail(QStringLiteral("untrust: %1 is not among the trusted origins of %2")
                .arg(arguments.first(), m_file));
    return listTrusted({});
}

int ConfigCommands::listTrusted(const QStringList &)
{
    const QString domain = MVTConfig(m_file, m_defaults).get(ConfigKeys::mainUrlName());
    if (!domain.isEmpty())
        m_out << domain << " (the portal's site)\n";
    const QStringList origins = PolicySettings(m_file, m_defaults).trustedOrigins();
    for (const QString &origin : origins)
        m_out << origin << '\n';
    return 0;
}

int ConfigCommands::setWebSecurity(const QStringList &arguments)
{
    return setChoice(arguments.first(), { QStringLiteral("on"), QStringLiteral("off") },
        [](PolicySettings &settings, bool on) { return settings.setWebSecurity(on); });
}

int ConfigCommands::setCertificateErrors(const QStringList &arguments)
{
    return setChoice(arguments.first(), { QStringLiteral("ignore"), QStringLiteral("fail") },
        [](PolicySettings &settings, bool ignore) {
            return settings.setIgnoreCertificateErrors(ignore);
        });
}

int ConfigCommands::setUpdateHash(const QStringList &arguments)
{
    return setChoice(arguments.first(), { QStringLiteral("required"), QStringLiteral("optional") },
        [](PolicySettings &settings, bool required) {
            return settings.setUpdateHashRequired(required);
        });
}

int ConfigCommands::setVoiceChat(const QStringList &arguments)
{
    return setChoice(arguments.first(), { QStringLiteral("on"), QStringLiteral("off") },
        [](PolicySettings &settings, bool on) { return settings.setVoiceChat(on); });
}

// choices: the word for true, then the word for false.
int ConfigCommands::setChoice(const QString &word, const QStringList &choices,
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

bool ConfigCommands::write(const QString &key, const QVariant &value)
{
    QSettings settings(m_file, QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    fail(QStringLiteral("cannot write %1").arg(m_file));
    return false;
}

int ConfigCommands::fail(const QString &message)
{
    return fail(m_err, message);
}
