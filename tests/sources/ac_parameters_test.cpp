// The AC-parameters page and the AC wizard base: the control states of the three states,
// the shared pin flags, the marks on leaving, the page block and the base's archive.
#include "sources_support.h"

#include "framework/param_access.h"
#include "framework/requests.h"

using namespace sources_test;

namespace {

class ACPage : public SourcesTest {
protected:
    // The AC base alone, its page on a sheet of its own.
    struct Open {
        CACWizardBase4 wizard;
        CPropertySheet sheet{"AC"};
        explicit Open(qv::SchematicEditor& editor, DWORD element, DWORD mode = 0, DWORD locked = 0) {
            editor.Attach(wizard, element);
            wizard.SetACMode(mode);
            EXPECT_TRUE(wizard.DoEditProperties(sheet, 1));
            wizard.GetACPage()->SetLocked(locked);
            EXPECT_TRUE(sheet.Create());
        }
        ~Open() {
            sheet.DestroyWindow();
            wizard.EndEditProperties();
        }
        CPropACParameters* Page() { return wizard.GetACPage(); }
    };

    DWORD AddElement(const std::vector<ParamRow>& rows = kVoltageRows) {
        return editor->AddElement(MakeHolder(rows, "V1"));
    }
};

// The controls of the state table in the order of the expectation strings below.
constexpr int kStateControls[] = {2330, 2428, 2424, 2433, 2425, 2434, 2516, 2517, 2033, 2321, 2032,
                                  2031, 2429, 2431, 2430, 2432, 2518, 2519, 2035, 2036, 2030, 2029};

TEST_F(ACPage, ControlStatesOfTheThreeStates) {
    struct Case {
        const char* name;
        DWORD mode;
        DWORD locked;
        const char* enabled;  // one character per control: 1 enabled, 0 disabled
    };
    const Case cases[] = {
        {.name = "phase and magnitude", .mode = 0, .locked = 0, .enabled = "1111111111110000000000"},
        {.name = "real and imaginary", .mode = 1, .locked = 0, .enabled = "1100000000001111001111"},
        {.name = "locked", .mode = 0, .locked = 1, .enabled = "0011000000110000000000"},
        {.name = "locked in real mode", .mode = 1, .locked = 1, .enabled = "0011000000110000000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open open(*editor, AddElement(), c.mode, c.locked);
        std::string enabled;
        for (int id : kStateControls) enabled += Enabled(open.Page(), id) ? '1' : '0';
        EXPECT_EQ(c.enabled, enabled);
    }
}

TEST_F(ACPage, SwitchingBackEnablesMagnitudeAndPhaseUnitsAgain) {
    Open open(*editor, AddElement());
    CPropACParameters* page = open.Page();
    ASSERT_TRUE(qv::ui::Click(page, 2428));
    EXPECT_EQ(1u, page->GetMode());
    EXPECT_FALSE(Enabled(page, 2516));
    EXPECT_FALSE(Enabled(page, 2518)) << "the real part's unit list is never offered";
    ASSERT_TRUE(qv::ui::Click(page, 2330));
    EXPECT_EQ(0u, page->GetMode());
    EXPECT_TRUE(Enabled(page, 2516));
    EXPECT_TRUE(Enabled(page, 2517));
}

// Magnitude and real part share the magnitude's pin flag, phase and imaginary part the phase's.
TEST_F(ACPage, PinBoxesWriteTheSharedFlags) {
    struct Case {
        DWORD mode;
        int box;
        WORD flagged;
        int edit;
    };
    const Case cases[] = {{0, 2033, 2425, 2425}, {0, 2321, 2434, 2434}, {1, 2035, 2425, 2430}, {1, 2036, 2434, 2432}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        const DWORD element = AddElement();
        Open open(*editor, element, c.mode);
        ParamHolder* holder = editor->Holder(element);
        ASSERT_TRUE(qv::ui::Click(open.Page(), c.box));
        EXPECT_TRUE(Param(holder, c.flagged)->HasPin());
        EXPECT_FALSE(Enabled(open.Page(), c.edit));
        for (WORD id : {2430, 2432}) EXPECT_FALSE(Param(holder, id)->HasPin()) << id;
        ASSERT_TRUE(qv::ui::Click(open.Page(), c.box));
        EXPECT_FALSE(Param(holder, c.flagged)->HasPin());
        EXPECT_TRUE(Enabled(open.Page(), c.edit));
    }
}

TEST_F(ACPage, LockedPageTakesNoValueOrPinOfMagnitudeAndPhase) {
    const DWORD element = AddElement(WithValue(WithValue(kVoltageRows, 2425, "7"), 2430, "3"));
    Param(editor->Holder(element), 2425)->UsePin(TRUE);
    CACWizardBase4 wizard;
    editor->Attach(wizard, element);
    CPropertySheet sheet("AC");
    ASSERT_TRUE(wizard.DoEditProperties(sheet, 1));
    wizard.GetACPage()->SetLocked(1);
    wizard.GetACPage()->PresetMagnitudeAndPhase("230", "0");
    ASSERT_TRUE(sheet.Create());
    CPropACParameters* page = wizard.GetACPage();
    EXPECT_EQ("230", Text(page, 2425));
    EXPECT_EQ("3", Text(page, 2430));
    EXPECT_EQ(BST_UNCHECKED, page->IsDlgButtonChecked(2033));
    sheet.DestroyWindow();
    wizard.EndEditProperties();
}

TEST_F(ACPage, LeavingMarksRealAndImaginaryUnusedInEitherMode) {
    for (DWORD mode : {0u, 1u}) {
        SCOPED_TRACE(mode);
        const DWORD element = AddElement();
        ParamHolder* holder = editor->Holder(element);
        for (WORD id : {2425, 2434}) Param(holder, id)->SetExtType(kUnused);
        for (WORD id : {2430, 2432}) Param(holder, id)->SetExtType(0);
        Open open(*editor, element, mode);
        EXPECT_TRUE(open.Page()->OnKillActive());
        EXPECT_FALSE(Unused(holder, 2425));
        EXPECT_FALSE(Unused(holder, 2434));
        EXPECT_TRUE(Unused(holder, 2430));
        EXPECT_TRUE(Unused(holder, 2432));
    }
}

TEST_F(ACPage, ApplyWritesTextsAndUnitsAndCommits) {
    auto rows = kVoltageRows;
    for (ParamRow& row : rows)
        if (row.id == 2432) row.quantity = "", row.unit = "";
    const DWORD element = AddElement(rows);
    ParamHolder* holder = editor->Holder(element);
    Param(holder, 2432)->SetUsedUnit("keep");
    Open open(*editor, element);
    CPropACParameters* page = open.Page();
    EXPECT_FALSE(Visible(page, 2519)) << "no quantity, no unit list";
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2425), "5"));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2516), "mV"));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2517), "rad"));
    editor->ClearRequests();
    ASSERT_TRUE(qv::ui::Apply(&open.sheet));
    EXPECT_EQ("5", Param(holder, 2425)->GetValue().str());
    ExpectUsedUnits(holder, {{2425, "mV"}, {2434, "rad"}, {2432, "keep"}});
    EXPECT_EQ(1u, editor->CountRequests(25));
    editor->SetCommitAnswer(1);
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2516), "kV"));
    EXPECT_FALSE(page->OnApply());
    EXPECT_TRUE(page->IsPageModified());
    editor->SetCommitAnswer(0);
}

