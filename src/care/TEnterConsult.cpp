#include "TEnterConsult.h"

#include "EntryFields.h"
#include "ReferenceMember.h"
#include "TDataModule1.h"

#include <QLineEdit>

TEnterConsult::TEnterConsult(TDataModule1& dm, Dataset& act, QWidget* parent)
    : TEnterAct(act, QStringLiteral("EnterConsult"), QStringLiteral("  Saisie d'un acte"), parent)
{
    addWhenAndPrice();
    m_doctor = EntryFields::addReferenceField(
        *this, QStringLiteral("Praticien"), QStringLiteral("Ed_Doctor"), QStringLiteral("Id_Org"),
        QStringLiteral("Btn_Doctor"), QStringLiteral("Choisir le praticien"), ReferenceKind::Doctor, dm);
    EntryFields::addReferenceField(*this, QStringLiteral("Pathologie"), QStringLiteral("Ed_Illness"),
                                   QStringLiteral("Id_Illness"), QStringLiteral("Btn_Illness"),
                                   QStringLiteral("Choisir la pathologie"), ReferenceKind::Illness, dm);
    EntryFields::PickList gravity;
    gravity.items = &dm.ComboItems;
    gravity.column = QStringLiteral("Action_Gravity");
    gravity.editorTitle = QStringLiteral("Gravité");
    EntryFields::addPickListField(*this, QStringLiteral("Gravité"), QStringLiteral("Ed_Gravity"),
                                  QStringLiteral("Gravity"), QStringLiteral("Btn_Gravity"),
                                  QStringLiteral("Choisir la gravité"), gravity);
    addMemoField(QStringLiteral("Objet "), QStringLiteral("Memo_Remark1"), QStringLiteral("Remark1"), 54);
    addMemoField(QStringLiteral("Remarque du praticien"), QStringLiteral("Memo_Remark2"),
                 QStringLiteral("Remark2"), 54);
    addPayers(false);
    requireText(m_doctor);
}
