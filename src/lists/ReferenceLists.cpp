#include "ReferenceLists.h"

#include "CommandNames.h"
#include "PersonPage.h"
#include "TReferenceList.h"

namespace ReferenceLists {

void installCommands(MainWindowHost& host, TDataModule1& dm)
{
    const struct
    {
        CommandName name;
        ReferenceKind kind;
    } entries[] = {{Commands::IllnessList, ReferenceKind::Illness},
                   {Commands::VaccineList, ReferenceKind::Vaccine},
                   {Commands::DrugList, ReferenceKind::Drug},
                   {Commands::DoctorList, ReferenceKind::Doctor},
                   {Commands::PharmacyList, ReferenceKind::Pharmacy}};
    for (const auto& e : entries) {
        const ReferenceKind kind = e.kind;
        host.setCommand(e.name, [&host, &dm, kind] { TReferenceList(kind, dm, host.window()).exec(); });
    }
}
} // namespace ReferenceLists
