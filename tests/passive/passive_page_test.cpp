// The resistor/conductance page driven as a user drives it, and the conversion of older
// element data through the wizards.
#include "passive_support.h"
#include "tests/support/characteristic_sheet.h"
#include "tests/support/profiled_host.h"

#include "framework/param_access.h"

using namespace passive_test;

namespace {

using PassivePage = PassiveTest;

TEST_F(PassivePage, ResistorWithoutCharacteristicShowsOnlyTheValue) {
    const std::vector<ParamRow> rows = {kResistorRows[0], kResistorRows[4], kResistorRows[5]};
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CResistorWizard4>(rows, "R7", &element));
    for (int id : {2088, 2016, 2075, 2027, 2007, 2077, 2006}) EXPECT_FALSE(Visible(page, id)) << id;
    EXPECT_TRUE(Visible(page, 2144));
    EXPECT_EQ("Resistance", Text(page, 2144));
    EXPECT_TRUE(Enabled(page, 2028));
    EXPECT_EQ("Voltage [V]", Text(page, 2018));
    EXPECT_EQ("Resistance [Ohm]", Text(page, 2056));

    auto* combo = static_cast<CComboBox*>(page->GetDlgItem(2507));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2028), "4.7"));
    ASSERT_TRUE(qv::ui::ChooseEntry(combo, "kOhm"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    const CWizardCopaObject3* value = Param(editor->Holder(element), 2028);
    EXPECT_EQ("4.7", value->GetValue().str());
    EXPECT_EQ("kOhm", value->GetUsedUnit().str());
    EXPECT_EQ(std::vector<std::string>{"R"}, SnapshotNames(wizard->GetSnapshots()));
    EXPECT_EQ(0u, wizard->GetModeWord());
}

TEST_F(PassivePage, CharacteristicOnAPinMakesTheSnapshotAPlainAssignment) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CResistorWizard4>(kResistorRows, "R1", &element));
    ASSERT_TRUE(qv::ui::Click(page, 2088));
    ASSERT_NO_FATAL_FAILURE(ExpectCharacteristicPinned(page, 2075, editor->Holder(element), open.Sheet()));
    EXPECT_EQ(0u, wizard->GetLookUpFlag());
    EXPECT_EQ(std::vector<std::string>{"CH"}, SnapshotNames(wizard->GetSnapshots()));
}

TEST_F(PassivePage, FileReferenceTableSetsItsBitAndTakesTheVariable) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CResistorWizard4>(kResistorRows, "R1", &element));
    ASSERT_TRUE(qv::ui::Click(page, 2088));
    qv::UserScript::Instance().ExpectSheet([](CPropertySheet& inner) { EnterReference(inner, "CURVE_VAR"); });
    ASSERT_TRUE(qv::ui::Click(page, 2016));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(1u | kModeFileReference, wizard->GetModeWord());
    EXPECT_EQ("CURVE_VAR", Param(editor->Holder(element), 1007)->GetValue().str());
    EXPECT_EQ(std::vector<std::string>{"@CH"}, SnapshotNames(wizard->GetSnapshots()));
    ASSERT_EQ(1, wizard->GetSnapshots().GetSize());
    // The snapshot was taken from "CH_STRG" and renamed.
    EXPECT_EQ(0x4u, static_cast<CCopaObjectCompare*>(wizard->GetSnapshots().GetAt(0))->GetType() & 0x4);
    // Leaving the page marks the data file unused and the variable used.
    EXPECT_TRUE(Unused(editor->Holder(element), 1006));
    EXPECT_FALSE(Unused(editor->Holder(element), 1007));
    EXPECT_TRUE(Unused(editor->Holder(element), 2016));
}

// The "@CH" snapshot of a look-up table must come from the parameter of the table's source:
// the data file "CH_FILE" for data pairs, the variable "CH_STRG" for a file reference. The
// two parameters carry different marks in their ExtType here, and a snapshot copies the
// ExtType of the parameter it was taken from, so a snapshot taken from the wrong one shows.
class PassiveSnapshotSource : public PassiveTest {
protected:
    static constexpr DWORD kFileMark = 0x100;
    static constexpr DWORD kVariableMark = 0x200;

    struct Outcome {
        DWORD mark = 0;
        DWORD modeWord = 0;
        std::vector<std::string> names;
    };

