#include "TEnterRepayment.h"

#include "Clock.h"
#include "Dataset.h"
#include "EntryFields.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

using CareRules::Payer;

TEnterRepayment::TEnterRepayment(Dataset& act, Payer payer, QWidget* parent)
    : EntryDialog(act, QStringLiteral("EnterRepayment"), QStringLiteral("  Remboursement"), parent)
{
    const bool secu = payer == Payer::Secu;
    const CareRules::PayerColumns columns = CareRules::columnsOf(payer);
    auto* message = new QLabel(secu ? QStringLiteral("Confirmer vous le remboursement \n"
                                                     "de cet acte par la sécurité sociale")
                                    : QStringLiteral("Confirmer vous le remboursement de cet \n"
                                                     "acte par votre caisse complémentaire"),
                               this);
    message->setObjectName(secu ? QStringLiteral("Lab_Secu") : QStringLiteral("Lab_Comp"));
    body()->insertWidget(0, message);
    body()->insertSpacing(1, 8);
    const QString suffix = secu ? QString() : QStringLiteral("_Comp");
    EntryFields::addDateField(*this, QStringLiteral("Date"), QStringLiteral("Ed_Date_Repayment") + suffix,
                              columns.date, QStringLiteral("Btn_Date_Repayment") + suffix);
    QLineEdit* amount = addLineField(QStringLiteral("Montant"), QStringLiteral("Ed_Price_Repayment") + suffix,
                                     columns.amount);
    amount->setAlignment(Qt::AlignRight);
    setMinimumWidth(340);
}

bool TEnterRepayment::record(Dataset& act, Payer payer, QWidget* parent)
{
    const CareRules::PayerColumns columns = CareRules::columnsOf(payer);
    act.field(columns.date).setAsDate(Clock::today());
    // The flag goes with the post: Annuler drops it with the date.
    act.field(columns.flag).setAsBoolean(true);
    TEnterRepayment dialog(act, payer, parent);
    return dialog.exec() == QDialog::Accepted;
}
