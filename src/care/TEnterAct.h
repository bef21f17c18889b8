#pragma once

#include "CareRules.h"
#include "EntryDialog.h"

class QLabel;
class QLineEdit;

// What the consultation and purchase entry windows share, on the act's row
// that the page has put in insert or edit: date, time and price at the top,
// the two payers' reimbursements and the amount left to the person at the
// bottom. Each window adds its own fields between.
class TEnterAct : public EntryDialog
{
    Q_OBJECT
protected:
    TEnterAct(Dataset& act, const QString& objectName, const QString& title, QWidget* parent);

    // "Date", "Heure", "Montant".
    void addWhenAndPrice();
    // Both payers' boxes and the amount left to the person. With
    // `typedSecuFlag`, the Sécurité sociale's "Remboursé" also takes typing.
    void addPayers(bool typedSecuFlag);
    // Ok is enabled exactly while the field names something.
    void requireText(QLineEdit* field);

    void checkBeforePost() override;

private:
    void addPayer(CareRules::Payer payer, bool typedFlag, class QBoxLayout* into);
    void showNoRepayment();
    void rowFieldChanged(int index);

    QLabel* m_noRepayment = nullptr;
};
