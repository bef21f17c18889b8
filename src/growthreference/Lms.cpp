#include "Lms.h"

#include <cmath>

namespace Lms {
namespace {
// |L| below this counts as 0: the power form loses its precision there.
constexpr double kZeroPower = 1e-9;
} // namespace

double zScore(const Parameters& p, double value)
{
    if (std::abs(p.l) < kZeroPower)
        return std::log(value / p.m) / p.s;
    return (std::pow(value / p.m, p.l) - 1) / (p.l * p.s);
}

double adjustedZScore(const Parameters& p, double value)
{
    const double z = zScore(p, value);
    if (z > 3) {
        const double sd3 = valueAt(p, 3);
        return 3 + (value - sd3) / (sd3 - valueAt(p, 2));
    }
    if (z < -3) {
        const double sd3 = valueAt(p, -3);
        return -3 + (value - sd3) / (valueAt(p, -2) - sd3);
    }
    return z;
}

double valueAt(const Parameters& p, double z)
{
    if (std::abs(p.l) < kZeroPower)
        return p.m * std::exp(p.s * z);
    return p.m * std::pow(1 + p.l * p.s * z, 1 / p.l);
}

double centile(double z)
{
    return 50 * std::erfc(-z / std::sqrt(2.0));
}

Parameters between(const Parameters& a, const Parameters& b, double weight)
{
    return {a.l + weight * (b.l - a.l), a.m + weight * (b.m - a.m), a.s + weight * (b.s - a.s)};
}

} // namespace Lms
