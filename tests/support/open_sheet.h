// A wizard's pages open on a sheet as the editor opens them, closed again at the end, and
// what a test reads off a page's controls.
#pragma once

#include "afx/afxwin.h"
#include "afx/user_script.h"
#include "wizard/paramholder.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace qv_test {

// Opens the newer base's pages; given a data-exchange object, the older base's.
template <class Wizard>
class OpenPage {
public:
    explicit OpenPage(Wizard& wizard) : m_wizard(wizard), m_sheet("Element") {
        EXPECT_TRUE(m_wizard.DoEditProperties(m_sheet, 1));
        EXPECT_TRUE(m_sheet.Create());
    }
    OpenPage(Wizard& wizard, CWizardSchematicDataExchange3* exchange, const char* caption = "Element")
        : m_wizard(wizard), m_sheet(caption) {
        EXPECT_TRUE(m_wizard.DoEditProperties(m_sheet, exchange, 1));
        EXPECT_TRUE(m_sheet.Create());
    }
    ~OpenPage() {
        m_sheet.DestroyWindow();
        m_wizard.EndEditProperties();
    }
    auto* Page() { return m_wizard.GetPage(); }
    auto* AC() { return m_wizard.GetACPage(); }
    CPropertySheet& Sheet() { return m_sheet; }

private:
    Wizard& m_wizard;
    CPropertySheet m_sheet;
};

inline bool Visible(CWnd* page, int id) {
    return page->GetDlgItem(id) && (page->GetDlgItem(id)->GetStyle() & WS_VISIBLE);
}
inline bool Enabled(CWnd* page, int id) { return page->GetDlgItem(id) && page->GetDlgItem(id)->IsWindowEnabled(); }
inline bool Checked(CWnd* page, int id) { return page->IsDlgButtonChecked(id) == BST_CHECKED; }
inline CComboBox* Combo(CWnd* page, int id) { return static_cast<CComboBox*>(page->GetDlgItem(id)); }
inline std::string Text(CWnd* page, int id) {
    CString text;
    page->GetDlgItem(id)->GetWindowText(text);
    return text.str();
}

// The controls of these IDs show these texts.
inline void ExpectTexts(CWnd* page, std::initializer_list<std::pair<int, const char*>> texts) {
    for (const auto& [id, text] : texts) EXPECT_EQ(text, Text(page, id)) << id;
}

// Clicks "Show" (2217) on a page with a preview: the button reads "Update" and the preview's
// window stands. Gives the preview.
template <class Page>
auto* ShownPreview(Page* page) {
    EXPECT_TRUE(qv::ui::Click(page, 2217));
    EXPECT_EQ("Update", Text(page, 2217));
    auto* preview = page->GetPreview();
    EXPECT_TRUE(preview != nullptr && preview->GetSafeHwnd() != nullptr);
    return preview;
}

// Types each case's first text into the control `typed`; the control `shown` shows the second.
inline void ExpectShownAsTyped(CWnd* page, int typed, int shown,
                               std::initializer_list<std::pair<const char*, const char*>> cases) {
    for (const auto& [text, expected] : cases) {
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(typed), text));
        EXPECT_EQ(expected, Text(page, shown)) << text;
    }
}

} // namespace qv_test
