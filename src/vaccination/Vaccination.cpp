#include "Vaccination.h"

#include "CommandNames.h"
#include "DatasetUtils.h"
#include "PersonPage.h"
#include "TDataModule1.h"
#include "TRepeatVaccineList.h"

namespace Vaccination {

void installCommands(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2)
{
    host.setCommand(
        Commands::BoosterReminders,
        [&host, &dm1, &dm2] {
            const int person = DatasetUtils::currentId(dm1.Person);
            if (person < 0)
                return;
            TRepeatVaccineList(dm2, person, host.window()).exec();
        },
        [&dm1] { return DatasetUtils::currentId(dm1.Person) >= 0; });
}

} // namespace Vaccination
