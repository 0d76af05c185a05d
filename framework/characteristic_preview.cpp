// The characteristic preview window (see characteristic_preview.h).
//
// Geometry: the plot rectangle is the frame control 2127; the drawing area is inset by 20
// pixels on every side (L, T, R, B). Scales are (height - 40) / |yMax - yMin| and
// (width - 40) / |xMax - xMin| pixels per unit; a zero range keeps the previous scale. A
// point is drawn at x = R - (xMax - x) * xScale and y = T + (yMax - y) * yScale, every
// product of a value and a scale rounded on its own, so the range always spans the drawing
// area. The axes lie on the zero lines, or at the edge nearest to zero when a range does not
// contain it.
//
// Pixel arithmetic is done in 64 bits and clamped to the integer range, and the products go
// through the toolkit's checked conversions, so extreme data can only push a line out of
// the picture. Points with a non-finite coordinate are not drawn.
#include "framework/characteristic_preview.h"

#include "afx/dc.h"
#include "framework/data_classes.h"
#include "framework/module.h"
#include "framework/xy_table.h"
#include "toolkit/tb_numbers.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#ifndef WA_CLICKACTIVE
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2
#endif

BEGIN_MESSAGE_MAP(CCharacteristicDlg, CTBDialog)
    ON_WM_PAINT()
    ON_WM_ACTIVATE()
    ON_WM_SIZE()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

namespace {

constexpr int kFrameId = 2127;
constexpr int kHintId = 2128;
constexpr UINT kHintString = 2521;
constexpr int kMargin = 20;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
// DT_CENTER | DT_SINGLELINE.
constexpr UINT kLabelFormat = 0x21;

int ClampPixel(long long value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// A value times a scale in whole pixels (checked: never undefined for any input).
long long AxisProduct(double value, double scale) { return TBExtended_ftol(value * scale); }
long long CurveProduct(double value, double scale) { return TBExtended_ftoi(value * scale); }

// Infinities become the largest finite double of their sign and non-zero magnitudes below
// the smallest normal double become that smallest normal double, so the range stays finite.
double ClampForRange(double value) {
    if (std::isinf(value)) return value > 0 ? DBL_MAX : -DBL_MAX;
    if (value != 0.0 && std::fabs(value) < DBL_MIN) return value > 0 ? DBL_MIN : -DBL_MIN;
    return value;
}

// A value label: the value written in full, read back and written with 3 digits.
CString ValueLabel(double value) {
    const CString full = TBExtended_ftoa(value, -1);
    return TBExtended_ftoa(TBExtended_atof(full), 3);
}

void DrawLabel(CDC& dc, const CString& text, long long left, long long top, long long right, long long bottom) {
    CRect box(ClampPixel(left), ClampPixel(top), ClampPixel(right), ClampPixel(bottom));
    dc.DrawText(text, &box, kLabelFormat);
}

void DrawLine(CDC& dc, long long x1, long long y1, long long x2, long long y2) {
    dc.MoveTo(ClampPixel(x1), ClampPixel(y1));
    dc.LineTo(ClampPixel(x2), ClampPixel(y2));
}

} // namespace

CCharacteristicDlg::CCharacteristicDlg(CPropCharacteristicXYTable* ownerPage)
    : CTBDialog(IDD, nullptr), m_pOwnerPage(ownerPage) {
    SetControlInfo(kFrameId, 15);
    SetControlInfo(kHintId, 9);
    if (ownerPage != nullptr) {
        m_strXAxisName = ownerPage->GetXAxisLabel();
        m_strYAxisName = ownerPage->GetYAxisLabel();
    }
}

CCharacteristicDlg::CCharacteristicDlg(CPropCharacteristicXYTable* ownerPage, CString titleName)
    : CCharacteristicDlg(ownerPage) {
    m_strTitleName = titleName;
}

CCharacteristicDlg::CCharacteristicDlg(CWnd* parent, CString titleName)
    : CCharacteristicDlg(static_cast<CPropCharacteristicXYTable*>(nullptr), titleName) {
    m_pMessageTarget = parent;
}

CCharacteristicDlg::~CCharacteristicDlg() {
    if (GetSafeHwnd() != nullptr) DestroyWindow();
}

BOOL CCharacteristicDlg::CreateModeless() {
    CResourceSwitch resources;
    // The window has no parent window: it stays when the page that opened it is switched.
    const BOOL created = CDialog::Create(IDD, nullptr);
    if (created) ModifyStyleEx(0, WS_EX_TOPMOST);
    return created;
}

BOOL CCharacteristicDlg::OnInitDialog() {
    CResourceSwitch resources;
    CTBDialog::OnInitDialog();
    SetDlgItemText(kHintId, LoadLibraryString(kHintString));
    // The caption's one "%s" takes the title name; the rest is copied as it stands.
    CString caption;
    GetWindowText(caption);
    const int at = caption.Find("%s");
    if (at >= 0) caption = caption.Left(at) + m_strTitleName + caption.Mid(at + 2);
    SetWindowText(caption);
    return TRUE;
}

void CCharacteristicDlg::OnCancel() {
    if (m_pOwnerPage != nullptr && m_pOwnerPage->GetSafeHwnd() != nullptr) {
        m_pOwnerPage->UpdateData(FALSE);
        m_pOwnerPage->Invalidate(FALSE);
    }
    DestroyWindow();
}

void CCharacteristicDlg::OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized) {
    CTBDialog::OnActivate(nState, pWndOther, bMinimized);
    if (nState == WA_CLICKACTIVE) {
        if (m_pOwnerPage != nullptr)
            m_pOwnerPage->LinkPointArray();
        else if (m_pMessageTarget != nullptr && m_pMessageTarget->GetSafeHwnd() != nullptr)
            m_pMessageTarget->SendMessage(kPreviewRefreshMessage, 0, 0);
    }
    Invalidate();
    UpdateWindow();
}

