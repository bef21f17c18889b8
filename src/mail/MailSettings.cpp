#include "MailSettings.h"

#include "Settings.h"

namespace MailSettings {

bool complete(const Settings& settings)
{
    return !settings.smtpName.isEmpty() && !settings.smtpEmail.isEmpty() && !settings.smtpHost.isEmpty();
}

SmtpServer server(const Settings& settings)
{
    SmtpServer server;
    server.host = settings.smtpHost;
    server.port = settings.smtpPort;
    server.startTls = settings.smtpStartTls;
    server.authenticate = settings.smtpAuth;
    server.user = settings.smtpUser;
    server.password = settings.smtpPassword;
    return server;
}

} // namespace MailSettings
