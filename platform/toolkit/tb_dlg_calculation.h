// The expression-entry dialog of list cells ("DIALOG" cells of the editable list): a large
// edit for the expression and a list of the names the expression may use. The owner gives it
// three callbacks: the names, the text to start from, and where the accepted text goes.
//
// Difference from the original platform, on purpose: the dialog's template is a dialog of the
// resources in force when it opens (TB_IDD_CALCULATION, carried by the plug-in's resource
// script), since this stand-in keeps no resources of its own.
#pragma once

#include "toolkit/tb_dialog.h"

#include <functional>

#define TB_IDD_CALCULATION 30001
#define TB_IDC_CALCULATION_TEXT 30002
#define TB_IDC_CALCULATION_NAMES 30003

class CTBDlgCalculation : public CTBDialog {
    DECLARE_DYNAMIC(CTBDlgCalculation)
public:
    using NamesCallback = std::function<void(CMapStringToString& names)>;
    using GetTextCallback = std::function<CString()>;
    using SetTextCallback = std::function<void(const CString& text)>;

    CTBDlgCalculation();
    ~CTBDlgCalculation() override;

    // The edit type of the cells it serves (13: multi-line expressions) and the callbacks.
    void InitDialog(int editType, NamesCallback names, GetTextCallback getText, SetTextCallback setText);
    int GetEditType() const { return m_editType; }

    // Shows the dialog modally over the parent on the text getText gives; OK hands the edited
    // text to setText. Returns the dialog's end code.
    INT_PTR Edit(CWnd* parent);

    BOOL OnInitDialog() override;
    void OnOK() override;
    CString GetText() const { return m_text; }

private:
    int m_editType = 0;
    NamesCallback m_names;
    GetTextCallback m_getText;
    SetTextCallback m_setText;
    CString m_text;
};
