#include "calibration/PolyFit.h"

#include <cmath>
#include <vector>

namespace {

// x^j through the logarithm, as the fit has always computed it: 0 for x = 0,
// NaN for x < 0.
double Power(double x, int j) {
    return x == 0.0 ? 0.0 : std::exp(j * std::log(x));
}

} // namespace

CPolyFit::CPolyFit(int32_t n, const double* x, const double* y, int32_t m)
    : m_nDegree(m < 0 ? 0 : m) {
    const int deg = m_nDegree;
    const size_t size = static_cast<size_t>(deg) + 1;
    std::vector<double> b(size, 0.0);
    std::vector<double> s(2 * size, 0.0);
    std::vector<double> a(size * size);
    auto A = [&](int r, int c) -> double& { return a[static_cast<size_t>(r) * size + c]; };

    for (int32_t i = 0; i < n; ++i)
        b[0] += y[i];
    s[0] = static_cast<double>(n);
    for (int j = 1; j <= deg; ++j) {
        for (int32_t i = 0; i < n; ++i) {
            const double p = Power(x[i], j);
            s[j] += p;
            b[j] += p * y[i];
        }
    }
    for (int j = deg + 1; j <= 2 * deg; ++j)
        for (int32_t i = 0; i < n; ++i)
            s[j] += Power(x[i], j);

    for (int r = 0; r <= deg; ++r)
        for (int c = 0; c <= deg; ++c)
            A(r, c) = s[r + c];

    for (int k = 0; k < deg; ++k) {
        for (int r = k + 1; r <= deg; ++r) {
            b[r] -= (A(r, k) / A(k, k)) * b[k];
            for (int c = k + 1; c <= deg; ++c)
                A(r, c) -= (A(r, k) / A(k, k)) * A(k, c);
        }
    }

    m_pCoef = std::make_unique<double[]>(size);
    m_pCoef[deg] = b[deg] / A(deg, deg);
    for (int i = deg - 1; i >= 0; --i) {
        double sum = 0.0;
        for (int c = i + 1; c <= deg; ++c)
            sum += A(i, c) * m_pCoef[c];
        m_pCoef[i] = (b[i] - sum) / A(i, i);
    }
}

double ComputeRSquared(int32_t n, const double* x, const double* y, const float coef[3]) {
    const double a = coef[0], b = coef[1], c = coef[2];
    double sum = 0.0;
    for (int32_t i = 0; i < n; ++i)
        sum += y[i];
    const double mean = sum / n;
    double ssRes = 0.0, ssTot = 0.0;
    for (int32_t i = 0; i < n; ++i) {
        const double f = (a * x[i]) * x[i] + b * x[i] + c;
        ssRes += (y[i] - f) * (y[i] - f);
        ssTot += (y[i] - mean) * (y[i] - mean);
    }
    return 1.0 - ssRes / ssTot;
}
