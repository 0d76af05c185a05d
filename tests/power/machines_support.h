// Shared ground of the machine and switch tests: the semiconductor fixture (plug-in, editor
// stand-in, scratch folder, byte builders), elements of the older base, and pages of either
// base opened on a sheet.
#pragma once

#include "power_support.h"

#include "framework/param_access.h"
#include "power/dc_machine_nonlinear.h"
#include "power/machines.h"
#include "power/switches.h"

namespace machines_test {

using namespace power_test;

// The same parameters as a data-exchange object of the older base.
inline std::unique_ptr<ParamHolder> MakeExchange(const std::vector<ParamRow>& rows, const char* name) {
    std::unique_ptr<ParamHolder> plain = MakeHolder(rows, name);
    auto exchange = std::make_unique<CWizardSchematicDataExchange3>();
    exchange->m_strElementName = plain->m_strElementName;
    for (int i = 0; i < plain->GetParamCount(); ++i) exchange->AddParam(plain->GetParam(i));
    for (int i = 0; i < plain->GetOutputTemplateCount(); ++i) exchange->AddOutputTemplate(plain->GetOutputTemplate(i));
    plain->m_Params.RemoveAll();
    plain->m_OutputTemplates.RemoveAll();
    return exchange;
}

// An older-base wizard with its page open on a sheet; closed again at the end.
template <class Wizard>
class OpenPage3 {
public:
    OpenPage3(Wizard& wizard, CWizardSchematicDataExchange3* exchange) : m_wizard(wizard), m_sheet("Element") {
        EXPECT_TRUE(m_wizard.DoEditProperties(m_sheet, exchange, 1));
        EXPECT_TRUE(m_sheet.Create());
    }
    ~OpenPage3() {
        m_sheet.DestroyWindow();
        m_wizard.EndEditProperties();
    }
    auto* Page() { return m_wizard.GetPage(); }
    CPropertySheet& Sheet() { return m_sheet; }

private:
    Wizard& m_wizard;
    CPropertySheet m_sheet;
};

inline bool Visible(CWnd* page, int id) {
    return page->GetDlgItem(id) && (page->GetDlgItem(id)->GetStyle() & WS_VISIBLE);
}
inline bool Enabled(CWnd* page, int id) { return page->GetDlgItem(id) && page->GetDlgItem(id)->IsWindowEnabled(); }
inline std::string Text(CWnd* page, int id) {
    CString text;
    page->GetDlgItem(id)->GetWindowText(text);
    return text.str();
}
inline bool Checked(CWnd* page, int id) { return page->IsDlgButtonChecked(id) == BST_CHECKED; }
inline bool OutputOn(ParamHolder* holder, WORD id) {
    BOOL on = FALSE;
    GetSDBOutput(holder, id, &on);
    return on != FALSE;
}

class MachinesTest : public PowerTest {
protected:
    template <class Wizard>
    std::unique_ptr<Wizard> Make3(const std::vector<ParamRow>& rows, const char* name) {
        element = editor->AddElement(MakeExchange(rows, name));
        auto wizard = std::make_unique<Wizard>();
        editor->Attach(*wizard, element);
        return wizard;
    }
    CWizardSchematicDataExchange3* Exchange() { return editor->Exchange(element); }
    CWizardCopaObject3* P(WORD id) { return Param(editor->Holder(element), id); }
    DWORD element = 0;
};

} // namespace machines_test
