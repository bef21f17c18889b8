#pragma once

#include <QString>

// The names a bundle of the program uses: HL7's systems and codes, and the
// program's own extensions and codes for what no FHIR element holds. The
// program's canonical addresses never change, whatever the maker's site
// becomes, since bundles already written carry them.
namespace FhirTerms {

inline const QString programBase = QStringLiteral("https://www.halvorn.example.com/fhir/");
inline QString extension(const char* name)
{
    return programBase + QStringLiteral("StructureDefinition/") + QLatin1String(name);
}
inline QString codeSystem(const char* name)
{
    return programBase + QStringLiteral("CodeSystem/") + QLatin1String(name);
}

// The program's extensions.
inline const QString originalText = extension("original-text"); // a text no element can give back exactly
inline const QString dateText = extension("date-text");         // a date text that is no date
inline const QString timeText = extension("time-text");         // a time text that is no "hh:mm"
inline const QString customField = extension("custom-field");   // number, label, value
inline const QString chartAxes = extension("chart-axes");       // weight, size, analysis
inline const QString listEntry = extension("list-entry");       // description, category, gravity
inline const QString gravity = extension("gravity");
inline const QString practitionerRemark = extension("practitioner-remark");
inline const QString boosterDate = extension("booster-date");
inline const QString boosterPending = extension("booster-pending");
inline const QString convention = extension("convention");
inline const QString note = extension("note");
inline const QString followedAnalysis = extension("followed-analysis");
inline const QString catalogueDefinition = extension("catalogue-definition");
inline const QString analysisRemark = extension("analysis-remark");

// The program's code systems: its own kinds, and the household's reference
// lists, whose codes are the rows' identifiers.
inline const QString kinds = codeSystem("kinds");
inline const QString illnesses = codeSystem("illnesses");
inline const QString drugs = codeSystem("drugs");
inline const QString vaccines = codeSystem("vaccines");
inline const QString analyses = codeSystem("analyses");
namespace Kind {
inline const QString event = QStringLiteral("evenement");
inline const QString history = QStringLiteral("antecedents");
inline const QString picture = QStringLiteral("document-image");
inline const QString file = QStringLiteral("document-fichier");
inline const QString thumbnail = QStringLiteral("vignette");
inline const QString icon = QStringLiteral("icone");
inline const QString nationalInsurance = QStringLiteral("secu");
inline const QString complementary = QStringLiteral("complementaire");
} // namespace Kind

// HL7's.
inline const QString loinc = QStringLiteral("http://loinc.org");
inline const QString ucum = QStringLiteral("http://unitsofmeasure.org");
inline const QString uriIdentifier = QStringLiteral("urn:ietf:rfc:3986");
// The French national health number (NIR).
inline const QString nir = QStringLiteral("urn:oid:1.2.250.1.213.1.4.8");
inline const QString birthTime = QStringLiteral("http://hl7.org/fhir/StructureDefinition/patient-birthTime");
inline const QString birthPlace =
    QStringLiteral("http://hl7.org/fhir/StructureDefinition/patient-birthPlace");
inline const QString observationCategory =
    QStringLiteral("http://terminology.hl7.org/CodeSystem/observation-category");
inline const QString conditionCategory =
    QStringLiteral("http://terminology.hl7.org/CodeSystem/condition-category");
inline const QString actCode = QStringLiteral("http://terminology.hl7.org/CodeSystem/v3-ActCode");
inline const QString claimType = QStringLiteral("http://terminology.hl7.org/CodeSystem/claim-type");
inline const QString adjudication = QStringLiteral("http://terminology.hl7.org/CodeSystem/adjudication");
inline const QString informationCategory =
    QStringLiteral("http://terminology.hl7.org/CodeSystem/claiminformationcategory");

namespace Loinc {
inline const QString bodyWeight = QStringLiteral("29463-7");
inline const QString bodyHeight = QStringLiteral("8302-2");
inline const QString bodyMassIndex = QStringLiteral("39156-5");
inline const QString birthWeight = QStringLiteral("8339-4");
inline const QString birthLength = QStringLiteral("89269-5");
inline const QString bloodGroup = QStringLiteral("882-1");
} // namespace Loinc

} // namespace FhirTerms