    template <class Wizard>
    Outcome ApplyTable(const std::vector<ParamRow>& rows, bool fileReference) {
        DWORD element = 0;
        auto wizard = NewWizard<Wizard>(rows, "X1", &element);
        ParamHolder* holder = editor->Holder(element);
        Param(holder, 1006)->SetExtType(kFileMark);
        Param(holder, 1007)->SetExtType(kVariableMark);
        wizard->Initialize(0);
        Outcome outcome;
        {
            OpenPage<Wizard> open(*wizard);
            CWnd* page = open.Page();
            EXPECT_TRUE(qv::ui::Click(page, 2088));
            qv::UserScript::Instance().ExpectSheet([fileReference](CPropertySheet& inner) {
                ASSERT_NE(nullptr, inner.GetActivePage());
                fileReference ? EnterReference(inner, "CURVE_VAR") : EnterPairs(inner, "1m");
            });
            EXPECT_TRUE(qv::ui::Click(page, 2016));
            EXPECT_TRUE(qv::ui::Apply(&open.Sheet()));
        }
        outcome.modeWord = wizard->GetModeWord();
        outcome.names = SnapshotNames(wizard->GetSnapshots());
        if (wizard->GetSnapshots().GetSize() > 0)
            outcome.mark = static_cast<CCopaObjectCompare*>(wizard->GetSnapshots().GetAt(0))->GetExtType() &
                           (kFileMark | kVariableMark);
        return outcome;
    }
};

TEST_F(PassiveSnapshotSource, TableSnapshotComesFromTheParameterOfItsSource) {
    struct Case {
        const char* what;
        bool conductance;
        bool fileReference;
        DWORD mark;
        DWORD modeWord;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"resistor, data pairs", false, false, kFileMark, 1u, {"@CH"}},
        {"resistor, file reference", false, true, kVariableMark, 1u | kModeFileReference, {"@CH"}},
        {"conductance, data pairs", true, false, kFileMark, 1u, {"@CH", "QUANT"}},
        {"conductance, file reference", true, true, kVariableMark, 1u | kModeFileReference, {"@CH", "QUANT"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = c.conductance ? ApplyTable<CConductanceWizard4>(kConductanceRows, c.fileReference)
                                              : ApplyTable<CResistorWizard4>(kResistorRows, c.fileReference);
        EXPECT_EQ(c.names, outcome.names);
        EXPECT_EQ(c.modeWord, outcome.modeWord);
        EXPECT_EQ(c.mark, outcome.mark) << (c.mark == kFileMark ? "expected the snapshot of CH_FILE"
                                                                : "expected the snapshot of CH_STRG");
    }
}

TEST_F(PassivePage, SwitchingFormsMovesDirectionAndUnusedMarks) {
    DWORD element = 0;
    auto wizard = NewWizard<CConductanceWizard4>(WithCharacteristic(kConductanceRows), "G1", &element);
    wizard->Initialize(0);
    ParamHolder* holder = editor->Holder(element);
    EXPECT_TRUE(Param(holder, 2028)->IsOutput()) << "a new element with a characteristic starts nonlinear";
    OpenPage<CConductanceWizard4> open(*wizard);
    CWnd* page = open.Page();
    for (int id : {2007, 2077, 2006}) EXPECT_TRUE(Visible(page, id)) << id;
    EXPECT_EQ("Nonlinear\nG = f(v)", Text(page, 2088));

    ASSERT_TRUE(qv::ui::Click(page, 2027));
    EXPECT_TRUE(Param(holder, 2028)->IsInput());
    EXPECT_FALSE(Enabled(page, 2007));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    for (WORD id : {2016, 1006, 1007, 2007}) EXPECT_TRUE(Unused(holder, id)) << id;
    EXPECT_FALSE(Unused(holder, 2028));
    EXPECT_EQ(std::vector<std::string>{"G"}, SnapshotNames(wizard->GetSnapshots()));

    ASSERT_TRUE(qv::ui::Click(page, 2088));
    EXPECT_TRUE(Param(holder, 2028)->IsOutput());
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2007), "V1"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("V1", Param(holder, 2007)->GetValue().str());
    EXPECT_EQ((std::vector<std::string>{"CH", "QUANT"}), SnapshotNames(wizard->GetSnapshots()));
    EXPECT_FALSE(Unused(holder, 2016));
    EXPECT_FALSE(Unused(holder, 2007));
}