TEST_F(ACPage, SetActiveShowsTheSharedFlagInTheShownPair) {
    const DWORD element = AddElement();
    Open open(*editor, element, 1);
    Param(editor->Holder(element), 2434)->UsePin(TRUE);
    EXPECT_TRUE(open.Page()->OnSetActive());
    EXPECT_EQ(BST_CHECKED, open.Page()->IsDlgButtonChecked(2036));
    EXPECT_EQ(BST_UNCHECKED, open.Page()->IsDlgButtonChecked(2321));
    EXPECT_FALSE(Enabled(open.Page(), 2432));
}

// A page opened on an element whose magnitude or phase is on a pin shows the flag in whichever
// pair its mode shows, keeps it through mode changes, and OK writes what the boxes showed.
TEST_F(ACPage, AReopenedPageKeepsThePinFlagsThroughModeChanges) {
    struct Case {
        DWORD mode;
        WORD pinned;
        std::vector<int> clicks;
        bool pinnedAfter;
        int shownBox;  // the box of the flag in the pair the page shows at the end
    };
    const Case cases[] = {
        {1, 2425, {}, true, 2035},            // OK without a change
        {1, 2434, {}, true, 2036},
        {1, 2425, {2330, 2428}, true, 2035},  // to magnitude and phase and back
        {0, 2434, {2428}, true, 2036},
        {1, 2425, {2035, 2330}, false, 2033},  // cleared in one pair, cleared in the other
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pinned);
        const DWORD element = AddElement();
        ParamHolder* holder = editor->Holder(element);
        Param(holder, c.pinned)->UsePin(TRUE);
        Open open(*editor, element, c.mode);
        for (int box : c.clicks) ASSERT_TRUE(qv::ui::Click(open.Page(), box)) << box;
        EXPECT_EQ(c.pinnedAfter ? BST_CHECKED : BST_UNCHECKED, open.Page()->IsDlgButtonChecked(c.shownBox));
        ASSERT_TRUE(qv::ui::Apply(&open.sheet));
        EXPECT_EQ(c.pinnedAfter, Param(holder, c.pinned)->HasPin() != FALSE);
        for (WORD id : {2430, 2432}) EXPECT_FALSE(Param(holder, id)->HasPin()) << id;
    }
}