void CCharacteristicDlg::OnSize(UINT nType, int cx, int cy) {
    CTBDialog::OnSize(nType, cx, cy);
    Invalidate();
    UpdateWindow();
}

void CCharacteristicDlg::OnDestroy() {
    CTBDialog::OnDestroy();
    if (m_pOwnerPage != nullptr) {
        if (m_pOwnerPage->GetSafeHwnd() != nullptr) m_pOwnerPage->SendMessage(kPreviewClosedMessage, 0, 0);
    } else if (m_pMessageTarget != nullptr && m_pMessageTarget->GetSafeHwnd() != nullptr) {
        m_pMessageTarget->SendMessage(kPreviewClosedMessage, 0, 0);
    }
}

void CCharacteristicDlg::ComputeRange() {
    m_xMin = m_yMin = m_xMax = m_yMax = 0.0;
    if (m_pPoints == nullptr) return;
    bool first = true;
    for (INT_PTR i = 0; i < m_pPoints->GetSize(); ++i) {
        const CDataPoint* point = static_cast<const CDataPoint*>(m_pPoints->GetAt(i));
        // A NaN has no place in a range; infinities count as the largest finite values.
        if (point == nullptr || std::isnan(point->x) || std::isnan(point->y)) continue;
        const double x = ClampForRange(point->x);
        const double y = ClampForRange(point->y);
        if (first) {
            m_xMin = m_xMax = x;
            m_yMin = m_yMax = y;
            first = false;
            continue;
        }
        if (!(x > m_xMin)) m_xMin = x;
        if (!(y > m_yMin)) m_yMin = y;
        if (!(x < m_xMax)) m_xMax = x;
        if (!(y < m_yMax)) m_yMax = y;
    }
}