// A linear value survives the nonlinear form: a page reopened on the nonlinear element shows
// it, OK keeps it, and the linear form chosen again writes it back with its pin flag.
TEST_F(PassivePage, AReopenedPageShowsTheValueTheNonlinearFormKept) {
    struct Case {
        const std::vector<ParamRow>* rows;
        bool onPin;
    };
    const Case cases[] = {{&kResistorRows, false}, {&kConductanceRows, false}, {&kResistorRows, true}};
    for (const Case& c : cases) {
        std::vector<ParamRow> rows = WithCharacteristic(*c.rows);
        rows[0].value = "4.7k";
        DWORD element = 0;
        auto wizard = rows[0].name == std::string("R") ? std::unique_ptr<CPassiveResAndConWizardBase4>(
                                                             NewWizard<CResistorWizard4>(rows, "R1", &element))
                                                       : NewWizard<CConductanceWizard4>(rows, "G1", &element);
        SCOPED_TRACE(rows[0].name);
        ParamHolder* holder = editor->Holder(element);
        Param(holder, 2028)->UsePin(c.onPin);
        auto edit = [&](auto steps) {
            CPropertySheet sheet("Element");
            ASSERT_TRUE(wizard->DoEditProperties(sheet, 1));
            ASSERT_TRUE(sheet.Create());
            steps(sheet.GetPage(0));
            EXPECT_TRUE(qv::ui::PressOK(&sheet));
            sheet.DestroyWindow();
            wizard->EndEditProperties();
        };
        edit([](CPropertyPage* page) { ASSERT_TRUE(qv::ui::Click(page, 2088)); });
        ASSERT_TRUE(Param(holder, 2028)->IsOutput());
        edit([&](CPropertyPage* page) {
            EXPECT_EQ("4.7k", Text(page, 2028));
            EXPECT_EQ(c.onPin, Checked(page, 2090));
        });
        EXPECT_EQ("4.7k", Param(holder, 2028)->GetValue().str());
        EXPECT_EQ(c.onPin, Param(holder, 2028)->HasPin() != FALSE);
        edit([](CPropertyPage* page) { ASSERT_TRUE(qv::ui::Click(page, 2027)); });
        EXPECT_TRUE(Param(holder, 2028)->IsInput());
        EXPECT_EQ("4.7k", Param(holder, 2028)->GetValue().str());
        EXPECT_EQ(c.onPin, Param(holder, 2028)->HasPin() != FALSE);
    }
}

// The symbol frame shows the element's symbol; the nonlinear form selects its variant.
TEST_F(PassivePage, SymbolFollowsTheForm) {
    DWORD element = 0;
    auto wizard = NewWizard<CResistorWizard4>(kResistorRows, "R1", &element);
    editor->Holder(element)->m_SymbolTexts.SetAt(kLanguageEnglish, "rect 25 40 75 60; [0] line 30 70 70 30");
    OpenPage<CResistorWizard4> open(*wizard);
    CWnd* page = open.Page();
    ASSERT_TRUE(qv::ui::Click(page, 2027));
    ExpectSymbolInFrame(page);

    ASSERT_TRUE(qv::ui::Click(page, 2088));
    EXPECT_EQ(1, editor->Holder(element)->m_bySymbolVariant);
    page->UpdateWindow();
    const qv::DisplayList* nonlinear = qv::GetLastPainting(page);
    ASSERT_NE(nullptr, nonlinear);
    EXPECT_EQ(2u, nonlinear->items.size());
}

TEST_F(PassivePage, DefaultOutputBoxSwitchesAtOnceAndBackOnTheSecondClick) {
    DWORD element = 0;
    auto wizard = NewWizard<CResistorWizard4>(kResistorRows, "R1", &element);
    wizard->Initialize(0);
    OpenPage<CResistorWizard4> open(*wizard);
    ParamHolder* holder = editor->Holder(element);
    BOOL on = FALSE;
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2018));
    ASSERT_TRUE(GetSDBOutput(holder, 2018, &on));
    EXPECT_TRUE(on);
    EXPECT_EQ(BST_CHECKED, open.Page()->IsDlgButtonChecked(2018));
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2018));
    GetSDBOutput(holder, 2018, &on);
    EXPECT_FALSE(on);
    EXPECT_EQ(BST_UNCHECKED, open.Page()->IsDlgButtonChecked(2018));
}

