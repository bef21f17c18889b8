#include "CareCommands.h"

#include "CommandNames.h"
#include "DatasetUtils.h"
#include "HtmlCommands.h"
#include "PersonPage.h"
#include "ReimbursementSynthesis.h"
#include "RepaymentLists.h"
#include "TDataModule1.h"

using CareRules::ActKind;
using CareRules::ListScope;

namespace Care {

void installCommands(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2)
{
    const struct
    {
        CommandName name;
        ActKind kind;
        ListScope scope;
    } entries[] = {{Commands::UnpaidActs, ActKind::Consultation, ListScope::All},
                   {Commands::UnpaidActsSecu, ActKind::Consultation, ListScope::Secu},
                   {Commands::UnpaidActsComp, ActKind::Consultation, ListScope::Comp},
                   {Commands::UnpaidMedicines, ActKind::Pharmacy, ListScope::All},
                   {Commands::UnpaidMedicinesSecu, ActKind::Pharmacy, ListScope::Secu},
                   {Commands::UnpaidMedicinesComp, ActKind::Pharmacy, ListScope::Comp}};
    const auto hasPerson = [&dm1] { return DatasetUtils::currentId(dm1.Person) >= 0; };
    for (const auto& e : entries) {
        const ActKind kind = e.kind;
        const ListScope scope = e.scope;
        host.setCommand(
            e.name,
            [&host, &dm1, &dm2, kind, scope] {
                const int person = DatasetUtils::currentId(dm1.Person);
                if (person >= 0)
                    RepaymentLists::open(dm2, kind, scope, person, host.window());
            },
            hasPerson);
    }
    host.setCommand(
        Commands::ReimbursementSynthesis,
        [&host, &dm1] {
            const int person = HtmlCommands::currentPerson(dm1);
            HtmlCommands::showPage(
                [person](const QString& folder) { return ReimbursementSynthesis::write(person, folder); },
                QStringLiteral(" Synthèse des remboursements"), host.window());
        },
        hasPerson);
}

} // namespace Care
