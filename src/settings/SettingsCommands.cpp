#include "SettingsCommands.h"

#include "CommandNames.h"
#include "PersonPage.h"
#include "ProgramState.h"
#include "TEnterProperties.h"

#include <QScopeGuard>

namespace SettingsCommands {

bool editProperties(QWidget* parent, Settings& settings, const QString& iniFile)
{
    TEnterProperties dialog(
        settings, [&iniFile](const Settings& s) { s.write(iniFile); }, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    settings = dialog.settings();
    return true;
}

void installCommands(MainWindowHost& host)
{
    host.setCommand(Commands::EditProperties, [&host] {
        const auto refresh = qScopeGuard([&host] { host.RefreshCommandStates(); });
        ProgramState& p = program();
        editProperties(host.window(), p.settings, p.folders.iniFile());
    });
}

} // namespace SettingsCommands
