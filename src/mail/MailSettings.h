#pragma once

#include "SmtpClient.h"

struct Settings;

// The [SMTP] settings as the mail code uses them.
namespace MailSettings {
// Sending is offered only with a sender's name, a sender's address and a server.
bool complete(const Settings& settings);
SmtpServer server(const Settings& settings);
} // namespace MailSettings
