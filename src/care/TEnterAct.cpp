#include "TEnterAct.h"

#include "CareQueries.h"
#include "Dataset.h"
#include "EntryFields.h"
#include "Errors.h"
#include "FormWidgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

using CareRules::Payer;

namespace {
struct PayerNames
{
    const char* box;
    const char* title;
    const char* flag;
    const char* flagButton;
    const char* date;
    const char* dateButton;
    const char* amount;
};

PayerNames namesOf(Payer payer)
{
    if (payer == Payer::Secu)
        return {"Box_Secu",          "Sécurité Sociale",   "Ed_Repayment",      "Btn_Repayment",
                "Ed_Date_Repayment", "Btn_Date_Repayment", "Ed_Price_Repayment"};
    return {"Box_Comp",
            "Caisse Comp.",
            "Ed_Repayment_Comp",
            "Btn_Repayment_Comp",
            "Ed_Date_Repayment_Comp",
            "Btn_Date_Repayment_Comp",
            "Ed_Price_Repayment_Comp"};
}

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

const QStringList kMoneyFields{QStringLiteral("Price"), QStringLiteral("Price_Repayment"),
                               QStringLiteral("Price_Repayment_Comp")};
} // namespace

TEnterAct::TEnterAct(Dataset& act, const QString& objectName, const QString& title, QWidget* parent)
    : EntryDialog(act, objectName, title, parent)
{
    connect(&row(), &Dataset::fieldChanged, this, &TEnterAct::rowFieldChanged);
}

void TEnterAct::addWhenAndPrice()
{
    EntryFields::addDateField(*this, QStringLiteral("Date"), QStringLiteral("Ed_Date"),
                              QStringLiteral("Date_Action"), QStringLiteral("Btn_Date"));
    addLineField(QStringLiteral("Heure"), QStringLiteral("Ed_Time"), QStringLiteral("Time_Action"))
        ->setMaximumWidth(70);
    QLineEdit* price =
        addLineField(QStringLiteral("Montant"), QStringLiteral("Ed_Payment"), QStringLiteral("Price"));
    price->setMaximumWidth(120);
    price->setAlignment(Qt::AlignRight);
}

void TEnterAct::addPayers(bool typedSecuFlag)
{
    auto* boxes = new QHBoxLayout;
    body()->addLayout(boxes);
    addPayer(Payer::Secu, typedSecuFlag, boxes);
    addPayer(Payer::Comp, false, boxes);

    auto* left = new QHBoxLayout;
    m_noRepayment = new QLabel(QStringLiteral("0,00 € "), this);
    m_noRepayment->setObjectName(QStringLiteral("Lab_NoRepayment"));
    m_noRepayment->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = m_noRepayment->font();
    bold.setBold(true);
    m_noRepayment->setFont(bold);
    left->addStretch();
    left->addWidget(FormWidgets::caption(QStringLiteral(" Montant non \n remboursé"), m_noRepayment, this));
    left->addWidget(m_noRepayment);
    body()->addLayout(left);
    showNoRepayment();
}

void TEnterAct::addPayer(Payer payer, bool typedFlag, QBoxLayout* into)
{
    const PayerNames names = namesOf(payer);
    const CareRules::PayerColumns columns = CareRules::columnsOf(payer);
    beginGroup(text(names.title), text(names.box), into);
    EntryFields::PickList yesNo;
    yesNo.fixedEntries = {QStringLiteral("Oui"), QStringLiteral("Non")};
    yesNo.listOnly = !typedFlag;
    EntryFields::addPickListField(*this, QStringLiteral("Remboursé"), text(names.flag), columns.flag,
                                  text(names.flagButton), QStringLiteral("Choisir Oui ou Non"), yesNo)
        ->setMaximumWidth(70);
    EntryFields::addDateField(*this, QStringLiteral("Date"), text(names.date), columns.date,
                              text(names.dateButton));
    QLineEdit* amount = addLineField(QStringLiteral("Montant"), text(names.amount), columns.amount);
    amount->setAlignment(Qt::AlignRight);
    endGroup();
}

void TEnterAct::requireText(QLineEdit* field)
{
    setOkRule([field] { return !field->text().isEmpty(); });
}

void TEnterAct::rowFieldChanged(int index)
{
    if (!row().isEditing())
        return;
    const QString name = row().field(index).name();
    for (const Payer payer : {Payer::Secu, Payer::Comp}) {
        const CareRules::PayerColumns columns = CareRules::columnsOf(payer);
        // "Non" takes the date of the reimbursement away, not its amount.
        if (name.compare(columns.flag, Qt::CaseInsensitive) == 0 &&
            CareRules::saysNo(row().field(index).value()) && !row().field(columns.date).isNull())
            row().field(columns.date).clear();
    }
    if (kMoneyFields.contains(name, Qt::CaseInsensitive))
        showNoRepayment();
}

void TEnterAct::showNoRepayment()
{
    if (m_noRepayment && row().isActive() && (row().isEditing() || !row().isEmpty()))
        m_noRepayment->setText(Money::composedText(CareQueries::noRepayment(row())) + QLatin1Char(' '));
}

void TEnterAct::checkBeforePost()
{
    const Field time = row().field(QStringLiteral("Time_Action"));
    if (!CareRules::isValidTime(time.asString()))
        throw AppError(QStringLiteral("Le champ « Heure » n'accepte pas la valeur « %1 » : ce n'est pas une "
                                      "heure valide (hh:mm).")
                           .arg(time.asString().trimmed()));
}
