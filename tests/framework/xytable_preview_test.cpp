// The characteristic preview: plot geometry read from what it paints, axis placement for
// negative ranges, extreme and non-finite data, its messages to the owner, and the picture.
#include "xytable_support.h"

#include "afx/dc.h"
#include "framework/characteristic_preview.h"

#include <cfloat>
#include <cmath>
#include <fstream>
#include <sstream>

using namespace xytable_test;

namespace {

// The window of the time-function and lookup-table pages that own a preview: it counts the
// preview's messages.
class PreviewOwner : public CWnd {
public:
    int refreshes = 0;
    int closes = 0;
    LRESULT OnRefresh(WPARAM, LPARAM) {
        ++refreshes;
        return 0;
    }
    LRESULT OnClosed(WPARAM, LPARAM) {
        ++closes;
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(PreviewOwner, CWnd)
    ON_MESSAGE(kPreviewRefreshMessage, &PreviewOwner::OnRefresh)
    ON_MESSAGE(kPreviewClosedMessage, &PreviewOwner::OnClosed)
END_MESSAGE_MAP()

class XYPreviewTest : public ScriptedTest {
protected:
    void SetUp() override {
        ScriptedTest::SetUp();
        ASSERT_TRUE(owner.CreateMessageWindow());
    }
    void TearDown() override {
        ClearPoints();
        ScriptedTest::TearDown();
    }
    void ClearPoints() {
        for (INT_PTR i = 0; i < points.GetSize(); ++i) delete static_cast<CDataPoint*>(points.GetAt(i));
        points.RemoveAll();
    }
    // A preview of the points whose plot frame is 200 x 120 pixels at (10, 10): L = 30,
    // R = 190, T = 30, B = 110.
    std::unique_ptr<CCharacteristicDlg> Paint(const std::vector<std::pair<double, double>>& data) {
        for (const auto& p : data) points.Add(new CDataPoint(p.first, p.second));
        auto dialog = std::make_unique<CCharacteristicDlg>(&owner, CString("R1"));
        dialog->SetPointArray(&points);
        dialog->SetXAxisLabel("t [s]");
        dialog->SetYAxisLabel("y");
        EXPECT_TRUE(dialog->CreateModeless());
        if (dialog->GetSafeHwnd() != nullptr) {
            dialog->GetDlgItem(2127)->MoveWindow(10, 10, 200, 120);
            dialog->Invalidate();
            dialog->UpdateWindow();
        }
        return dialog;
    }
    static const qv::DrawItem* Curve(const CCharacteristicDlg& dialog) {
        const qv::DisplayList* list = qv::GetLastPainting(&dialog);
        if (list == nullptr) return nullptr;
        for (const auto& item : list->items)
            if (item.kind == qv::DrawKind::Polyline && item.pen.color == RGB(255, 0, 0)) return &item;
        return nullptr;
    }
    static bool HasLine(const CCharacteristicDlg& dialog, POINT a, POINT b) {
        const qv::DisplayList* list = qv::GetLastPainting(&dialog);
        if (list == nullptr) return false;
        for (const auto& item : list->items)
            if (item.kind == qv::DrawKind::Line && item.points.size() == 2 && item.points[0].x == a.x &&
                item.points[0].y == a.y && item.points[1].x == b.x && item.points[1].y == b.y)
                return true;
        return false;
    }
    static std::vector<std::string> Texts(const CCharacteristicDlg& dialog) {
        std::vector<std::string> texts;
        if (const qv::DisplayList* list = qv::GetLastPainting(&dialog))
            for (const auto& item : list->items)
                if (item.kind == qv::DrawKind::Text) texts.push_back(item.text);
        return texts;
    }

    PreviewOwner owner;
    CPtrArray points;
};

TEST_F(XYPreviewTest, ThreePointsFillThePlotFromCornerToCorner) {
    auto dialog = Paint({{0, 0}, {1, 1}, {2, 4}});
    ASSERT_NE(nullptr, dialog->GetSafeHwnd());
    EXPECT_EQ(CRect(10, 10, 210, 130), dialog->GetPlotRect());
    EXPECT_DOUBLE_EQ(80.0, dialog->GetXScale());
    EXPECT_DOUBLE_EQ(20.0, dialog->GetYScale());
    EXPECT_TRUE(HasLine(*dialog, {30, 110}, {190, 110})) << "the horizontal axis lies at B";
    EXPECT_TRUE(HasLine(*dialog, {30, 30}, {30, 110})) << "the vertical axis lies at L";
    const qv::DrawItem* curve = Curve(*dialog);
    ASSERT_NE(nullptr, curve);
    ASSERT_EQ(3u, curve->points.size());
    EXPECT_EQ(30, curve->points[0].x);
    EXPECT_EQ(110, curve->points[0].y);
    EXPECT_EQ(110, curve->points[1].x);
    EXPECT_EQ(90, curve->points[1].y);
    EXPECT_EQ(190, curve->points[2].x) << "the last point is drawn at R";
    EXPECT_EQ(30, curve->points[2].y) << "and at T";
    const std::vector<std::string> texts = Texts(*dialog);
    for (const char* label : {"0", "2", "4", "t [s]", "y"})
        EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), label)) << label;
}

