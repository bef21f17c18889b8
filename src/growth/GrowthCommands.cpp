#include "GrowthCommands.h"

#include "AnalysisPage.h"
#include "CommandNames.h"
#include "PersonPage.h"
#include "TAnalysisList.h"

namespace Growth {

void installCommands(MainWindowHost& host, TDataModule1& dm)
{
    host.setCommand(Commands::AnalysisCatalogue, [&host, &dm] {
        {
            TAnalysisList list(dm, host.window());
            list.exec();
        }
        if (qobject_cast<AnalysisPage*>(host.currentPage()))
            host.RefreshCurrentPage();
        host.RefreshCommandStates();
    });
}

} // namespace Growth