// The page block: DWORD version, DWORD mode; older versions add the phase unit.
TEST_F(ACPage, PageBlocksOfVersionsNineAndTen) {
    struct Case {
        DWORD version;
        DWORD mode;
        DWORD phaseUnit;
        const char* unit;
        size_t commits;
    };
    const Case cases[] = {{10, 1, 1, "deg", 0}, {9, 0, 1, "rad", 1}, {9, 1, 0, "deg", 1}, {9, 0, 2, "deg", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version * 10 + c.phaseUnit);
        const DWORD element = AddElement();
        CACWizardBase4 wizard;
        editor->Attach(wizard, element);
        ScopedParamSet params{RequestTarget(&wizard)};
        CPropACParameters page(&wizard, params.Holder());
        Bytes block = Dwords({c.version, c.mode});
        if (c.version < 10) Dword(block, c.phaseUnit);
        editor->ClearRequests();
        Loaded(block, [&](CArchive& ar) { page.Serialize(ar); });
        EXPECT_EQ(c.mode, page.GetMode());
        EXPECT_EQ(c.unit, Param(params.Holder(), 2434)->GetUsedUnit().str());
        EXPECT_EQ(c.commits, editor->CountRequests(25)) << "without a window the unit is committed";
        Bytes expected = Dwords({10, c.mode});
        EXPECT_EQ(expected, Stored([&](CArchive& ar) { page.Serialize(ar); }));
    }
}

TEST_F(ACPage, OldBlockWithAWindowSelectsThePhaseUnit) {
    const DWORD element = AddElement();
    Open open(*editor, element);
    Bytes block = Dwords({8, 1, 1});
    editor->ClearRequests();
    Loaded(block, [&](CArchive& ar) { open.Page()->Serialize(ar); });
    EXPECT_EQ("rad", Text(open.Page(), 2517));
    EXPECT_EQ(BST_CHECKED, open.Page()->IsDlgButtonChecked(2428));
    EXPECT_EQ(0u, editor->CountRequests(25)) << "the unit goes to the parameter with the page's apply";
}

