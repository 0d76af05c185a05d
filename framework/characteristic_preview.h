// The characteristic preview: a small modeless, always-on-top window that draws a list of
// (x, y) points as a red polyline between two axes with their end values and names.
//
// The dialog never owns the points; its owner hands it the address of a point array and
// keeps the array alive while the window is open. Clicking into the window asks the owner
// for fresh data and repaints. Messages to the owner: WM_USER+9 (refresh my data; only to a
// parent window, never to an owner page) when the window is clicked, WM_USER+10 when the
// window is destroyed.
#pragma once

#include "afx/afxwin.h"
#include "toolkit/tb_dialog.h"

class CPropCharacteristicXYTable;

// Message to a parent window: the preview was clicked and wants fresh data.
constexpr UINT kPreviewRefreshMessage = WM_USER + 9;
// Message to the owner: the preview window was destroyed.
constexpr UINT kPreviewClosedMessage = WM_USER + 10;

class CCharacteristicDlg : public CTBDialog {
public:
    enum { IDD = 2533 };

    explicit CCharacteristicDlg(CPropCharacteristicXYTable* ownerPage);
    CCharacteristicDlg(CPropCharacteristicXYTable* ownerPage, CString titleName);
    CCharacteristicDlg(CWnd* parent, CString titleName);
    ~CCharacteristicDlg() override;

    // Creates the window from its template without a parent window, always on top.
    virtual BOOL CreateModeless();

    BOOL OnInitDialog() override;
    void OnCancel() override;

    void SetPointArray(CPtrArray* points) { m_pPoints = points; }
    CPtrArray* GetPointArray() const { return m_pPoints; }
    void SetXAxisLabel(CString text) { m_strXAxisName = text; }
    void SetYAxisLabel(CString text) { m_strYAxisName = text; }

    // What the last paint computed: the plot rectangle in the dialog's client coordinates,
    // the range of the points and the scales in pixels per unit.
    CRect GetPlotRect() const { return m_plot; }
    double GetXScale() const { return m_xScale; }
    double GetYScale() const { return m_yScale; }
    void GetRange(double& xMin, double& yMin, double& xMax, double& yMax) const {
        xMin = m_xMin;
        yMin = m_yMin;
        xMax = m_xMax;
        yMax = m_yMax;
    }

    // Repaints the window and writes its picture as an SVG file. FALSE without a window or
    // when the file cannot be written.
    BOOL SaveAsSvg(LPCTSTR path);

protected:
    void ComputeRange();
    void OnPaint();
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    void OnSize(UINT nType, int cx, int cy);
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

    CPtrArray* m_pPoints = nullptr;
    CString m_strTitleName;
    CPropCharacteristicXYTable* m_pOwnerPage = nullptr;
    CWnd* m_pMessageTarget = nullptr;  // the parent window of owners that are no page
    CString m_strXAxisName;
    CString m_strYAxisName;
    double m_xMin = 0.0;
    double m_yMin = 0.0;
    double m_xMax = 0.0;
    double m_yMax = 0.0;
    double m_yScale = 0.0;
    double m_xScale = 0.0;
    CRect m_plot;
};

// Writes the picture of a preview window as an SVG file (the host's "save as picture").
BOOL SaveCharacteristicPreviewSvg(CCharacteristicDlg* preview, LPCTSTR path);
