// N-point element (wizard ID 64, older base, dialog 2569): a static block with N switching
// points, described by N thresholds "THRES[i]" (i = 0 to N-1) and N+1 amplitudes "AMPL[i]"
// (i = 0 to N). Both are indexed families made from the element's two template parameters
// (Type bit 0x02); the page edits them in two lists and brings the families into line with
// N when the number field is left, the wizard completes them before the model description
// is written and when the editor reports a new N, and converts the comma-separated lists
// that 4.x versions kept in the templates' values.
//
// Parameters (value ID = dialog control; the page reads and writes input parameters only):
//
// | Value ID | Role                                                                 |
// |----------|----------------------------------------------------------------------|
// | 2028     | number of switching points N (truncated toward zero; 0 to 9,999)     |
// | 2262     | thresholds "THRES[i]" and their template (list 2262, group "Threshold") |
// | 2133     | amplitudes "AMPL[i]" and their template (list 2133, group "Amplitude")  |
// | 2183     | sample time, used unit in 2400, "Use Pin" 2074                         |
// | 2186     | input signal, "Use Pin" 2073                                          |
// | 2056     | block output ("SDB" entry)                                           |
//
// Each list shows "Name" (fixed), "Value" and "Info" (editable) per index; the column widths
// are kept in the user profile ("WIZColumnWidths": "NPointElementThres", "NPointElementAmpl").
#pragma once

#include "blocks_math/static_blocks.h"
#include "framework/older_base_block_pages.h"
#include "toolkit/tb_edit_list.h"

namespace qv::blocks {
constexpr WORD kIdSwitchingPoints = 2028;
constexpr WORD kIdThreshold = 2262;
constexpr WORD kIdAmplitude = 2133;
constexpr UINT kNPointTemplate = 2569;

// N from the number text: the integer part of its number. FALSE for an N below 0 or above
// 9,999 (the amplitudes would exceed the family limit).
BOOL SwitchingPointsFromText(const CString& text, int* count);
} // namespace qv::blocks

class CPropNPointElementBlock : public CSimpleBlockPage {
    DECLARE_DYNCREATE(CPropNPointElementBlock)
    PARVEL_OLDER_BASE_BLOCK_PAGE(CPropNPointElementBlock)
    BOOL OnKillActive() override;

    // Brings both families and lists into line with the number text; FALSE (with "Invalid
    // value!" on a visible page) when the number is refused, and then nothing changes.
    // `typed`: the user typed the text, which must then be a whole count (not "2.9", not a name).
    BOOL UpdatePointLists(bool typed = false);
    // The number of switching points in the page's text; FALSE (with "Invalid value!" on a
    // visible page) when it is refused. A stored number is read as the model reads it (its
    // integer part); a typed one must be a whole count.
    BOOL SwitchingPointsOfPage(int* count, bool typed = false);
    // Values and infos of the list rows into their parameters (rows only, never inserted).
    void StoreParameters();
    // Descriptions of the indexed parameters from their templates.
    void UpdatePointDescriptions();
    // Whether list 2262 or 2133 has a row for the index; it never adds one.
    BOOL HasListRow(int index, int listID) const;

    // A page without a window on a sheet shows no message boxes.
    void SetHidden(bool hidden) { m_bHidden = hidden; }
    CTBEditListCtrl& ThresholdList() { return m_lstThresholds; }
    CTBEditListCtrl& AmplitudeList() { return m_lstAmplitudes; }

protected:
    struct Side {
        CWizardCopaObject3* templ = nullptr;
        CPtrArray members;
    };
    void SizeSide(Side& side, CTBEditListCtrl& list, const char* format, int last);
    void StoreSide(WORD valueID, CTBEditListCtrl& list);
    void StoreInfo(CWizardCopaObject3* param, const CString& info);
    void BeforeCommit() override;
    void OnNumberLeft();
    void OnListChanged(NMHDR* pNMHDR, LRESULT* pResult);
    LRESULT OnListItemEdited(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    Side m_thresholds;
    Side m_amplitudes;
    CTBEditListCtrl m_lstThresholds;
    CTBEditListCtrl m_lstAmplitudes;
    bool m_bHidden = false;
};

class CNPointElementWizard : public TOlderBaseBlockWizard<CPropNPointElementBlock, CNPointElementWizard> {
    DECLARE_DYNAMIC(CNPointElementWizard)
public:
    using TOlderBaseBlockWizard::TOlderBaseBlockWizard;

    int WriteSimDescr(CFile* file, const CString& templ, CWizardSchematicDataExchange3* exchange) override;
    BOOL DoConversionFrom4x(CWizardSchematicDataExchange3* exchange) override;
    BOOL WantChangeNotification() override { return 1; }
    void NotifyChanged(CWizardSchematicDataExchange3* exchange, int changeType, CWizardCopaObject3* param) override;
};
