#include "TEnterDrugPharmacy.h"

#include "ReferencePickField.h"
#include "TDataModule1.h"

#include <QLineEdit>

TEnterDrugPharmacy::TEnterDrugPharmacy(TDataModule1& dm, QWidget* parent)
    : TEnterAct(dm, QStringLiteral("EnterDrugPharmacy"), QStringLiteral("  Saisie d'un acte pharmaceutique"),
                parent)
{
    addWhenAndPrice();
    m_pharmacy =
        addReference(QStringLiteral("Pharmacie"), QStringLiteral("Ed_Pharmacy"),
                     QStringLiteral("Btn_Pharmacy"), QStringLiteral("Choisir la pharmacie"), dm.Lst_Pharmacy,
                     QStringLiteral("Name"), QStringLiteral("Category"), QStringLiteral("Id_Org"));
    m_drug = addReference(QStringLiteral("Médicament"), QStringLiteral("Ed_Drug"), QStringLiteral("Btn_Drug"),
                          QStringLiteral("Choisir le médicament"), dm.Lst_Drug, QStringLiteral("Title"),
                          QStringLiteral("Category"), QStringLiteral("Id_Drug"));
    addMemoField(QStringLiteral("Observations"), QStringLiteral("Memo_Remark1"), QStringLiteral("Remark1"),
                 72);
    // The Sécurité sociale's "Remboursé" also takes "Oui" or "Non" typed.
    addPayers(true);
    requireText(m_drug->edit());
}
