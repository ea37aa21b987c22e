// Least-squares polynomial fit through the normal equations, and the R² of a
// quadratic given as the float coefficients that a head stores.
//
// Numerics kept on purpose: powers are exp(j ln x) (exactly 0 for x = 0, NaN
// for a negative x), the elimination has no pivoting and no test for a zero
// pivot. Too few or unsuitable points give NaN or infinite coefficients,
// never an error: callers check the results (std::isfinite) before they use
// them for anything but display.
#pragma once

#include <cstdint>
#include <memory>

class CPolyFit {
public:
    // Fits y ~ sum c_j x^j, j = 0..m, over the n pairs (x[i], y[i]). x and y
    // are read during the call only. A degree below 0 counts as 0; n <= 0
    // yields NaN coefficients.
    CPolyFit(int32_t n, const double* x, const double* y, int32_t m);
    CPolyFit(const CPolyFit&) = delete;
    CPolyFit& operator=(const CPolyFit&) = delete;

    int32_t m_nDegree;
    std::unique_ptr<double[]> m_pCoef; // m_nDegree + 1 values, ascending powers

    // Coefficient of x^j; 0 beyond the degree.
    double Coef(int32_t j) const { return j >= 0 && j <= m_nDegree ? m_pCoef[j] : 0.0; }
};

// 1 - SSres / SStot of y against (a*x)*x + b*x + c over n pairs, coef = {a, b, c}
// widened to double. NaN for n <= 0; -inf when every y is equal and the curve
// misses them.
double ComputeRSquared(int32_t n, const double* x, const double* y, const float coef[3]);
