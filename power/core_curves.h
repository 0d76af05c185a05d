// B(H) characteristics of the magnetic core's five model levels, as the core-model pages show
// them in the characteristic preview: 0 linear, 1 anhysteretic hyperbola, 2 anhysteretic
// Langevin, 3 hysteresis loop on the hyperbola, 4 hysteresis loop on the Langevin function.
//
// Model parameters are read from the element's parameter objects (value IDs 1000 to 1999):
//
// | keyword    | symbol | unit | levels |
// |------------|--------|------|--------|
// | "MUE"      | mu_r   |      | 0      |
// | "AHYP"     | A      | A/m  | 1, 3   |
// | "MSHYP"    | Ms     | A/m  | 1, 3   |
// | "CHYP"     | c      |      | 3      |
// | "KHYP"     | k      | A/m  | 3      |
// | "ALAN"     | a      | A/m  | 2, 4   |
// | "MSLAN"    | Ms     | A/m  | 2, 4   |
// | "ALPHALAN" | alpha  |      | 2, 4   |
// | "CLAN"     | c      |      | 4      |
// | "KLAN"     | k      | A/m  | 4      |
//
// "MUE", "AHYP" and "ALAN" match exactly, the others without regard to case; a later match
// wins. The curves are a preview only: nothing here writes parameters or model text.
#pragma once

#include "afx/afxwin.h"

#include <optional>
#include <vector>

namespace qv::power::cores {

inline constexpr double kMu0 = 1.2566370614359173e-6;
inline constexpr double kInvMu0 = 795774.7154594767;
// Solver tolerance: 1 mT of flux density expressed as field (0.001 / mu0), in A/m.
inline constexpr double kSolverTolerance = 795.7747154594767;
inline constexpr int kSolverSteps = 20;
inline constexpr int kSweepPoints = 200;
// Bounds that keep every loop finite whatever the parameters.
inline constexpr int kEndPointPasses = 100;
inline constexpr long kFieldSearchSteps = 1000000;
inline constexpr int kFieldSearchNewtonSteps = 100;

struct CurvePoint {
    double h = 0.0;  // A/m
    double b = 0.0;  // T
};

// B on the anhysteretic Langevin curve at field H, Newton on M started at Bstart. Returns the
// iterate at which the last residual was evaluated (after at most 20 steps).
double LangevinFluxForField(double H, double Bstart, double Ms, double alpha, double a);
// H at which the anhysteretic Langevin curve reaches flux density B, started at Hstart.
double LangevinFieldForFlux(double B, double Hstart, double Ms, double alpha, double a);

// The value of a keyword in a parameter array (CWizardCopaObject3*), or none when missing.
std::optional<double> FindModelValue(const CPtrArray& params, const char* keyword);

// The characteristic of a level (points in display order: 2 for level 0, 200 for levels 1
// and 2, 400 for the loops). Empty for a level outside 0 to 4 or when one of the level's
// keywords is missing.
std::vector<CurvePoint> BuildCurve(int level, const CPtrArray& params);

// The field bound of the loops' search (levels 3 and 4) for the given parameters; exposed for
// checks. Returns the field and B there.
struct FieldSearch {
    double hmax = 0.0;
    double bmax = 0.0;
};
FieldSearch HyperbolaFieldSearch(double A, double Ms);
FieldSearch LangevinFieldSearch(double a, double Ms, double alpha);

// Deletes the CDataPoint objects a point list holds and refills it with the points.
void ReplacePointList(CPtrArray& list, const std::vector<CurvePoint>& points);
// Deletes the CDataPoint objects a point list holds and empties it.
void ClearPointList(CPtrArray& list);

}  // namespace qv::power::cores