TEST_F(XYPreviewTest, AxesLieOnTheZeroLinesOfNegativeRanges) {
    auto centred = Paint({{-1, 0}, {1, 2}});
    EXPECT_TRUE(HasLine(*centred, {110, 30}, {110, 110})) << "x from -1 to 1: the vertical axis in the middle";
    centred.reset();
    ClearPoints();

    auto mixed = Paint({{0, -1}, {1, 3}});
    EXPECT_TRUE(HasLine(*mixed, {30, 90}, {190, 90})) << "y from -1 to 3: the horizontal axis on y = 0";
    mixed.reset();
    ClearPoints();

    // All values negative: y = 0 lies above the plot and x = 0 right of it, so the axes lie at
    // the top and right edges, and the curve still spans the drawing area.
    auto negative = Paint({{-3, -1}, {-1, -3}});
    EXPECT_TRUE(HasLine(*negative, {30, 30}, {190, 30}));
    EXPECT_TRUE(HasLine(*negative, {190, 30}, {190, 110}));
    const qv::DrawItem* curve = Curve(*negative);
    ASSERT_NE(nullptr, curve);
    EXPECT_EQ(30, curve->points[0].x);
    EXPECT_EQ(30, curve->points[0].y);
    EXPECT_EQ(190, curve->points[1].x);
    EXPECT_EQ(110, curve->points[1].y);
}

TEST_F(XYPreviewTest, ExtremeAndNonFiniteValuesAreDrawnWithoutOverflow) {
    const double inf = std::numeric_limits<double>::infinity();
    auto dialog = Paint({{0, 0}, {1, inf}, {2, 1}, {std::nan(""), 5}, {3, -1e300}, {4, 4.9e-324}});
    ASSERT_NE(nullptr, dialog->GetSafeHwnd());
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    dialog->GetRange(xMin, yMin, xMax, yMax);
    EXPECT_EQ(0.0, xMin);
    EXPECT_EQ(4.0, xMax);
    EXPECT_EQ(DBL_MAX, yMax) << "an infinite y widens the range only to the largest finite double";
    EXPECT_EQ(-1e300, yMin);
    const qv::DrawItem* curve = Curve(*dialog);
    ASSERT_NE(nullptr, curve);
    EXPECT_EQ(4u, curve->points.size()) << "points with a non-finite value are not drawn";

    // A single point: the zero ranges keep the scales of the last paint.
    ClearPoints();
    points.Add(new CDataPoint(1, 1));
    dialog->Invalidate();
    dialog->UpdateWindow();
    EXPECT_DOUBLE_EQ(40.0, dialog->GetXScale());
    EXPECT_TRUE(HasLine(*dialog, {30, 110}, {190, 110}));

    // No points at all: axes and labels, no curve.
    dialog->SetPointArray(nullptr);
    dialog->Invalidate();
    dialog->UpdateWindow();
    EXPECT_EQ(nullptr, Curve(*dialog));
    EXPECT_TRUE(HasLine(*dialog, {30, 110}, {190, 110}));
}

TEST_F(XYPreviewTest, ItAsksItsParentForDataWhenClickedAndReportsItsEndOnce) {
    auto dialog = Paint({{0, 0}, {1, 1}});
    ASSERT_NE(nullptr, dialog->GetSafeHwnd());
    CString caption;
    dialog->GetWindowText(caption);
    EXPECT_EQ(CString("R1  Characteristic"), caption);
    CString hint;
    dialog->GetDlgItem(2128)->GetWindowText(hint);
    EXPECT_EQ(CString("Click for Update"), hint);
    EXPECT_TRUE(dialog->GetExStyle() & WS_EX_TOPMOST);
    EXPECT_EQ(nullptr, dialog->GetParent()) << "the preview has no parent window";

    dialog->SendMessage(WM_ACTIVATE, MAKEWPARAM(1, 0), 0);
    EXPECT_EQ(0, owner.refreshes) << "only an activation by a click asks for data";
    dialog->SendMessage(WM_ACTIVATE, MAKEWPARAM(2, 0), 0);
    EXPECT_EQ(1, owner.refreshes);

    ASSERT_TRUE(qv::ui::Close(dialog.get()));
    EXPECT_EQ(nullptr, dialog->GetSafeHwnd());
    EXPECT_EQ(1, owner.closes);
    dialog.reset();
    EXPECT_EQ(1, owner.closes);
}

TEST_F(XYPreviewTest, ThePictureIsSavedAsSvg) {
    auto dialog = Paint({{0, 0}, {1, 1}, {2, 4}});
    TempFolders folders;
    const std::string path = folders.other + "preview.svg";
    ASSERT_TRUE(SaveCharacteristicPreviewSvg(dialog.get(), path.c_str()));
    std::ifstream in(path);
    std::stringstream svg;
    svg << in.rdbuf();
    EXPECT_NE(std::string::npos, svg.str().find("<svg"));
    EXPECT_NE(std::string::npos, svg.str().find("<polyline"));
    EXPECT_FALSE(SaveCharacteristicPreviewSvg(dialog.get(), (folders.other + "missing/x.svg").c_str()));
    EXPECT_FALSE(SaveCharacteristicPreviewSvg(nullptr, path.c_str()));
}

} // namespace
