// Polynomials given by their roots, as the tests and benchmarks of the discretizer build their
// plants.
#pragma once

#include <complex>
#include <utility>
#include <vector>

namespace qv_test {

// Ascending coefficients of gain·prod (s - r) for real or conjugate-paired roots, formed in long
// double (pairs give real sums).
inline std::vector<double> FromRoots(const std::vector<std::complex<double>>& roots, double gain = 1.0) {
    std::vector<std::complex<long double>> c{1.0L};
    for (const auto& r : roots) {
        std::vector<std::complex<long double>> next(c.size() + 1, 0.0L);
        for (size_t i = 0; i < c.size(); ++i) {
            next[i + 1] += c[i];
            next[i] -= std::complex<long double>(r.real(), r.imag()) * c[i];
        }
        c = std::move(next);
    }
    std::vector<double> out;
    for (const auto& v : c) out.push_back(static_cast<double>(v.real() * gain));
    return out;
}

} // namespace qv_test
