#include "HtmlSections.h"

#include "AppIcon.h"
#include "BitmapQt.h"
#include "BmpFormat.h"
#include "Dataset.h"
#include "Errors.h"
#include "HtmlExport.h"
#include "ImageError.h"
#include "ImageTransforms.h"
#include "JpegIO.h"

namespace HtmlExport {

namespace Sections {

using Html::Table;
using Cell = Table::Cell;
using CareQueries::ActKind;

namespace {

QString money(const Field& amount)
{
    return Html::money(amount.asMoney());
}

Cell repayment(const Dataset& d, int row, int date, int amount)
{
    return {Html::text(d.fieldAt(row, date).asString()) + Html::nbsp + Html::nbsp +
                money(d.fieldAt(row, amount)) + Html::nbsp,
            true};
}

} // namespace

Cell spaced(const QString& plain)
{
    return {Html::nbsp + Html::text(plain)};
}

Cell plain(const QString& text)
{
    return {Html::text(text)};
}

QString mark(const QString& text)
{
    return QStringLiteral(" <font color=\"#CC0000\">(%1)</font>").arg(Html::text(text));
}

void openStatement(Dataset& d, const QString& statement)
{
    d.setSql(statement);
    d.open();
}

Bitmap decodeBmp(const QByteArray& bytes)
{
    try {
        return toBgr24(BmpFormat::decode(bytes));
    } catch (const ImageError&) {
        return {};
    }
}

void writeJpeg(const Bitmap& picture, const QString& path)
{
    writeFile(path, encodeJpeg(picture, 100));
}

QString actsTable(const Dataset& d, ActKind kind)
{
    const bool consult = kind == ActKind::Consultation;
    QList<Table::Column> columns{
        {QStringLiteral("Date"), 1}, {QStringLiteral("heure"), 1}, {QStringLiteral("Montant"), 1}};
    if (consult)
        columns += {{QStringLiteral("Praticien"), 20},
                    {QStringLiteral("Maladie"), 20},
                    {QStringLiteral("Gravité"), 15}};
    else
        columns += {{QStringLiteral("Pharmacie"), 20}, {QStringLiteral("Médicaments"), 20}};
    columns += {{QStringLiteral("Remboursement<br/>sécurité sociale"), 10},
                {QStringLiteral("Remboursement<br/>caisse complém."), 10}};
    Table table(columns);
    const auto f = [&d](const char* name) { return d.fieldIndex(QString::fromLatin1(name)); };
    const int date = f("Date_Action"), time = f("Time_Action"), price = f("Price"),
              gravity = f("ACTION.Gravity");
    const int org = f(consult ? "Doctor" : "Pharmacy"), what = f(consult ? "Illness" : "Drug");
    const int secuDate = f("Date_Repayment"), secu = f("Price_Repayment");
    const int compDate = f("Date_Repayment_Comp"), comp = f("Price_Repayment_Comp");
    for (int row = 0; row < d.recordCount(); ++row) {
        QList<Cell> cells{plain(d.fieldAt(row, date).asString()),
                          plain(d.fieldAt(row, time).asString()),
                          {money(d.fieldAt(row, price)), true},
                          plain(d.fieldAt(row, org).asString()),
                          plain(d.fieldAt(row, what).asString())};
        if (consult)
            cells << plain(d.fieldAt(row, gravity).asString());
        cells << repayment(d, row, secuDate, secu) << repayment(d, row, compDate, comp);
        table.addRow(cells);
    }
    return table.html();
}

void addSection(Html::Page& page, const QString& title, const Dataset& rows, const QString& emptyText,
                const std::function<QString()>& table)
{
    page.section(title);
    page.band(title);
    if (rows.isEmpty())
        page.empty(emptyText);
    else
        page.add(table());
}

} // namespace Sections

using namespace Sections;

// ---- the identity block, which the reimbursement synthesis shows too -----

void writePhoto(const QByteArray& thumbnail, int side, const QString& path)
{
    Bitmap photo = thumbnail.isEmpty() ? Bitmap() : decodeBmp(thumbnail);
    if (photo.isEmpty())
        photo = fromQImage(AppIcon::silhouette(side));
    Bitmap fitted;
    ShrinkToBox(fitted, photo, side, side);
    writeJpeg(toBgr24(fitted), path);
}

void openPerson(Dataset& person, int personId)
{
    person.setSql(QStringLiteral("SELECT * FROM PERSON WHERE Id=%1").arg(personId));
    person.open();
    if (person.isEmpty())
        throw DatabaseError(QStringLiteral("Ce carnet de santé n'existe plus."));
}

QString personBlock(const Dataset& person, int photoSide, const Html::TableLook& look, bool insurers)
{
    const auto value = [&person](const char* name) {
        return person.field(QString::fromLatin1(name)).asString();
    };
    Table names({{QStringLiteral("Nom"), 33},
                 {QStringLiteral("Prénom"), 33},
                 {QStringLiteral("N° de sécurité social"), 33}},
                look);
    names.addRow({spaced(value("Name")), spaced(value("ForeName")), spaced(value("No"))});
    Table birth({{QStringLiteral("Date et heure de naissance"), 45},
                 {QStringLiteral("Poids et taille de naissance"), 35},
                 {QStringLiteral("Groupe sanguin"), 20}},
                look);
    birth.addRow(
        {spaced(value("BirthDay_Date") + QStringLiteral(" - ") + value("BirthDay_Time") +
                QStringLiteral(" à ") + value("BirthDay_City")),
         {Html::nbsp + Html::decimal(person.field(QStringLiteral("BirthDay_Weight")).asDouble(), 3) +
          QStringLiteral(" Kg - ") +
          Html::decimal(person.field(QStringLiteral("BirthDay_Size")).asDouble(), 2) + QStringLiteral(" cm")},
         spaced(value("Blood"))});
    QString right = names.html() + birth.html();
    QString below;
    if (insurers) {
        Table orgs({{QStringLiteral("Organisme de sécurité social"), 50},
                    {QStringLiteral("Organisme complémentaire"), 50}},
                   look);
        orgs.addRow({spaced(value("Org_Secu")), spaced(value("Org_Comp"))});
        right += orgs.html();
        Table history({{QStringLiteral("Antécédants familliaux"), 100}}, look);
        history.addRow({spaced(value("Previous"))});
        below = history.html();
    }
    return QStringLiteral("<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"2\"><tr>"
                          "<td width=\"1%\" valign=\"top\">%1</td><td width=\"99%\" valign=\"top\">\n%2</td>"
                          "</tr></table>\n%3")
        .arg(Html::image(QStringLiteral("face.jpg"), photoSide, photoSide), right, below);
}

} // namespace HtmlExport
