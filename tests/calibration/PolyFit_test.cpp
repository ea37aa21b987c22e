// The quadratic fit and its R², against exact polynomials and an independent
// least-squares solution (Cramer's rule in long double).
#include "calibration/PolyFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

// Least squares of degree 2 by the normal equations solved with Cramer's rule
// in long double: returns {c0, c1, c2}.
std::vector<long double> ReferenceQuadratic(const std::vector<double>& x,
                                            const std::vector<double>& y) {
    long double s[5] = {}, b[3] = {};
    for (size_t i = 0; i < x.size(); ++i) {
        long double p = 1.0L;
        for (int k = 0; k < 5; ++k) {
            s[k] += p;
            if (k < 3)
                b[k] += p * y[i];
            p *= x[i];
        }
    }
    auto det = [](long double m[3][3]) {
        return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
               m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    };
    long double a[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            a[r][c] = s[r + c];
    const long double d = det(a);
    std::vector<long double> out(3);
    for (int col = 0; col < 3; ++col) {
        long double m[3][3];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                m[r][c] = c == col ? b[r] : a[r][c];
        out[col] = det(m) / d;
    }
    return out;
}

TEST(PolyFit, ExactParabolaAndItsRSquared) {
    const double x[] = {0, 1, 2, 3};
    const double y[] = {1, 3, 7, 13};
    const CPolyFit fit(4, x, y, 2);
    ASSERT_EQ(fit.m_nDegree, 2);
    EXPECT_NEAR(fit.m_pCoef[0], 1.0, 1e-9);
    EXPECT_NEAR(fit.m_pCoef[1], 1.0, 1e-9);
    EXPECT_NEAR(fit.m_pCoef[2], 1.0, 1e-9);
    EXPECT_EQ(fit.Coef(3), 0.0);
    const float abc[3] = {1.0f, 1.0f, 1.0f};
    EXPECT_DOUBLE_EQ(ComputeRSquared(4, x, y, abc), 1.0);
}

TEST(PolyFit, ZeroXCountsOnlyInTheConstantTerm) {
    // With x = 0 among the points the sums of powers must see 0 there (not
    // exp(log 0) = NaN) and the count and plain sum of y must still see it.
    const double x[] = {0, 1, 2, 4};
    const double y[] = {5, 2, 3, 13};
    const CPolyFit fit(4, x, y, 2);
    const auto ref = ReferenceQuadratic({0, 1, 2, 4}, {5, 2, 3, 13});
    for (int j = 0; j < 3; ++j)
        EXPECT_NEAR(fit.m_pCoef[j], static_cast<double>(ref[j]), 1e-9) << j;
}

TEST(PolyFit, NegativeXOrNoPointsGiveNaNWithoutStopping) {
    const double x[] = {-1, 1, 2, 3};
    const double y[] = {1, 3, 7, 13};
    const CPolyFit negative(4, x, y, 2);
    for (int j = 0; j < 3; ++j)
        EXPECT_TRUE(std::isnan(negative.m_pCoef[j])) << j;

    const CPolyFit none(0, nullptr, nullptr, 2);
    for (int j = 0; j < 3; ++j)
        EXPECT_TRUE(std::isnan(none.m_pCoef[j])) << j;
    const float abc[3] = {1, 1, 1};
    EXPECT_TRUE(std::isnan(ComputeRSquared(0, nullptr, nullptr, abc)));

    // All y equal: no spread to explain.
    const double flat[] = {2, 2, 2};
    const double xs[] = {1, 2, 3};
    const float miss[3] = {0, 0, 1};
    EXPECT_EQ(ComputeRSquared(3, xs, flat, miss), -INFINITY);
}

TEST(PolyFit, RSquaredDescribesTheFloatRoundedCurve) {
    // y = 0.1 x^2 + 0.3 x + 0.7 exactly in double; 0.1, 0.3 and 0.7 are not
    // floats, so the stored curve misses the points by a little.
    std::vector<double> x, y;
    for (int i = 0; i < 40; ++i) {
        x.push_back(100.0 * i);
        y.push_back(0.1 * x.back() * x.back() + 0.3 * x.back() + 0.7);
    }
    const CPolyFit fit(40, x.data(), y.data(), 2);
    const float abc[3] = {static_cast<float>(fit.m_pCoef[2]), static_cast<float>(fit.m_pCoef[1]),
                          static_cast<float>(fit.m_pCoef[0])};
    // Independent R² of the float curve.
    double mean = 0, res = 0, tot = 0;
    for (double v : y)
        mean += v / 40.0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double f = double(abc[0]) * x[i] * x[i] + double(abc[1]) * x[i] + double(abc[2]);
        res += (y[i] - f) * (y[i] - f);
        tot += (y[i] - mean) * (y[i] - mean);
    }
    const double r2 = ComputeRSquared(40, x.data(), y.data(), abc);
    EXPECT_LT(r2, 1.0);
    EXPECT_NEAR(r2, 1.0 - res / tot, 1e-15);
}

TEST(PolyFit, AgreesWithAnIndependentSolutionOnNoisyCalibrationData) {
    // Photodiode counts against µW/cm², shaped like a head's curve, with noise;
    // 255 points at the table's limit.
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 150.0);
    std::vector<double> x, y;
    for (int i = 0; i < 255; ++i) {
        const double counts = 5.0 + 6.6 * i;
        x.push_back(counts);
        y.push_back(2e-3 * counts * counts + 48.0 * counts + 120.0 + noise(rng));
    }
    const CPolyFit fit(255, x.data(), y.data(), 2);
    const auto ref = ReferenceQuadratic(x, y);
    EXPECT_NEAR(fit.m_pCoef[2], static_cast<double>(ref[2]),
                1e-9 * std::fabs(double(ref[2])) + 1e-12);
    EXPECT_NEAR(fit.m_pCoef[1], static_cast<double>(ref[1]), 1e-7 * std::fabs(double(ref[1])));
    EXPECT_NEAR(fit.m_pCoef[0], static_cast<double>(ref[0]),
                1e-4 * std::fabs(double(ref[0])) + 1e-3);
    const float abc[3] = {static_cast<float>(fit.m_pCoef[2]), static_cast<float>(fit.m_pCoef[1]),
                          static_cast<float>(fit.m_pCoef[0])};
    EXPECT_GT(ComputeRSquared(255, x.data(), y.data(), abc), 0.9999);
}

} // namespace
