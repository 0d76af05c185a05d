// The static blocks and the function blocks of the older base (and the trigonometric block
// of the newer base), driven as the editor and a user drive them.
#include "tests/blocks_linear/blocks_support.h"

#include "blocks_math/function_blocks.h"
#include "blocks_math/static_blocks.h"
#include "framework/factories.h"

#include <cstring>

using namespace blocks_test;

namespace {

std::vector<ParamRow> BlockRows(std::initializer_list<ParamRow> extra) {
    std::vector<ParamRow> rows(extra);
    rows.push_back({.id = 2183, .name = "TS", .value = "0", .quantity = "Time", .unit = "s"});
    rows.push_back({.id = 2186, .name = "IN", .value = "x"});
    rows.push_back({.id = 2056, .name = "OUT", .value = "", .type = 0x8, .unit = "V"});
    return rows;
}

// One older-base block: the factory ID, the wizard class, the dialog and the block
// parameters with the value each is typed.
struct OlderBlock {
    int id;
    const char* wizardClass;
    UINT dialog;
    std::vector<WORD> parameters;
    // Control ID: layout flags that mark the dialog's own layout list.
    WORD probeControl;
    WORD probeFlags;
};

const std::vector<OlderBlock> kOlderBlocks = {
    {59, "CNegatorBlockWizard", 2564, {}, 2185, 48},
    {60, "CLimiterBlockWizard", 2565, {2151, 2152}, 2151, 97},
    {61, "CComparatorBlockWizard", 2566, {2251, 2254, 2255}, 2002, 36},
    {62, "CTwoPointElementWizard", 2567, {2259, 2257, 2254, 2255, 2187}, 2074, 97},
    {63, "CDiscretizationElementWizard", 2568, {2028}, 2028, 97},
    {67, "CFctExpLnAbsRecBlockWizard", 2572, {}, 2186, 98},
    {68, "CRootBlockWizard", 2573, {2247}, 2247, 97},
    {69, "CSignBlockWizard", 2573, {2247}, 2246, 33},
    {70, "CPowerBlockWizard", 2573, {2247}, 2247, 97},
};

// An older-base wizard from the factory with its page open on a sheet.
class OpenOlder {
public:
    OpenOlder(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange) : m_wizard(wizard), m_sheet("Block") {
        EXPECT_TRUE(m_wizard->DoEditProperties(m_sheet, exchange, 1));
        EXPECT_TRUE(m_sheet.Create());
    }
    ~OpenOlder() {
        m_sheet.DestroyWindow();
        m_wizard->EndEditProperties();
    }
    CTBPropertyPage* Page() { return static_cast<CTBPropertyPage*>(m_sheet.GetPage(0)); }
    CPropertySheet& Sheet() { return m_sheet; }

private:
    CWizardBase3* m_wizard;
    CPropertySheet m_sheet;
};

class StaticBlocks : public BlocksTest {
protected:
    std::unique_ptr<CWizardBase3> NewOlder(int id, const std::vector<ParamRow>& rows) {
        element = editor->AddElement(MakeHolder<CWizardSchematicDataExchange3>(rows, "B1"));
        std::unique_ptr<CWizardBase3> wizard(CreateWizardInstance(id));
        EXPECT_NE(nullptr, wizard) << id;
        if (wizard) editor->Attach(*wizard, element);
        return wizard;
    }
    CWizardSchematicDataExchange3* Exchange() { return editor->Exchange(element); }
    DWORD element = 0;
};

std::vector<ParamRow> RowsFor(const OlderBlock& block) {
    std::vector<ParamRow> rows;
    for (WORD id : block.parameters) rows.push_back({.id = id, .name = "P", .value = "old"});
    const auto common = BlockRows({});
    rows.insert(rows.end(), common.begin(), common.end());
    return rows;
}

TEST_F(StaticBlocks, EveryBlockShowsWritesAndCommitsItsParametersAsTyped) {
    for (const OlderBlock& block : kOlderBlocks) {
        auto wizard = NewOlder(block.id, RowsFor(block));
        ASSERT_NE(nullptr, wizard);
        EXPECT_STREQ(block.wizardClass, wizard->GetRuntimeClass()->m_lpszClassName);
        EXPECT_EQ(3, wizard->GetWizardKind());
        const size_t commits = editor->CountRequests(WIZREQ_COMMIT_EXCHANGE);
        int n = 0;
        {
            OpenOlder open(wizard.get(), Exchange());
            CTBPropertyPage* page = open.Page();
            ASSERT_NE(nullptr, page) << block.id;
            EXPECT_EQ(block.probeFlags, page->GetControlInfo(block.probeControl)) << block.id;
            EXPECT_EQ("Block Output Signal [V]", Text(page, 2056)) << block.id;
            for (WORD id : block.parameters) {
                EXPECT_EQ("old", Text(page, id)) << block.id << " " << id;
                // Nothing is checked: text that is no number is stored as typed.
                const std::string typed = "v" + std::to_string(n++) + " +";
                ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(id), typed.c_str()));
            }
            ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2186), "u(t)"));
            ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "X9"));
            EXPECT_TRUE(page->IsPageModified());
            ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
            EXPECT_FALSE(page->IsPageModified());
        }
        n = 0;
        for (WORD id : block.parameters) {
            // A value ID shared by two parameters is found in set order: the first carries it.
            EXPECT_EQ("v" + std::to_string(n++) + " +", Live(Exchange(), id)[0]->GetValue().str()) << block.id;
        }
        EXPECT_EQ("u(t)", Live(Exchange(), 2186)[0]->GetValue().str()) << block.id;
        EXPECT_EQ("X9", Exchange()->m_strElementName.str()) << block.id;
        EXPECT_EQ(commits + 1, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE)) << block.id;
    }
}

