#include "ReimbursementSynthesis.h"

#include "CareQueries.h"
#include "Dataset.h"
#include "HtmlExport.h"
#include "HtmlPage.h"

#include <QMap>

namespace ReimbursementSynthesis {

namespace {

const QString kHeading = QStringLiteral("#6699FF");

QString amountCell(Money::Amount amount, const QString& background, bool bold, const QString& colour = {})
{
    return QStringLiteral("<td bgcolor=\"%1\" align=\"right\">%2</td>")
        .arg(background, Html::font(Html::money(amount) + Html::nbsp + Html::nbsp, 2, bold, colour));
}

QString typeRow(const QString& type, const Sums& sums, bool total)
{
    const QString background = total ? QStringLiteral("#C8C8C8") : QStringLiteral("#F4F4F4");
    return QStringLiteral("<tr><td bgcolor=\"%1\">%2</td>")
               .arg(background, Html::font(Html::nbsp + type + Html::nbsp, 2, total)) +
           amountCell(sums.spent, background, total) + amountCell(sums.repaid, background, total) +
           amountCell(sums.notRepaid(), background, total, QStringLiteral("#0000FF")) +
           QStringLiteral("</tr>\n");
}

QString yearTable(const Year& y)
{
    const QString digits =
        QString::number(y.year).split(QString(), Qt::SkipEmptyParts).join(QStringLiteral("<br/>"));
    QString html =
        QStringLiteral(
            "<table id=\"synthese-%1\" width=\"100%\" border=\"0\" cellspacing=\"2\" cellpadding=\"2\">"
            "<tr><td width=\"1%\" bgcolor=\"%2\" align=\"center\" valign=\"middle\">%3</td><td>\n")
            .arg(y.year)
            .arg(kHeading, Html::font(digits, 5, true, QStringLiteral("#FFFFFF")));
    html += QStringLiteral("<table width=\"100%\" border=\"0\" cellspacing=\"1\" cellpadding=\"2\">\n<tr>");
    for (const char* heading : {"TYPE", "MONTANT", "REMBOURSEMENTS", "NON REMBOURSES"})
        html += QStringLiteral("<td bgcolor=\"#DDDDDD\" width=\"25%\">%1</td>")
                    .arg(Html::font(QString::fromLatin1(heading), 2, true));
    html += QStringLiteral("</tr>\n");
    const Sums total{y.acts.spent + y.medicines.spent, y.acts.repaid + y.medicines.repaid};
    html += typeRow(QStringLiteral("Actes"), y.acts, false) +
            typeRow(QStringLiteral("Pharmacie"), y.medicines, false) +
            typeRow(QStringLiteral("TOTAL"), total, true);
    return html + QStringLiteral("</table>\n</td></tr></table>\n");
}

} // namespace

QList<Year> years(int personId)
{
    Dataset rows;
    rows.setSql(QStringLiteral(
                    "SELECT ACTION.Id,ACTION.Id_Ref,ACTION.Tag,ACTION.Date_Action,ACTION.Price,"
                    "ACTION.Price_Repayment,ACTION.Price_Repayment_Comp FROM [ACTION] WHERE ACTION.ID_REF=%1 "
                    "ORDER BY DATE_ACTION")
                    .arg(personId));
    rows.open();
    const int tag = rows.fieldIndex(QStringLiteral("Tag")),
              date = rows.fieldIndex(QStringLiteral("Date_Action")),
              price = rows.fieldIndex(QStringLiteral("Price")),
              secu = rows.fieldIndex(QStringLiteral("Price_Repayment")),
              comp = rows.fieldIndex(QStringLiteral("Price_Repayment_Comp"));
    // Sums in exact money, each empty amount counting as 0: one empty
    // column does not wipe out what the other payer paid.
    QMap<int, Year> byYear;
    for (int row = 0; row < rows.recordCount(); ++row) {
        const QDate day = rows.fieldAt(row, date).asDate();
        if (!day.isValid())
            continue; // a row without a date belongs to no year
        Year& y = byYear[day.year()];
        const std::optional<CareQueries::ActKind> kind =
            CareQueries::kindOfTag(rows.fieldAt(row, tag).asInteger());
        if (!kind)
            continue;
        Sums& sums = *kind == CareQueries::ActKind::Consultation ? y.acts : y.medicines;
        sums.spent = sums.spent + rows.fieldAt(row, price).asMoney();
        sums.repaid = sums.repaid + rows.fieldAt(row, secu).asMoney() + rows.fieldAt(row, comp).asMoney();
    }
    QList<Year> all;
    if (byYear.isEmpty())
        return all;
    for (int year = byYear.firstKey(); year <= byYear.lastKey(); ++year) {
        Year y = byYear.value(year);
        y.year = year;
        all << y;
    }
    return all;
}

QString write(int personId, const QString& folder)
{
    Dataset person;
    HtmlExport::openPerson(person, personId);
    HtmlExport::writePhoto(person.field(QStringLiteral("ImgMini1")).asBytes(), 85,
                           folder + QStringLiteral("face.jpg"));
    Html::Page page;
    page.section(QStringLiteral("PERSONNE"));
    Html::TableLook look;
    look.headingBackground = kHeading;
    page.add(
        QStringLiteral(
            "<table width=\"100%\" border=\"1\" bordercolor=\"#DDDDDD\" cellspacing=\"0\" cellpadding=\"2\">"
            "<tr><td>\n%1</td></tr></table>\n")
            .arg(HtmlExport::personBlock(person, 85, look, false)));
    for (const Year& y : years(personId)) {
        page.section(QString::number(y.year));
        page.add(yearTable(y));
    }
    const QString index = folder + HtmlExport::kIndex;
    HtmlExport::writeFile(index, page.finish());
    return index;
}

} // namespace ReimbursementSynthesis
