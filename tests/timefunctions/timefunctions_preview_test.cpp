// The sine preview against an independent oracle (numpy, tests/timefunctions/sine_oracle.py),
// and the preview window as the page opens, refreshes and closes it.
#include "timefunctions_support.h"

#include <cmath>
#include <cstdio>
#include <sstream>

using namespace tf_test;
using qv::timefunctions::ComputeSinePoints;
using qv::timefunctions::CurvePoint;
using qv::timefunctions::FlooredRemainder;
using qv::timefunctions::SineCurve;

namespace {

std::vector<CurvePoint> Oracle(const SineCurve& c) {
    std::ostringstream arguments;
    arguments.precision(17);
    arguments << c.frequency << ' ' << c.period << ' ' << c.amplitude << ' ' << c.phase << ' ' << c.offset << ' '
              << c.delay << ' ' << (c.periodic ? 1 : 0) << ' ' << (c.periodGiven ? 1 : 0);
    return OracleCurve(SINE_ORACLE, arguments.str());
}

void ExpectSameCurve(const std::vector<CurvePoint>& expected, const std::vector<CurvePoint>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const double scale = std::max(1.0, std::fabs(expected[i].y));
        EXPECT_NEAR(expected[i].t, actual[i].t, 1e-12 * std::max(1.0, std::fabs(expected[i].t))) << "point " << i;
        EXPECT_NEAR(expected[i].y, actual[i].y, 1e-9 * scale) << "point " << i;
    }
}