TEST_F(PassivePage, ApplyWithoutParameterSetRefusesBeforeWriting) {
    ASSERT_NO_FATAL_FAILURE(ExpectLooseApplyRefused<CResistorWizard4>("R9"));
    auto attached = NewWizard<CResistorWizard4>(kResistorRows, "R1");
    attached->Initialize(0);
    ExpectRefusedCommitFailsTheApply(*attached, *editor);
}

TEST_F(PassivePage, HiddenPageWorkLeavesThePageOnTheSheetAlone) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CResistorWizard4>(WithCharacteristic(kResistorRows), "R1", &element));
    ASSERT_NE(nullptr, page->GetParams());
    ASSERT_NO_FATAL_FAILURE(ExpectHiddenWorkLeavesThePageAlone(*wizard, page, open.Sheet(), *editor, element,
                                                               "@TYPER1 ( @PARAMLIST);", 0, "R2"));
}

// The editor's resource handle is its own again after every operation of the wizard and its
// page, early returns included. The editor here runs under the test program's module, which
// has no resources, so a page that did not switch to the plug-in's resources would not build.
TEST_F(PassivePage, EveryOperationGivesTheEditorItsResourceHandleBack) {
    const HINSTANCE editorResources = GetModuleHandleA(nullptr);
    ASSERT_NE(nullptr, editorResources);
    ASSERT_NE(module, editorResources);
    AfxSetResourceHandle(editorResources);
    auto unchanged = [&](const char* step) { EXPECT_EQ(editorResources, AfxGetResourceHandle()) << step; };

    auto wizard = NewWizard<CConductanceWizard4>(kConductanceRows, "G1");
    wizard->Initialize(0);
    unchanged("Initialize");
    {
        CPropertySheet sheet("Element");
        ASSERT_TRUE(wizard->DoEditProperties(sheet, 1));
        unchanged("DoEditProperties");
        ASSERT_TRUE(sheet.Create());
        unchanged("page creation");
        CWnd* page = wizard->GetPage();
        ASSERT_NE(nullptr, page->GetDlgItem(2088)) << "the page was built from the plug-in's template";
        ASSERT_TRUE(qv::ui::Click(page, 2088));
        unchanged("form change");
        qv::UserScript::Instance().ExpectSheet(nullptr, IDCANCEL);
        ASSERT_TRUE(qv::ui::Click(page, 2016));
        unchanged("characteristic sheet");
        ASSERT_TRUE(qv::ui::Click(page, 2027));
        EXPECT_TRUE(qv::ui::Apply(&sheet));
        unchanged("apply");
        sheet.DestroyWindow();
        wizard->EndEditProperties();
        unchanged("EndEditProperties");
    }
    CString model = "@TYPEG1 ( @PARAMLIST);";
    EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "no keyword", model));
    unchanged("model text without IMMANENT");
    EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "IMMANENT", model));
    unchanged("model text");
    const BYTE broken[] = {1, 2};
    EXPECT_TRUE(wizard->DoConvertWizard3Data(broken, sizeof broken));
    unchanged("conversion of broken data");

    // A wizard without an editor: no parameter set, and its page refuses to apply.
    CConductanceWizard4 loose;
    CPropertySheet looseSheet("Loose");
    ASSERT_TRUE(loose.DoEditProperties(looseSheet, 1));
    ASSERT_TRUE(looseSheet.Create());
    EXPECT_FALSE(loose.GetPage()->OnApply());
    unchanged("apply without parameter set");
    looseSheet.DestroyWindow();
    loose.EndEditProperties();
    unchanged("loose wizard");
}

// ---------------------------------------------------------------------------------------
// Older element data.

Bytes PageBlock(DWORD version, DWORD lookUp) {
    Bytes out;
    NewClass(out, "CPropPassiveResAndCon");
    Dword(out, version);
    Dword(out, lookUp);
    if (version >= 4) Dword(out, 1);
    return out;
}

using PassiveConversion = PassiveTest;

