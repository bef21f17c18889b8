#include "TEnterDrugPharmacy.h"

#include "EntryFields.h"
#include "ReferenceMember.h"
#include "TDataModule1.h"

#include <QLineEdit>

TEnterDrugPharmacy::TEnterDrugPharmacy(TDataModule1& dm, Dataset& act, QWidget* parent)
    : TEnterAct(act, QStringLiteral("EnterDrugPharmacy"), QStringLiteral("  Saisie d'un acte pharmaceutique"),
                parent)
{
    addWhenAndPrice();
    EntryFields::addReferenceField(*this, QStringLiteral("Pharmacie"), QStringLiteral("Ed_Pharmacy"),
                                   QStringLiteral("Id_Org"), QStringLiteral("Btn_Pharmacy"),
                                   QStringLiteral("Choisir la pharmacie"), ReferenceKind::Pharmacy, dm);
    m_drug = EntryFields::addReferenceField(*this, QStringLiteral("Médicament"), QStringLiteral("Ed_Drug"),
                                            QStringLiteral("Id_Drug"), QStringLiteral("Btn_Drug"),
                                            QStringLiteral("Choisir le médicament"), ReferenceKind::Drug, dm);
    addMemoField(QStringLiteral("Observations"), QStringLiteral("Memo_Remark1"), QStringLiteral("Remark1"),
                 72);
    // The Sécurité sociale's "Remboursé" also takes "Oui" or "Non" typed.
    addPayers(true);
    requireText(m_drug);
}
