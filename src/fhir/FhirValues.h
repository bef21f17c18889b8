#pragma once

#include "Money.h"

#include <optional>
#include <QDate>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QTime>

// The FHIR forms of the program's values, both ways. Texts, dates and
// times that no FHIR element can give back exactly travel beside the
// element in the program's extensions, so that reading a bundle of the
// program gives back exactly what it wrote.
namespace FhirValues {

// ---- Texts -----------------------------------------------------------------
// A text as a FHIR string may hold it: control characters (but tab, CR and
// LF) become U+FFFD, other spaces than the blank become blanks.
QString sanitized(const QString& text);
// Puts the text under `key` (nothing for an empty text); a text that had to
// be sanitized goes along exactly, as UTF-8 in the original-text extension.
void putText(QJsonObject& object, const QString& key, const QString& text);
// The same when the element shows `shown` but the program's text is `text`
// (the first line of a memo, for one): the text goes along when they differ.
void putTextShown(QJsonObject& object, const QString& key, const QString& shown, const QString& text);
// The program's text of the element: the original-text when there is one.
QString readText(const QJsonObject& object, const QString& key);

// ---- Extensions ------------------------------------------------------------
QJsonObject textExtension(const QString& url, const QString& text);   // {} for an empty text
void addExtension(QJsonObject& object, const QJsonObject& extension); // an empty one is left out
// The first extension with that url, or {}.
QJsonObject extension(const QJsonObject& object, const QString& url);
QString extensionText(const QJsonObject& object, const QString& url);
// Extensions of a primitive element, kept under "_" + key.
void addElementExtension(QJsonObject& object, const QString& key, const QJsonObject& extension);
QJsonObject elementExtension(const QJsonObject& object, const QString& key, const QString& url);

// ---- Codes -----------------------------------------------------------------
QJsonObject coding(const QString& system, const QString& code, const QString& display = {});
QJsonObject codeable(const QJsonObject& coding, const QString& text = {});
bool hasCoding(const QJsonObject& codeable, const QString& system, const QString& code = {});
QString codeIn(const QJsonObject& codeable, const QString& system);

// ---- Dates and times -------------------------------------------------------
// A date and a time as the program keeps them: texts, the date readable
// (valid) only when its text gives it back exactly.
struct Moment
{
    QString dateText;
    QDate date;
    QString timeText;
};
// A Date/Time column's stored text ("yyyy-MM-dd"), and the birth date's ("dd/MM/yyyy").
Moment storedMoment(const QString& storedDate, const QString& time);
Moment birthMoment(const QString& birthDate, const QString& time);
// A time text "hh:mm" that reads as a time of day.
std::optional<QTime> readTime(const QString& text);

// Puts the moment as a dateTime (with the time and the local offset of that
// moment) or a date; texts that are no date or time go in extensions.
void putMoment(QJsonObject& object, const QString& key, const Moment& moment, bool withTime = true);
// What the program keeps of a FHIR date or dateTime: the local date and
// "hh:mm" (an offset other than the local one is turned into local time).
struct ReadMoment
{
    QDate date;
    QString time;
};
std::optional<ReadMoment> parseDateTime(const QString& text);
// The stored texts back: the date as storage wants it (empty: none).
struct StoredTexts
{
    QString date; // "yyyy-MM-dd" or the date-text
    QString time;
};
StoredTexts readMoment(const QJsonObject& object, const QString& key);
StoredTexts readBirthMoment(const QJsonObject& patient);
QString dateTimeText(const QDate& date, const QTime& time);

// ---- Numbers and money -----------------------------------------------------
QJsonObject money(Money::Amount amount);
std::optional<Money::Amount> readMoney(const QJsonObject& money);
QJsonObject quantity(double value, const QString& unitText, const QString& ucumCode);
// A unit as the program's users write it, in UCUM, or empty when unknown.
QString ucumCode(const QString& unit);

// ---- References ------------------------------------------------------------
QJsonObject reference(const QString& fullUrl);
QString referenceOf(const QJsonObject& object, const QString& key);

} // namespace FhirValues
