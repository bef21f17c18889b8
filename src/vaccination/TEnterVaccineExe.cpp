#include "TEnterVaccineExe.h"

#include "Dataset.h"
#include "EntryFields.h"
#include "Errors.h"
#include "Formats.h"
#include "ReferenceMember.h"

#include <QLineEdit>
#include <QPlainTextEdit>

TEnterVaccineExe::TEnterVaccineExe(TDataModule1& dm, Dataset& vaccine, QWidget* parent)
    : EntryDialog(vaccine, QStringLiteral("EnterVaccineExe"), QStringLiteral("  Saisie d'une vaccination"),
                  parent)
{
    EntryFields::addDateField(*this, QStringLiteral("Date de vaccination"), QStringLiteral("Ed_Date"),
                              QStringLiteral("Date_Vaccine"), QStringLiteral("Btn_Date"),
                              QStringLiteral("Choisir la date de vaccination"));
    EntryFields::addReferenceField(*this, QStringLiteral("Praticien"), QStringLiteral("Ed_Doctor"),
                                   QStringLiteral("Id_Org"), QStringLiteral("Btn_Doctor"),
                                   QStringLiteral("Choisir le praticien"), ReferenceKind::Doctor, dm);
    m_vaccine = EntryFields::addReferenceField(
        *this, QStringLiteral("Vaccin"), QStringLiteral("Ed_Vaccine"), QStringLiteral("Id_Vaccine"),
        QStringLiteral("Btn_Vaccine"), QStringLiteral("Choisir le vaccin"), ReferenceKind::Vaccine, dm);
    // The column holds 255 characters; its binding drops what goes beyond.
    addMemoField(QStringLiteral("Observations"), QStringLiteral("Memo_Remark1"), QStringLiteral("Remark1"),
                 90);
    EntryFields::addDateField(*this, QStringLiteral("Date de rappel"), QStringLiteral("Ed_Date_Repeat"),
                              QStringLiteral("Repeat_Date"), QStringLiteral("Btn_Date_Repeat"),
                              QStringLiteral("Choisir la date de rappel"));
    setOkRule([this] { return !m_vaccine->text().isEmpty(); });
}

void TEnterVaccineExe::checkBeforePost()
{
    const Field injection = row().field(QStringLiteral("Date_Vaccine"));
    // Without its date an injection could not be placed among the others;
    // an emptied masked field still holds its slashes and blanks.
    if (injection.asString().remove(QLatin1Char('/')).remove(QLatin1Char('_')).trimmed().isEmpty())
        throw AppError(QStringLiteral("Indiquez la date de vaccination."));
    const QDate given = injection.asDate();
    const QDate booster = row().field(QStringLiteral("Repeat_Date")).asDate();
    if (given.isValid() && booster.isValid() && booster < given)
        throw AppError(QStringLiteral("La date de rappel (%1) précède la date de vaccination (%2).\r"
                                      "Corrigez l'une des deux dates.")
                           .arg(booster.toString(Formats::shortDate), given.toString(Formats::shortDate)));
}