TEST_F(PassiveConversion, OnlyAModeWordGivesThatModeAndNoSnapshots) {
    auto wizard = NewWizard<CResistorWizard4>(kResistorRows, "R1");
    Bytes old;
    Dword(old, 1);
    ASSERT_TRUE(ConvertOlder(*wizard, old));
    EXPECT_EQ(1u, wizard->GetModeWord());
    EXPECT_EQ(0, wizard->GetSnapshots().GetSize());

    // No data at all: the defaults of a new element, which starts nonlinear.
    auto fresh = NewWizard<CResistorWizard4>(kResistorRows, "R2");
    ASSERT_TRUE(fresh->DoConvertWizard3Data(nullptr, 0));
    EXPECT_EQ(1u, fresh->GetModeWord());
    EXPECT_EQ(std::vector<std::string>{"CH"}, SnapshotNames(fresh->GetSnapshots()));
}

TEST_F(PassiveConversion, FullOlderDataUpgradesTheCharacteristicParameters) {
    DWORD element = 0;
    auto wizard = NewWizard<CResistorWizard4>(kResistorRows, "R1", &element);
    ParamHolder* holder = editor->Holder(element);
    // Older data kept the variable name in 1006 and the file name in 2016.
    Param(holder, 1006)->SetValue("OLDVAR");
    Param(holder, 2016)->SetValue("old.mdx");

    const Bytes snapshots = ArchivedSnapshots({"@CH"});
    Bytes old = Dwords({1 | kModeFileReference, 1});
    Block(old, snapshots);
    Block(old, PageBlock(3, 1));
    Block(old, TableBytes(1, "old.mdx", 0, {}, 0, "OLDVAR"));
    Block(old, PointBlock({"volts", "amps", "xs", "ys"}));
    ASSERT_TRUE(ConvertOlder(*wizard, old));

    EXPECT_EQ("OLDVAR", Param(holder, 1007)->GetValue().str()) << "the variable moved from 1006 to 1007";
    EXPECT_TRUE(Unused(holder, 1006));
    EXPECT_FALSE(Unused(holder, 1007));
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    EXPECT_EQ(1u | kModeFileReference, wizard->GetModeWord());
    EXPECT_EQ(1u, wizard->GetLookUpFlag());
    EXPECT_EQ(std::vector<std::string>{"@CH"}, SnapshotNames(wizard->GetSnapshots()));
    EXPECT_EQ("volts", wizard->GetXAxisLabel().str());
    EXPECT_EQ("ys", wizard->GetYSecondText());
    EXPECT_EQ("OLDVAR", wizard->GetCharacteristic().GetVariableName().str());
    EXPECT_EQ(nullptr, wizard->GetCharacteristic().GetDataBlock()) << "the converted block is dropped again";

    // A data-pairs table of older data kept its file name in 2016: it moves to 1006.
    DWORD second = 0;
    auto dataPairs = NewWizard<CResistorWizard4>(kResistorRows, "R2", &second);
    ParamHolder* pairsHolder = editor->Holder(second);
    Param(pairsHolder, 1006)->SetValue("OLDVAR");
    Param(pairsHolder, 2016)->SetValue("old.mdx");
    Bytes pairs = Dwords({1, 0, 0});
    Block(pairs, PageBlock(3, 1));
    Block(pairs, TableBytes(1, "old.mdx", 0, {}, 1, ""));
    ASSERT_TRUE(ConvertOlder(*dataPairs, pairs));
    EXPECT_EQ("old.mdx", Param(pairsHolder, 1006)->GetValue().str());
    EXPECT_FALSE(Unused(pairsHolder, 1006));
    EXPECT_TRUE(Unused(pairsHolder, 1007));
    EXPECT_EQ(2u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
}

TEST_F(PassiveConversion, CurrentPageBlockNeedsNoUpgrade) {
    DWORD element = 0;
    auto wizard = NewWizard<CResistorWizard4>(kResistorRows, "R1", &element);
    Param(editor->Holder(element), 2016)->SetValue("keep");
    Bytes old = Dwords({1, 0, 0});
    Block(old, PageBlock(10, 0));
    ASSERT_TRUE(ConvertOlder(*wizard, old));
    EXPECT_EQ("keep", Param(editor->Holder(element), 2016)->GetValue().str());
    EXPECT_EQ("", Param(editor->Holder(element), 1006)->GetValue().str());
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    EXPECT_EQ(0u, wizard->GetLookUpFlag());
}

TEST_F(PassiveConversion, BrokenOlderDataIsReadOnlyAsFarAsItFits) {
    auto wizard = NewWizard<CResistorWizard4>(kResistorRows, "R1");
    // A mode word followed by two stray bytes: no partial field is read.
    Bytes stray;
    Dword(stray, 1);
    stray.push_back(0x7F);
    stray.push_back(0x01);
    ASSERT_TRUE(ConvertOlder(*wizard, stray));
    EXPECT_EQ(1u, wizard->GetModeWord());

    // Lengths beyond the block, and a snapshot count beyond any list.
    Bytes hostile = Dwords({0, 0xFFFFFFFF});
    Block(hostile, ArchivedSnapshots({"R"}));
    Dword(hostile, 0xFFFFFFF0);
    Dword(hostile, 3);
    ASSERT_TRUE(ConvertOlder(*wizard, hostile));
    EXPECT_EQ(0u, wizard->GetModeWord());
    EXPECT_EQ(0, wizard->GetSnapshots().GetSize());

    // A snapshot block cut in the middle keeps the snapshots before the cut.
    Bytes cut = CutSnapshotsData({"R", "X"});
    Dword(cut, 0);
    ASSERT_TRUE(ConvertOlder(*wizard, cut));
    EXPECT_EQ(std::vector<std::string>{"R"}, SnapshotNames(wizard->GetSnapshots()));

}

} // namespace

