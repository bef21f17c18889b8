#pragma once

#include "ReferenceTables.h"

#include <array>
#include <optional>
#include <QDate>
#include <QList>
#include <QString>

// What the references say of a child's measures.
namespace GrowthReference {

struct Measure
{
    QDate date;
    double value = 0;
};

// The centiles drawn as reference curves, and the z-score of each.
inline constexpr std::array<int, 5> kCurveCentiles{3, 15, 50, 85, 97};
inline constexpr std::array<double, 5> kCurveZ{-1.880794, -1.036433, 0, 1.036433, 1.880794};

struct Assessment
{
    double z = 0;
    double centile = 50;
    bool lying = false; // compared with a length measured lying

    // Below the 3rd or above the 97th centile.
    bool outside() const { return centile < kCurveCentiles.front() || centile > kCurveCentiles.back(); }
    QString centileText() const; // "P 62"; "P < 1" and "P > 99" at the ends
    QString zText() const;       // "z +0,31"
    QString text() const;        // "P 62 (z +0,31)"
};

// The birth date when the text is ten characters "dd/mm/yyyy" naming a
// real day of a year from 1900 to 2099.
std::optional<QDate> birthDate(const QString& text);

// The z-score and centile of a measure by the LMS of its age in days from
// the birth date (the WHO's adjustment beyond 3 z for weight and BMI).
// None for a measure before birth, not above 0, past the references, or
// of a child whose sex is unknown.
std::optional<Assessment> assess(ReferenceTables& tables, Indicator indicator, Sex sex, const QDate& birth,
                                 const Measure& measure);

// kg / m².
double bodyMassIndex(double weightKg, double heightCm);
// The value of the measure of `others` (in date order) nearest to `day`,
// within 7 days either side; the earlier of two as near.
std::optional<double> nearestWithinAWeek(const QList<Measure>& others, const QDate& day);
// The BMI of each weighing that has a height measured within 7 days,
// dated as the weighing; `weights` and `heights` in date order.
QList<Measure> bodyMassIndices(const QList<Measure>& weights, const QList<Measure>& heights);

} // namespace GrowthReference
