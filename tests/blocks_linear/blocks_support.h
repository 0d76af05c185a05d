// Shared ground of the block-diagram tests: the plug-in loaded for its resources, a fake
// editor that checks the request protocol, parameter sets from small tables, a page opened on
// a sheet as the editor opens it, and little-endian byte builders.
#pragma once

#include "afx/afxwin.h"
#include "editor/schematic_editor.h"
#include "framework/param_access.h"
#include "win32/module.h"
#include "wizard/environment.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace blocks_test {

using Bytes = std::vector<BYTE>;

struct ParamRow {
    WORD id;
    const char* name;
    const char* value;
    DWORD type = 0x4;
    const char* quantity = "";
    const char* unit = "";
    const char* description = "";
    BOOL deletable = FALSE;
};

template <class Holder = ParamHolder>
std::unique_ptr<Holder> MakeHolder(const std::vector<ParamRow>& rows, const char* elementName) {
    auto holder = std::make_unique<Holder>();
    holder->m_strElementName = elementName;
    for (const ParamRow& row : rows) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(row.id);
        param->SetName(row.name);
        param->SetValue(row.value);
        param->SetType(row.type);
        param->SetQuantity(row.quantity);
        param->SetUnit(row.unit);
        param->SetUsedUnit(row.unit);
        param->SetDeletable(row.deletable);
        param->SetDescriptionByLangID(kLanguageEnglish, row.description);
        holder->AddParam(param);
    }
    auto* templ = new CWizardCopaObject3;
    templ->SetName("SDB");
    holder->AddOutputTemplate(templ);
    return holder;
}

// Live parameters of a value ID, in set order.
inline std::vector<CWizardCopaObject3*> Live(ParamHolder* holder, WORD id) {
    std::vector<CWizardCopaObject3*> out;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param != nullptr && !param->IsDeleted() && param->GetValueID() == id) out.push_back(param);
    }
    return out;
}
inline std::vector<std::string> Names(const std::vector<CWizardCopaObject3*>& params) {
    std::vector<std::string> names;
    for (const CWizardCopaObject3* p : params) names.push_back(p->GetName().str());
    return names;
}
inline std::vector<std::string> Values(const std::vector<CWizardCopaObject3*>& params) {
    std::vector<std::string> values;
    for (const CWizardCopaObject3* p : params) values.push_back(p->GetValue().str());
    return values;
}
inline CWizardCopaObject3* Named(ParamHolder* holder, const char* name) {
    for (int i = 0; i < holder->GetParamCount(); ++i)
        if (holder->GetParam(i) && holder->GetParam(i)->GetName() == name) return holder->GetParam(i);
    return nullptr;
}

inline void Dword(Bytes& out, DWORD value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
}
inline void Word(Bytes& out, WORD value) {
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}

inline bool Visible(CWnd* page, int id) { return page->GetDlgItem(id) && (page->GetDlgItem(id)->GetStyle() & WS_VISIBLE); }
inline bool Enabled(CWnd* page, int id) { return page->GetDlgItem(id) && page->GetDlgItem(id)->IsWindowEnabled(); }
inline std::string Text(CWnd* page, int id) {
    CString text;
    page->GetDlgItem(id)->GetWindowText(text);
    return text.str();
}

// A wizard of the newer base with its page open on a sheet; closed again at the end.
template <class Wizard>
class OpenPage {
public:
    explicit OpenPage(Wizard& wizard) : m_wizard(wizard), m_sheet("Element") {
        EXPECT_TRUE(m_wizard.DoEditProperties(m_sheet, 1));
        EXPECT_TRUE(m_sheet.Create());
    }
    ~OpenPage() {
        m_sheet.DestroyWindow();
        m_wizard.EndEditProperties();
    }
    auto* Page() { return m_wizard.GetPage(); }
    CPropertySheet& Sheet() { return m_sheet; }

private:
    Wizard& m_wizard;
    CPropertySheet m_sheet;
};

// The fixture: plug-in resources, a protocol-checking editor; an unexpected message box or a
// protocol breach fails the test.
class BlocksTest : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.dll");
        ASSERT_NE(nullptr, module);
        oldResources = AfxGetResourceHandle();
        AfxSetResourceHandle(module);
        qv::UserScript::Instance().Reset();
        qv::UserScript::Instance().SetFailureHandler([](const std::string& m) { ADD_FAILURE() << m; });
        editor = std::make_unique<qv::SchematicEditor>();
        editor->SetBreachHandler([](const std::string& m) { ADD_FAILURE() << "protocol: " << m; });
    }
    void TearDown() override {
        EXPECT_EQ(0u, qv::UserScript::Instance().Pending()) << qv::UserScript::Instance().DescribePending();
        if (editor) editor->CheckAllReturned();
        editor.reset();
        qv::UserScript::Instance().SetFailureHandler(nullptr);
        AfxSetResourceHandle(oldResources);
        if (module) FreeLibrary(module);
    }

    template <class Wizard, class Holder = ParamHolder, class... Args>
    std::unique_ptr<Wizard> NewWizard(const std::vector<ParamRow>& rows, DWORD* element, Args... args) {
        const DWORD handle = editor->AddElement(MakeHolder<Holder>(rows, "B1"));
        auto wizard = std::make_unique<Wizard>(args...);
        editor->Attach(*wizard, handle);
        if (element) *element = handle;
        return wizard;
    }

    HMODULE module = nullptr;
    HINSTANCE oldResources = nullptr;
    std::unique_ptr<qv::SchematicEditor> editor;
};

} // namespace blocks_test