// Cancel after a click on a form radio, a "Use Pin" box or an output box leaves the element as
// it was: the schematic printed after the session is the one a session that only opened the
// pages printed. The AC page is reached by `page 1` in both sessions. The sources and switches
// share the page base and its record with the passive pages, so their rows are here as well.
namespace {

constexpr qv_test::ProfiledHost kHost("passive_cancel_profile.ini");

TEST(PassiveCancel, CancelLeavesTheElementAsItWas) {
    struct Case {
        int id;
        const char* name;
        const char* parameters;
        std::vector<const char*> clicks;
        const char* opening = nullptr;  // the action both sessions begin with
    };
    const Case cases[] = {
        {15, "R1", "\"R\": \"4.7k\"", {"2088", "2090", "2018", "2056"}},
        {16, "G1", "", {"2088"}},
        {17, "C1", "", {"2092", "2089"}},
        {18, "L1", "", {"2092", "2089"}},
        {19, "K1", "", {"2307"}},
        // The transformers: ratio pins, output boxes (two-state and group boxes), the
        // characteristic's pin.
        {112, "T1", "", {"2487", "2371", "2374", "2075"}},
        {106, "T2", "", {"2371", "2374"}},
        {107, "T3", "", {"2372"}},
        {108, "T4", "", {"2373"}},
        {109, "T5", "", {"2371", "2487", "2494"}},
        // The AC page's "Use Pin" boxes.
        {3, "V1", "", {"2033", "2321"}, "page 1"},
        {4, "I1", "", {"2033"}, "page 1"},
        // The sources' and switches' own pages: form radios, "Use Pin" boxes, output boxes.
        {3, "V1", "", {"2030", "2031", "2056", "2018"}},
        {104, "F1", "", {"2030", "2031"}},
        {1, "E1", "", {"2008", "2011", "2018"}},
        {2, "F1", "", {"2019"}},
        {29, "V1", "", {"2018"}},
        {31, "V1", "", {"2056"}},
        {85, "V1", "", {"2019"}},
        {84, "S1", "", {"2018"}},
        {114, "S1", "", {"2090"}},
    };
    for (const Case& c : cases) {
        const std::string schematic = qv_test::OneElement(c.id, c.name, c.parameters);
        std::vector<std::string> opened;
        if (c.opening != nullptr) opened.push_back(c.opening);
        std::vector<std::string> script = opened;
        script.push_back("cancel");
        int status = -1;
        const std::string untouched =
            qv_test::ReadFile(kHost.EditInSchematic(schematic, c.name, script, "untouched", &status));
        ASSERT_EQ(0, status) << c.name;
        for (const char* click : c.clicks) {
            script = opened;
            script.push_back(std::string("click ") + click);
            script.push_back("cancel");
            const std::filesystem::path cancelled = kHost.EditInSchematic(schematic, c.name, script, "cancelled", &status);
            ASSERT_EQ(0, status) << c.name << " " << click;
            EXPECT_EQ(untouched, qv_test::ReadFile(cancelled)) << c.name << " " << click;
        }
    }
}

} // namespace
