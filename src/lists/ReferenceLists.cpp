#include "ReferenceLists.h"

#include "PersonPage.h"
#include "TReferenceList.h"

namespace ReferenceLists {

void installCommands(MainWindowHost& host, TDataModule1& dm)
{
    const struct
    {
        const char* name;
        ReferenceKind kind;
    } entries[] = {{"Maladies1", ReferenceKind::Illness},
                   {"Vaccins1", ReferenceKind::Vaccine},
                   {"Mdicaments1", ReferenceKind::Drug},
                   {"Praticiens1", ReferenceKind::Doctor},
                   {"Pharmacie1", ReferenceKind::Pharmacy}};
    for (const auto& e : entries) {
        const ReferenceKind kind = e.kind;
        host.setCommand(QString::fromLatin1(e.name),
                        [&host, &dm, kind] { TReferenceList(kind, dm, host.window()).exec(); });
    }
}
} // namespace ReferenceLists