TEST_F(ACPage, LoadObjectFromBufferReadsOnlyWholeBlocks) {
    struct Case {
        const char* name;
        Bytes bytes;
        BOOL result;
        size_t consumed;
        DWORD mode;
    };
    Bytes whole;
    Block(whole, Bytes{10, 0, 0, 0, 1, 0, 0, 0});
    Bytes cut = whole;
    cut.pop_back();
    Bytes wrapping;
    Dword(wrapping, 0xFFFFFFFF);
    wrapping.push_back(0);
    Bytes empty;
    Dword(empty, 0);
    Bytes shortBlock;
    Block(shortBlock, Bytes{10, 0, 0, 0, 1});
    const Case cases[] = {
        {"whole block", whole, TRUE, 12, 1},
        {"one byte short", cut, FALSE, 0, 0},
        {"wrapping length", wrapping, FALSE, 0, 0},
        {"one length byte", Bytes{1}, FALSE, 0, 0},
        {"two length bytes", Bytes{1, 0}, FALSE, 0, 0},
        {"three length bytes", Bytes{1, 0, 0}, FALSE, 0, 0},
        {"empty block", empty, TRUE, 4, 0},
        {"block too short for its fields", shortBlock, TRUE, 9, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPropACParameters page;
        const BYTE* cursor = c.bytes.data();
        size_t consumed = 0;
        EXPECT_EQ(c.result, LoadObjectFromBuffer(&page, &cursor, c.bytes.size(), &consumed));
        EXPECT_EQ(c.consumed, consumed);
        EXPECT_EQ(c.bytes.data() + c.consumed, cursor);
        EXPECT_EQ(c.mode, page.GetMode());
    }
}

// ---------------------------------------------------------------------------------------

using ACWizard = ACPage;

TEST_F(ACWizard, OtherModesAddNoPageAndSendNothing) {
    CACWizardBase4 wizard;
    editor->Attach(wizard, AddElement());
    CPropertySheet sheet("AC");
    EXPECT_FALSE(wizard.DoEditProperties(sheet, 2));
    EXPECT_EQ(nullptr, wizard.GetACPage());
    EXPECT_EQ(0, sheet.GetPageCount());
    EXPECT_EQ(0u, editor->Requests().size());
}

// A second call without EndEditProperties keeps the page object, gives its old cookie back
// and binds it to the new one.
TEST_F(ACWizard, SecondEditReusesThePageAndGivesTheOldCookieBack) {
    CACWizardBase4 wizard;
    editor->Attach(wizard, AddElement());
    wizard.SetACMode(1);
    {
        CPropertySheet first("AC");
        CPropertySheet second("AC");
        ASSERT_TRUE(wizard.DoEditProperties(first, 1));
        CPropACParameters* page = wizard.GetACPage();
        ASSERT_TRUE(wizard.DoEditProperties(second, 1));
        EXPECT_EQ(page, wizard.GetACPage());
        EXPECT_EQ(1u, page->GetMode());
        EXPECT_EQ(1, editor->OutstandingCookies());
    }
    wizard.EndEditProperties();
    EXPECT_EQ(0, editor->OutstandingCookies());
    EXPECT_EQ(2u, editor->CountRequests(23));
    EXPECT_EQ(2u, editor->CountRequests(24));
}

TEST_F(ACWizard, ArchiveKeepsTheModeAndANewerSchemaLeavesIt) {
    CACWizardBase4 wizard;
    wizard.SetACMode(1);
    EXPECT_EQ((Bytes{0, 0, 1, 0, 0, 0}), Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); }));
    EXPECT_EQ(Bytes{}, Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion3); }));

    CACWizardBase4 loaded;
    Loaded(Bytes{0, 0, 1, 0, 0, 0}, [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(1u, loaded.GetACMode());
    Loaded(Bytes{1, 0, 0, 0, 0, 0}, [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(1u, loaded.GetACMode()) << "schema 1 keeps the mode";
    EXPECT_EQ(1, loaded.GetACSchema());

    std::unique_ptr<CWizardBase4> clone(loaded.Clone());
    auto* copy = dynamic_cast<CACWizardBase4*>(clone.get());
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(1u, copy->GetACMode());
    EXPECT_EQ(nullptr, copy->GetACPage());
    EXPECT_EQ(3, copy->GetWizardKind());
}

} // namespace