TEST_F(StaticBlocks, PinnedBlockParameterIsDisabledButStillWritten) {
    const OlderBlock& limiter = kOlderBlocks[1];
    auto rows = RowsFor(limiter);
    rows[0].type = 0x80000004;  // the upper limit comes from a pin
    auto wizard = NewOlder(60, rows);
    OpenOlder open(wizard.get(), Exchange());
    EXPECT_FALSE(Enabled(open.Page(), 2151));
    EXPECT_TRUE(Enabled(open.Page(), 2152));
    open.Page()->GetDlgItem(2151)->SetWindowText("7");
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("7", Live(Exchange(), 2151)[0]->GetValue().str());
}

TEST_F(StaticBlocks, ParametersWithoutTheInputBitAreNeitherShownNorWritten) {
    auto rows = BlockRows({{.id = 2028, .name = "Q_OUT", .value = "kept", .type = 0x8}});
    auto wizard = NewOlder(63, rows);
    OpenOlder open(wizard.get(), Exchange());
    EXPECT_EQ("", Text(open.Page(), 2028));
    ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2028), "0.5"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("kept", Named(Exchange(), "Q_OUT")->GetValue().str());
}

TEST_F(StaticBlocks, SampleTimeListAndPinsAsAUserUsesThem) {
    struct Case {
        const char* stored;
        const char* typed;  // typed into the combo, then the focus leaves it
        int entries;
        const char* written;
    };
    const Case cases[] = {
        {"0", nullptr, 2, "0"},     {"0.0", nullptr, 3, "0.0"}, {"0.001", nullptr, 2, "1m"},
        // A typed beginning of an entry is no entry of its own and is stored as typed.
        {"0", "sys", 2, "sys"},     {"0", "T2", 3, "T2"},       {"1m", "1", 2, "1"},
    };
    for (const Case& c : cases) {
        auto rows = BlockRows({});
        rows[0].value = c.stored;
        auto wizard = NewOlder(59, rows);
        OpenOlder open(wizard.get(), Exchange());
        auto* combo = static_cast<CComboBox*>(open.Page()->GetDlgItem(2183));
        if (c.typed != nullptr) {
            ASSERT_TRUE(qv::ui::TypeText(combo, c.typed));
            ASSERT_TRUE(qv::ui::SetFocusTo(open.Page()->GetDlgItem(2186)));
        }
        EXPECT_EQ(c.entries, combo->GetCount()) << c.stored << " " << (c.typed ? c.typed : "");
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(c.written, Live(Exchange(), 2183)[0]->GetValue().str()) << c.stored;
    }

    auto wizard = NewOlder(59, BlockRows({}));
    OpenOlder open(wizard.get(), Exchange());
    CWnd* page = open.Page();
    ExpectUsePinsAct(page, Exchange(), {{2073, 2186, 2186}, {2074, 2183, 2183}});
    ExpectOutputBoxSwitches(page, Exchange());
}