TEST(SinePreview, PointsAgreeWithTheOracle) {
    struct Case {
        const char* name;
        SineCurve curve;
    };
    const Case cases[] = {
        {"periodic, period from the frequency",
         {.frequency = 50, .period = 0.02, .amplitude = 2, .phase = 0.5, .offset = 1, .delay = 0.003}},
        {"periodic, a shorter period given restarts at P",
         {.frequency = 50, .period = 0.013, .amplitude = 1, .phase = 0, .offset = 0, .delay = 0, .periodGiven = true}},
        {"periodic, the period given prints as 1/f",
         {.frequency = 3, .period = 1.0 / 3.0, .amplitude = 1, .phase = 0.1, .offset = 0, .delay = 0,
          .periodGiven = true}},
        {"f = 1 not periodic: 0 after the end",
         {.frequency = 1, .period = 1, .amplitude = 1, .phase = 0, .offset = 0.5, .delay = 0, .periodic = false}},
        {"not periodic, end at the period given",
         {.frequency = 2, .period = 0.3, .amplitude = 3, .phase = 0, .offset = 0, .delay = 1, .periodic = false,
          .periodGiven = true}},
        {"f = 0 is flat at the offset", {.frequency = 0, .period = 0.02, .amplitude = 5, .offset = -2}},
        {"RMS 230 at 50 Hz", {.frequency = 50, .period = 0.02, .amplitude = 230 * std::sqrt(2.0)}},
        {"P = 0 stays finite",
         {.frequency = 50, .period = 0, .amplitude = 1, .phase = 0.25, .offset = 0, .delay = 0, .periodGiven = true}},
        {"negative period given",
         {.frequency = 10, .period = -0.05, .amplitude = 1, .phase = 0, .offset = 0, .delay = 0, .periodGiven = true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<CurvePoint> actual = ComputeSinePoints(c.curve);
        EXPECT_EQ(101u, actual.size());
        ExpectSameCurve(Oracle(c.curve), actual);
    }
}

TEST(SinePreview, NonPeriodicEndKeepsThePreviousPoint) {
    // With P = 1 and f = 1, t = 0.25 of point 12 and a half is not sampled; point 25 (t =
    // 0.5) is inside at the offset, point 50 (t = 1) is exactly the end and keeps point 49's
    // value, point 51 is past the end.
    const auto points = ComputeSinePoints({.frequency = 1, .period = 1, .amplitude = 1, .phase = 0, .offset = 3,
                                           .delay = 0, .periodic = false});
    ASSERT_EQ(101u, points.size());
    EXPECT_DOUBLE_EQ(points[49].y, points[50].y);
    EXPECT_EQ(0.0, points[51].y);
    EXPECT_NEAR(3.0, points[25].y, 1e-12);
    EXPECT_NEAR(3.0 + std::sin(2 * M_PI * 0.24), points[12].y, 1e-12);
}

TEST(SinePreview, NonFinitePointsAreLeftOut) {
    const auto points = ComputeSinePoints({.frequency = 50, .period = 1e308, .amplitude = 1});
    for (const CurvePoint& point : points) {
        EXPECT_TRUE(std::isfinite(point.t));
        EXPECT_TRUE(std::isfinite(point.y));
    }
    EXPECT_LT(points.size(), 101u);
}

TEST(SinePreview, FlooredRemainder) {
    struct Case {
        double x, m, expected;
    };
    const Case cases[] = {{7, 3, 1}, {-7, 3, 2}, {7, -3, -2}, {0.5, 0, 0.5}, {-1, 0, -1}, {6, 3, 0}};
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(c.expected, FlooredRemainder(c.x, c.m)) << c.x << " mod " << c.m;
}

// ---------------------------------------------------------------------------------------
// The preview window of the page.

using SinePreviewWindow = SourcesTest;

TEST_F(SinePreviewWindow, ShowOpensUpdateRefreshesAndClosingSaysShowAgain) {
    DWORD element = 0;
    WizardOnSheet wizard(NewWizard<CTFMSineWizard4>(kSineRows, "SIN1", &element));
    CPropTFMSine* page = wizard.Page();
    ASSERT_TRUE(qv::ui::Click(page, 2204));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2050), "230"));
    EXPECT_EQ("Show", Text(page, 2217));
    CCharacteristicDlg* preview = ShownPreview(page);
    ASSERT_NE(nullptr, preview);
    ASSERT_EQ(101, page->GetPreviewPoints().GetSize());
    // The peak of the curve is the RMS value times the root of two.
    EXPECT_NEAR(230 * std::sqrt(2.0), page->CurveFromFields().amplitude, 1e-9);
    EXPECT_NEAR(230 * std::sqrt(2.0) * std::sin(2 * M_PI * 50 * 0.0048),
                static_cast<CDataPoint*>(page->GetPreviewPoints().GetAt(12))->y, 1e-9);

    // A changed offset reaches the preview when the user clicks into it.
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2047), "1000"));
    preview->SendMessage(WM_ACTIVATE, 2 /* a click activated it */, 0);
    EXPECT_NEAR(1000.0, static_cast<CDataPoint*>(page->GetPreviewPoints().GetAt(0))->y, 1e-9);

    preview->DestroyWindow();
    EXPECT_EQ("Show", Text(page, 2217)) << "the button reads its caption again";
    // A second "Show" makes a new window.
    ASSERT_TRUE(qv::ui::Click(page, 2217));
    ASSERT_NE(nullptr, page->GetPreview()->GetSafeHwnd());
}

TEST_F(SinePreviewWindow, TheDegreesTypedArePutIntoRadiansBeforeComputing) {
    WizardOnSheet wizard(NewWizard<CTFMSineWizard4>(kSineRows, "SIN1"));
    CPropTFMSine* page = wizard.Page();
    ASSERT_TRUE(qv::ui::ChooseEntry(static_cast<CComboBox*>(page->GetDlgItem(2513)), "deg"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2042), "90"));
    ASSERT_TRUE(qv::ui::ChooseEntry(static_cast<CComboBox*>(page->GetDlgItem(2509)), "kHz"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2036), "0.05"));
    const SineCurve curve = page->CurveFromFields();
    EXPECT_NEAR(std::acos(0.0), curve.phase, 1e-12);
    EXPECT_NEAR(50.0, curve.frequency, 1e-12);
    page->CalculateGraphic();
    EXPECT_NEAR(1.0, static_cast<CDataPoint*>(page->GetPreviewPoints().GetAt(0))->y, 1e-12);
}

} // namespace
