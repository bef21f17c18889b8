#include "CareRules.h"

#include "Dataset.h"

#include <QRegularExpression>

namespace CareRules {

PayerColumns columnsOf(Payer payer)
{
    if (payer == Payer::Secu)
        return {QStringLiteral("Repayment"), QStringLiteral("Date_Repayment"),
                QStringLiteral("Price_Repayment")};
    return {QStringLiteral("Repayment_Comp"), QStringLiteral("Date_Repayment_Comp"),
            QStringLiteral("Price_Repayment_Comp")};
}

Reimbursed reimbursedOf(const Dataset& acts)
{
    if (!acts.isActive() || acts.isEmpty())
        return {};
    return {acts.field(QStringLiteral("Repayment")).asBoolean(),
            acts.field(QStringLiteral("Repayment_Comp")).asBoolean()};
}

bool canRecordReimbursement(bool hasRows, Reimbursed current)
{
    return hasRows && !current.byBoth();
}

bool saysNo(const QVariant& flag)
{
    if (flag.isNull())
        return false;
    if (flag.typeId() == QMetaType::QString) {
        const QString typed = flag.toString().trimmed().toUpper();
        return !typed.isEmpty() && QStringLiteral("NON").startsWith(typed);
    }
    return !flag.toBool();
}

bool isValidTime(const QString& text)
{
    QString t = text;
    t.remove(QLatin1Char(' '));
    if (t.isEmpty() || t == QLatin1String(":"))
        return true;
    static const QRegularExpression form(QStringLiteral("^(\\d{1,2}):(\\d{2})$"));
    const QRegularExpressionMatch m = form.match(t);
    return m.hasMatch() && m.captured(1).toInt() < 24 && m.captured(2).toInt() < 60;
}

QString pageFilter(ActKind kind)
{
    return QStringLiteral("WHERE ") + CareQueries::kindCondition(kind) +
           QStringLiteral(" AND Action.Id_Ref=%1");
}

QString listFilter(ActKind kind, ListScope scope)
{
    QString waiting;
    switch (scope) {
    case ListScope::All:
        waiting = QStringLiteral("(Action.Repayment=false or Action.Repayment_Comp=false)");
        break;
    case ListScope::Secu:
        waiting = QStringLiteral("Action.Repayment=false");
        break;
    case ListScope::Comp:
        waiting = QStringLiteral("Action.Repayment_Comp=false");
        break;
    }
    return QStringLiteral("WHERE %1 and %2 AND Action.Id_Ref=")
               .arg(waiting, CareQueries::kindCondition(kind)) +
           QStringLiteral("%1");
}

QString titleSuffix(ListScope scope)
{
    switch (scope) {
    case ListScope::All:
        return QStringLiteral(" - (Tout)");
    case ListScope::Secu:
        return QStringLiteral(" - (Sécurité sociale)");
    case ListScope::Comp:
        return QStringLiteral(" - (Caisse complémentaire)");
    }
    return {};
}

} // namespace CareRules
