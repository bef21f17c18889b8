#pragma once

// The LMS method of the WHO growth references: at each age a measure is
// described by the Box-Cox power L, the median M and the coefficient of
// variation S.
namespace Lms {

struct Parameters
{
    double l = 1;
    double m = 0;
    double s = 0;
};

// z = ((X/M)^L - 1) / (L S), or ln(X/M) / S when L is 0.
double zScore(const Parameters& p, double value);
// The z-score as the WHO computes it for weight and BMI: beyond +3 or -3
// the rest is counted in steps of the distance between the 2 and 3 SD
// cut-offs, so that the long skewed tail does not squeeze extreme values
// towards the middle.
double adjustedZScore(const Parameters& p, double value);
// The measure at that z-score: M (1 + L S z)^(1/L), or M exp(S z) when L is 0.
double valueAt(const Parameters& p, double z);
// The centile of a z-score, 0 to 100: the standard normal distribution.
double centile(double z);

// The rows of a table between which an age falls, weighed linearly.
Parameters between(const Parameters& a, const Parameters& b, double weight);

} // namespace Lms