void CCharacteristicDlg::OnPaint() {
    CPaintDC dc(this);

    // The frame's client rectangle in the dialog's client coordinates (a child's window
    // rectangle is kept there), in logical units.
    CRect plot;
    if (CWnd* frame = GetDlgItem(kFrameId)) frame->GetWindowRect(&plot);
    dc.DPtoLP(&plot);
    m_plot = plot;

    ComputeRange();

    CRect device = plot;
    dc.LPtoDP(&device);
    CRgn clip;
    clip.CreateRectRgnIndirect(&device);
    dc.SelectClipRgn(&clip);

    CPen axisPen(PS_SOLID, 1, kBlack);
    // The dialog's font (its template font, 13 pixels here), 5 higher and wider and thin.
    LOGFONT logFont{};
    logFont.lfHeight = 13 + 5;
    logFont.lfWidth = 0 + 5;
    logFont.lfWeight = FW_THIN;
    std::strncpy(logFont.lfFaceName, "MS Sans Serif", LF_FACESIZE - 1);
    CFont font;
    font.CreateFontIndirect(&logFont);
    CPen* oldPen = dc.SelectObject(&axisPen);
    CFont* oldFont = dc.SelectObject(&font);

    dc.FillSolidRect(&plot, kWhite);
    dc.SetBkColor(kWhite);

    const long long L = static_cast<long long>(plot.left) + kMargin;
    const long long R = static_cast<long long>(plot.right) - kMargin;
    const long long T = static_cast<long long>(plot.top) + kMargin;
    const long long B = static_cast<long long>(plot.bottom) - kMargin;
    if (m_yMax - m_yMin != 0.0)
        m_yScale = (static_cast<double>(plot.bottom) - plot.top - 2 * kMargin) / std::fabs(m_yMax - m_yMin);
    if (m_xMax - m_xMin != 0.0)
        m_xScale = (static_cast<double>(plot.right) - plot.left - 2 * kMargin) / std::fabs(m_xMax - m_xMin);

    // The horizontal axis lies on y = 0, at the bottom edge when all values are positive
    // and at the top edge when all are negative; the vertical axis likewise on x = 0.
    long long hAxis = B;
    if (m_yMax < 0) hAxis += AxisProduct(std::fabs(m_yMax), m_yScale);
    if (m_yMin < 0) hAxis -= AxisProduct(std::fabs(m_yMin), m_yScale);
    long long vAxis = L;
    if (m_xMax < 0) vAxis -= AxisProduct(std::fabs(m_xMax), m_xScale);
    if (m_xMin < 0) vAxis += AxisProduct(std::fabs(m_xMin), m_xScale);

    DrawLine(dc, L, hAxis, R, hAxis);
    DrawLine(dc, L, hAxis - 5, L, hAxis + 5);
    DrawLine(dc, R, hAxis - 5, R, hAxis + 5);
    DrawLine(dc, vAxis, T, vAxis, B);
    DrawLine(dc, vAxis - 5, T, vAxis + 5, T);
    DrawLine(dc, vAxis - 5, B, vAxis + 5, B);

    const CString xMinText = ValueLabel(m_xMin);
    const CString xMaxText = ValueLabel(m_xMax);
    const CString yMinText = ValueLabel(m_yMin);
    const CString yMaxText = ValueLabel(m_yMax);
    long long n = xMinText.GetLength();
    DrawLabel(dc, xMinText, L, hAxis + 5, L + 10 * n, hAxis + 25);
    n = xMaxText.GetLength();
    DrawLabel(dc, xMaxText, R - 10 * n, hAxis + 5, R, hAxis + 25);
    n = yMinText.GetLength();
    DrawLabel(dc, yMinText, vAxis - 5 * n, B + 5, vAxis + 5 * n, B + 25);
    n = yMaxText.GetLength();
    DrawLabel(dc, yMaxText, vAxis - 5 * n, T - 20, vAxis + 5 * n, T);
    n = m_strXAxisName.GetLength();
    DrawLabel(dc, m_strXAxisName, R - 5 * n, hAxis - 20, R, hAxis);
    n = m_strYAxisName.GetLength();
    DrawLabel(dc, m_strYAxisName, vAxis + 5, T, vAxis + 5 + 5 * n, T + 20);

    if (m_pPoints != nullptr && m_pPoints->GetSize() > 0) {
        std::vector<POINT> curve;
        curve.reserve(static_cast<size_t>(m_pPoints->GetSize()));
        const long long xMaxPixels = CurveProduct(m_xMax, m_xScale);
        const long long yMaxPixels = CurveProduct(m_yMax, m_yScale);
        for (INT_PTR i = 0; i < m_pPoints->GetSize(); ++i) {
            const CDataPoint* point = static_cast<const CDataPoint*>(m_pPoints->GetAt(i));
            if (point == nullptr || !std::isfinite(point->x) || !std::isfinite(point->y)) continue;
            // One mapping for every range, so the curve fills the plot also when all values
            // are negative (the zero lines then lie outside, beyond the axes at the edges).
            const long long px = R - xMaxPixels + CurveProduct(point->x, m_xScale);
            const long long py = T + yMaxPixels - CurveProduct(point->y, m_yScale);
            curve.push_back(POINT{ClampPixel(px), ClampPixel(py)});
        }
        if (!curve.empty()) {
            CPen curvePen(PS_SOLID, 1, kRed);
            dc.SelectObject(&curvePen);
            dc.Polyline(curve.data(), static_cast<int>(curve.size()));
            dc.SelectObject(&axisPen);
        }
    }

    dc.SelectObject(oldPen);
    dc.SelectObject(oldFont);
    dc.SelectClipRgn(nullptr);
}

BOOL CCharacteristicDlg::SaveAsSvg(LPCTSTR path) {
    if (GetSafeHwnd() == nullptr || path == nullptr) return FALSE;
    Invalidate();
    UpdateWindow();
    const qv::DisplayList* picture = qv::GetLastPainting(this);
    if (picture == nullptr) return FALSE;
    const std::string svg = qv::RenderSvg(*picture);
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return FALSE;
    const bool written = std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed ? TRUE : FALSE;
}

BOOL SaveCharacteristicPreviewSvg(CCharacteristicDlg* preview, LPCTSTR path) {
    return preview != nullptr ? preview->SaveAsSvg(path) : FALSE;
}
