// Shared ground of the block-diagram tests: the row type of their parameter sets, live
// parameters looked up by value ID or name, and the fixture.
#pragma once

#include "framework/factories.h"
#include "framework/param_access.h"
#include "tests/support/archive_bytes.h"
#include "tests/support/older_element_test.h"
#include "tests/support/one_page_test.h"
#include "tests/support/open_sheet.h"
#include "tests/support/param_rows.h"
#include "tests/support/param_set_text.h"
#include "tests/support/plugin_editor_test.h"
#include "tests/support/wizard_on_sheet.h"

#include <memory>
#include <string>
#include <vector>

namespace blocks_test {

using namespace qv_test;

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

// A block's own rows followed by the three that most signal blocks end with: the sample time
// (the value ID of the block's sample-time field, and its value), the input "x" and the output.
inline std::vector<ParamRow> WithSampleTimeInputAndOutput(std::vector<ParamRow> own, WORD sampleTimeId,
                                                          const char* sampleTime) {
    own.insert(own.end(), {{.id = sampleTimeId, .name = "TS", .value = sampleTime, .quantity = "Time", .unit = "s"},
                           {.id = 2186, .name = "IN", .value = "x"},
                           {.id = 2056, .name = "OUT", .value = "", .type = 0x8}});
    return own;
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

// What the older factory makes of each ID: a wizard of the named class (of the older kind 3
// where `olderKind` asks for it) whose clone is a wizard of the same class.
struct FactoryCase {
    int id;
    const char* name;
};
inline void ExpectFactoryMakes(std::initializer_list<FactoryCase> cases, bool olderKind = false) {
    for (const FactoryCase& c : cases) {
        std::unique_ptr<CWizardBase3> wizard(CreateWizardInstance(c.id));
        ASSERT_NE(nullptr, wizard) << c.id;
        EXPECT_STREQ(c.name, wizard->GetRuntimeClass()->m_lpszClassName);
        if (olderKind) {
            EXPECT_EQ(3, wizard->GetWizardKind());
        }
        std::unique_ptr<CWizardBase3> copy(wizard->Clone());
        ASSERT_NE(nullptr, copy);
        EXPECT_STREQ(c.name, copy->GetRuntimeClass()->m_lpszClassName);
    }
}

// A sample time as the set stores it, as the page's list (2183) shows it, and as apply writes it.
struct SampleTimeCase {
    const char* stored;
    const char* shown;
    const char* written;
};

// Clicks on the use-pin boxes: each disables its field at once and pins the parameter of its
// value ID.
struct UsePin {
    int box;
    int field;
    WORD id;
};
inline void ExpectUsePinsAct(CWnd* page, ParamHolder* holder, std::initializer_list<UsePin> pins) {
    for (const UsePin& pin : pins) {
        ASSERT_TRUE(qv::ui::Click(page, pin.box)) << pin.box;
        EXPECT_FALSE(Enabled(page, pin.field)) << pin.box;
        EXPECT_TRUE(Live(holder, pin.id)[0]->HasPin()) << pin.box;
    }
}

// Clicks on the output box switch the SDB output of its value ID to each of the states in turn,
// the box's check with it.
inline void ExpectOutputBoxSwitches(CWnd* page, ParamHolder* holder, std::initializer_list<BOOL> states = {TRUE, FALSE},
                                    WORD id = 2056) {
    for (BOOL expected : states) {
        ASSERT_TRUE(qv::ui::Click(page, id));
        BOOL on = !expected;
        GetSDBOutput(holder, id, &on);
        EXPECT_EQ(expected, on);
        EXPECT_EQ(expected ? BST_CHECKED : BST_UNCHECKED, page->IsDlgButtonChecked(id));
    }
}

// The editor takes the page of a first edit off its sheet and edits again on the same sheet: the
// wizard rebinds the page it has and gives the first parameter set back. `check` sees the page
// while the second edit stands; then the page leaves the sheet and the edit ends.
template <class Wizard, class Check>
void ExpectSecondEditRebindsThePage(Wizard& wizard, Check check) {
    CPropertySheet sheet("Element");
    ASSERT_TRUE(wizard.DoEditProperties(sheet, 1));
    auto* first = wizard.GetPage();
    sheet.RemovePage(first);
    ASSERT_TRUE(wizard.DoEditProperties(sheet, 1));
    EXPECT_EQ(first, wizard.GetPage());
    check(*first);
    sheet.RemovePage(first);
    wizard.EndEditProperties();
}

// The page of an older-base block open on a sheet over the element's exchange object; closed
// again at the end.
template <class Wizard>
struct OpenBlockPage : OpenPage<Wizard> {
    OpenBlockPage(Wizard& wizard, CWizardSchematicDataExchange3* exchange) : OpenPage<Wizard>(wizard, exchange, "Block") {}
};

// The fixture: plug-in resources, a protocol-checking editor; an unexpected message box or a
// protocol breach fails the test.
class BlocksTest : public PluginEditorTest {
protected:
    template <class Wizard, class Holder = ParamHolder, class... Args>
    std::unique_ptr<Wizard> NewWizard(const std::vector<ParamRow>& rows, DWORD* element, Args... args) {
        return Attached<Wizard>(MakeHolder<Holder>(rows, "B1"), element, args...);
    }
};

// The fixture of the older-base blocks: wizards attached to one element whose parameters the
// older base's exchange object holds.
class OlderBlocksTest : public OlderElementTest<BlocksTest> {
protected:
    // The value of the first live parameter of the value ID.
    std::string Value(WORD id) { return Live(Exchange(), id)[0]->GetValue().str(); }
    // Types a new name, the upper and lower limit and the initial value on the open page and
    // applies it: with a message, the apply is refused with that message box and writes and
    // commits nothing, the name neither (a later commit would carry what it wrote), else it
    // commits the exchange object once with the values and the name.
    void ExpectLimitsApplied(CPropertyPage* page, const char* upper, const char* lower, const char* initial,
                             const char* message) {
        const std::string upperBefore = Value(2151);
        const std::string initialBefore = Value(2187);
        const std::string setBefore = qv_test::ParamSetText(*Exchange());
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "Renamed"));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2151), upper));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2152), lower));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2187), initial));
        const size_t commits = editor->CountRequests(WIZREQ_COMMIT_EXCHANGE);
        if (message != nullptr) qv::UserScript::Instance().ExpectMessageBox(IDOK, message);
        EXPECT_EQ(message == nullptr, page->OnApply() != FALSE) << upper << " " << lower << " " << initial;
        EXPECT_EQ(commits + (message == nullptr ? 1 : 0), editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
        EXPECT_EQ(message == nullptr ? upper : upperBefore, Value(2151));
        EXPECT_EQ(message == nullptr ? initial : initialBefore, Value(2187));
        if (message == nullptr)
            EXPECT_EQ("Renamed", std::string(Exchange()->m_strElementName));
        else
            EXPECT_EQ(setBefore, qv_test::ParamSetText(*Exchange()));
    }
};

} // namespace blocks_test