TEST_F(StaticBlocks, ChoosingAUnitMarksEveryPageTheLimitersToo) {
    for (int id : {59, 60, 61, 62, 63}) {
        auto wizard = NewOlder(id, BlockRows({}));
        OpenOlder open(wizard.get(), Exchange());
        EXPECT_FALSE(open.Page()->IsPageModified());
        auto* unit = open.Page()->GetDlgItem(2400);
        ASSERT_TRUE(qv::ui::ChooseEntry(unit, static_cast<CComboBox*>(unit)->GetCount() > 1 ? 1 : 0)) << id;
        EXPECT_TRUE(open.Page()->IsPageModified()) << id;
    }
}

TEST_F(StaticBlocks, RootSignAndPowerDifferOnlyInTheParameterCaption) {
    const std::pair<int, const char*> cases[] = {{68, "Radical Exponent"}, {69, "Amplitude"}, {70, "Exponent"}};
    for (const auto& [id, caption] : cases) {
        auto wizard = NewOlder(id, BlockRows({{.id = 2247, .name = "N", .value = "2"}}));
        OpenOlder open(wizard.get(), Exchange());
        EXPECT_EQ(caption, Text(open.Page(), 2246)) << id;
        EXPECT_EQ("2", Text(open.Page(), 2247)) << id;
    }
}

TEST_F(StaticBlocks, WizardModesCloneAndEditingAgain) {
    for (const OlderBlock& block : kOlderBlocks) {
        auto wizard = NewOlder(block.id, RowsFor(block));
        CPropertySheet sheet("Block");
        for (UINT mode : {0u, 2u}) {
            wizard->DoEditProperties(sheet, Exchange(), mode);
            EXPECT_EQ(0, sheet.GetPageCount()) << block.id;
        }
        ASSERT_TRUE(wizard->DoEditProperties(sheet, Exchange(), 1));
        std::unique_ptr<CWizardBase3> copy(wizard->Clone());
        ASSERT_NE(nullptr, copy);
        EXPECT_STREQ(block.wizardClass, copy->GetRuntimeClass()->m_lpszClassName);
        // A second editing without an end replaces the first page instead of leaking it.
        sheet.RemovePage(sheet.GetPage(0));
        ASSERT_TRUE(wizard->DoEditProperties(sheet, Exchange(), 1));
        sheet.RemovePage(sheet.GetPage(0));
        wizard->EndEditProperties();
        wizard->EndEditProperties();
        copy->EndEditProperties();
    }
}

// ---------------------------------------------------------------------------------------
// The trigonometric block (newer base)

class TrigBlock : public BlocksTest {
protected:
    std::unique_ptr<CFctSinCosTanBlockWizard4> NewTrig(const char* quantity, const char* unit) {
        auto rows = BlockRows({});
        rows[1].quantity = quantity;
        rows[1].unit = unit;
        return NewWizard<CFctSinCosTanBlockWizard4>(rows, &element);
    }
    DWORD element = 0;
};

TEST_F(TrigBlock, AngleUnitComboFollowsTheInputsQuantityAndApplyCommitsTheSet) {
    {
        WizardOnSheet wizard(NewTrig("", ""));
        EXPECT_FALSE(Visible(wizard.Page(), 2519));
        ASSERT_TRUE(qv::ui::TypeText(wizard.Page()->GetDlgItem(2186), "w*t"));
        ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
        EXPECT_EQ("w*t", Live(editor->Holder(element), 2186)[0]->GetValue().str());
        EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
        EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
    }
    WizardOnSheet wizard(NewTrig("Angle", "rad"));
    EXPECT_TRUE(Visible(wizard.Page(), 2519));
    EXPECT_EQ("rad", Text(wizard.Page(), 2519));
}

TEST_F(TrigBlock, EditingAgainGivesTheOldCookieBackFirst) {
    auto wizard = NewTrig("Angle", "rad");
    ExpectSecondEditRebindsThePage(*wizard, [](CPropFctSinCosTanSinhypArccosBlock&) {});
    // The editor's protocol check (every cookie back exactly once) runs at the end.
}

TEST_F(TrigBlock, OlderBlockGivesTheInputsAngleUnit) {
    struct Case {
        Bytes block;
        const char* unit;  // the used unit afterwards
        size_t commits;
    };
    const Case cases[] = {
        {{1, 0, 0, 0}, "deg", 1},
        {{0, 0, 0, 0}, "rad", 1},
        {{2, 0, 0, 0, 9}, "rad", 1},
        {{1, 0, 0}, "grd", 0},
        {{}, "grd", 0},
    };
    for (const Case& c : cases) {
        auto wizard = NewTrig("Angle", "grd");
        const size_t before = editor->CountRequests(WIZREQ_COMMIT_PARAMS);
        EXPECT_TRUE(wizard->DoConvertWizard3Data(c.block.empty() ? nullptr : c.block.data(),
                                                 static_cast<long>(c.block.size())));
        EXPECT_EQ(c.unit, Live(editor->Holder(element), 2186)[0]->GetUsedUnit().str()) << c.block.size();
        EXPECT_EQ(before + c.commits, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    }
}

TEST_F(TrigBlock, FactoryMakesTheNewerBaseWizard) {
    std::unique_ptr<CWizardBase4> wizard(CreateWizard4Instance(66));
    ASSERT_NE(nullptr, wizard);
    EXPECT_STREQ("CFctSinCosTanBlockWizard4", wizard->GetRuntimeClass()->m_lpszClassName);
    EXPECT_EQ(nullptr, CreateWizardInstance(66));
    EXPECT_EQ(3, wizard->GetWizardKind());
    // A clone of a wizard whose page is open is a wizard of its own class without a page: the
    // page stays with its source, which still holds it after the clone is gone.
    WizardOnSheet source(NewTrig("Angle", "rad"));
    {
        std::unique_ptr<CWizardBase4> copy(source->Clone());
        ASSERT_NE(nullptr, copy);
        EXPECT_STREQ("CFctSinCosTanBlockWizard4", copy->GetRuntimeClass()->m_lpszClassName);
        EXPECT_EQ(3, copy->GetWizardKind());
        EXPECT_EQ(nullptr, static_cast<CFctSinCosTanBlockWizard4*>(copy.get())->GetPage());
    }
    EXPECT_EQ(source.Page(), source->GetPage());
    EXPECT_EQ("rad", Text(source.Page(), 2519));
}

} // namespace

namespace {

// Without parameters a page shows its defaults and refuses to apply.
TEST_F(StaticBlocks, PagesWithoutParametersShowDefaultsAndApplyNothing) {
    for (int id : {59, 60, 61, 62, 63, 64, 67, 68, 69, 70, 83}) {
        std::unique_ptr<CWizardBase3> wizard(CreateWizardInstance(id));
        ASSERT_NE(nullptr, wizard) << id;
        OpenOlder open(wizard.get(), nullptr);
        ASSERT_NE(nullptr, open.Page()) << id;
        EXPECT_EQ("", Text(open.Page(), 2001)) << id;
        EXPECT_FALSE(open.Page()->OnApply()) << id;
    }
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
}

} // namespace
