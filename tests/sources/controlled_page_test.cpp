// The controlled-source page driven as a user drives it: the "Controlled" list and the
// controls each form shows, the use-pin boxes, the characteristic sheet, apply, and the hidden
// page work of the wizards.
#include "controlled_support.h"

#include "editor/catalogue.h"
#include "editor/characteristic_forms.h"
#include "editor/edit_script.h"
#include "editor/host.h"
#include "framework/param_access.h"

using namespace sources_test;

namespace {

CComboBox* FormList(CWnd* page) { return static_cast<CComboBox*>(page->GetDlgItem(2005)); }

using SourcesPage = ControlledSourcesTest;

TEST_F(SourcesPage, TheCurrentSourceAloneOffersTheCollectorCurrentSource) {
    auto voltage = NewWizard<CNonlinearVoltageSourceWizard4>(kVoltageRows, "E1");
    auto current = NewWizard<CNonlinearCurrentSourceWizard4>(kCurrentRows, "I1");
    OpenPage<CNonlinearVoltageSourceWizard4> openV(*voltage);
    OpenPage<CNonlinearCurrentSourceWizard4> openI(*current);
    ASSERT_EQ(4, FormList(openV.Page())->GetCount());
    ASSERT_EQ(5, FormList(openI.Page())->GetCount());
    CString entry;
    FormList(openI.Page())->GetLBText(4, entry);
    EXPECT_EQ("Collector Current Source", entry.str());
    EXPECT_EQ("EMF [V]", openV.Page()->GetYAxisLabel().str());
    EXPECT_EQ("Is [A]", openI.Page()->GetYAxisLabel().str());
    EXPECT_EQ("Voltage [V]", CString([&] {
                  CString text;
                  openV.Page()->GetDlgItemText(2018, text);
                  return text;
              }()).str());
    EXPECT_TRUE(Visible(openV.Page(), 2472));
    EXPECT_FALSE(Visible(openI.Page(), 2472)) << "no parameter 2472: no \"Spice compatible\"";
}

// Which controls each form shows and enables, and the parameters it marks unused.
TEST_F(SourcesPage, EachFormShowsItsControlsAndMarksWhatItLeavesUnused) {
    struct Case {
        int form;
        std::vector<int> shown;
        std::vector<int> hidden;
        std::vector<int> enabled;
        std::vector<int> disabled;
        std::vector<WORD> unused;
        std::vector<WORD> used;
        BYTE symbol;
    };
    const Case cases[] = {
        {0, {2009, 2010, 2011, 2012, 2015, 2016}, {2021, 2022, 2023, 2515, 2024, 2025, 2026, 2516},
         {2010, 2011}, {2016, 2015, 2012}, {2016, 1006, 1007, 2022, 2025}, {2007, 2010}, 1},
        {1, {2010, 2016}, {2022, 2025}, {2010}, {2016}, {2016, 1006, 1007, 2022, 2025}, {2007, 2010}, 2},
        {2, {2010, 2016, 2015}, {2022, 2025}, {2016, 2015}, {2010, 2011}, {2010, 1006, 1007, 2022, 2025},
         {2007, 2016}, 4},
        {3, {2016}, {2022}, {2016}, {2010}, {2010, 1006, 1007, 2022, 2025}, {2007, 2016}, 8},
        {4, {2021, 2022, 2023, 2515, 2024, 2025, 2026, 2516}, {2009, 2010, 2011, 2012, 2015, 2016}, {2022, 2025},
         {}, {2010, 2016, 1006, 1007}, {2007, 2022, 2025}, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        DWORD element = 0;
        auto [wizard, open, page] =
            OpenedWizard(NewWizard<CNonlinearCurrentSourceWizard4>(WithCharacteristic(kCurrentRows), "I1", &element));
        ASSERT_TRUE(qv::ui::ChooseEntry(FormList(page), c.form));
        for (int id : c.shown) EXPECT_TRUE(Visible(page, id)) << id;
        for (int id : c.hidden) EXPECT_FALSE(Visible(page, id)) << id;
        for (int id : c.enabled) EXPECT_TRUE(Enabled(page, id)) << id;
        for (int id : c.disabled) EXPECT_FALSE(Enabled(page, id)) << id;
        open.Page()->UpdateModeParameters();
        ParamHolder* holder = editor->Holder(element);
        for (WORD id : c.unused) EXPECT_TRUE(Unused(holder, id)) << id;
        for (WORD id : c.used) EXPECT_FALSE(Unused(holder, id)) << id;
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(c.symbol, holder->m_bySymbolVariant);
        EXPECT_EQ(static_cast<DWORD>(c.form), PassiveFormOf(wizard->GetModeWord()));
    }
}

TEST_F(SourcesPage, ApplyStoresTheListOfTheChosenForm) {
    struct Case {
        bool current;
        int form;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {false, 0, {"QUANT", "FACT", "SPC"}},
        {false, 3, {"QUANT", "SPC", "CH"}},
        {true, 1, {"QUANT", "FACT"}},
        {true, 2, {"QUANT", "CH"}},
        {true, 4, {"QUANT", "VCE", "VEA"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        std::unique_ptr<CNonlinearSourceWizardBase4> wizard;
        CPropertySheet sheet("Element");
        if (c.current) {
            auto* w = new CNonlinearCurrentSourceWizard4;
            wizard.reset(w);
            editor->Attach(*w, editor->AddElement(MakeHolder(WithCharacteristic(kCurrentRows), "I1")));
        } else {
            auto* w = new CNonlinearVoltageSourceWizard4;
            wizard.reset(w);
            editor->Attach(*w, editor->AddElement(MakeHolder(WithCharacteristic(kVoltageRows), "E1")));
        }
        ASSERT_TRUE(wizard->DoEditProperties(sheet, 1));
        ASSERT_TRUE(sheet.Create());
        CWnd* page = sheet.GetActivePage();
        ASSERT_TRUE(qv::ui::ChooseEntry(FormList(page), c.form));
        ASSERT_TRUE(qv::ui::Apply(&sheet));
        EXPECT_EQ(c.names, SnapshotNames(wizard->GetSnapshots()));
        EXPECT_EQ(static_cast<DWORD>(c.form), wizard->GetModeWord());
        sheet.DestroyWindow();
        wizard->EndEditProperties();
    }
}

// "Use Pin" of the characteristic disables its button and makes the kind a reference, so the
// list names "CH" rather than the table entry "@CH".
TEST_F(SourcesPage, CharacteristicOnAPinMakesItAPlainAssignment) {
    DWORD element = 0;
    auto [wizard, open, page] = WizardOnSheet(NewWizard<CNonlinearVoltageSourceWizard4>(kVoltageRows, "E1", &element));
    ASSERT_TRUE(qv::ui::ChooseEntry(FormList(page), 2));
    ASSERT_NO_FATAL_FAILURE(ExpectCharacteristicPinned(page, 2015, editor->Holder(element), open.Sheet()));
    EXPECT_EQ(0u, wizard->GetKind());
    EXPECT_EQ((std::vector<std::string>{"QUANT", "SPC", "CH"}), SnapshotNames(wizard->GetSnapshots()));
}

// The characteristic sheet gets the x-axis label of the form when the page has none yet.
TEST_F(SourcesPage, CharacteristicSheetGetsTheAxisLabelOfTheForm) {
    struct Case {
        int form;
        const char* label;
    };
    for (const Case& c : {Case{2, "v [V]"}, Case{3, "i [A]"}}) {
        auto wizard = NewWizard<CNonlinearCurrentSourceWizard4>(kCurrentRows, "I1");
        OpenPage<CNonlinearCurrentSourceWizard4> open(*wizard);
        ASSERT_TRUE(qv::ui::ChooseEntry(FormList(open.Page()), c.form));
        std::string seenX;
        std::string seenY;
        qv::UserScript::Instance().ExpectSheet(
            [&](CPropertySheet&) {
                seenX = wizard->GetCharacteristic().GetXAxisLabel().str();
                seenY = wizard->GetCharacteristic().GetYAxisLabel().str();
            },
            IDCANCEL);
        ASSERT_TRUE(qv::ui::Click(open.Page(), 2016));
        EXPECT_EQ(c.label, seenX);
        EXPECT_EQ("Is [A]", seenY);
        EXPECT_EQ(c.label, open.Page()->GetXAxisLabel().str());
    }
}

TEST_F(SourcesPage, SpiceCompatibleIsWrittenAsOneOrZero) {
    DWORD element = 0;
    auto wizard = NewWizard<CNonlinearVoltageSourceWizard4>(kVoltageRows, "E1", &element);
    Param(editor->Holder(element), 2472)->SetValue("1");
    OpenPage<CNonlinearVoltageSourceWizard4> open(*wizard);
    EXPECT_EQ(BST_CHECKED, open.Page()->IsDlgButtonChecked(2472));
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2472));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("0", Param(editor->Holder(element), 2472)->GetValue().str());
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2472));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("1", Param(editor->Holder(element), 2472)->GetValue().str());
}

// A parameter taken from a pin shows a ticked box and a disabled field; opening the page never
// takes a pin away.
TEST_F(SourcesPage, PinsOfTheSetAreShownAndKept) {
    DWORD element = 0;
    auto wizard = NewWizard<CNonlinearCurrentSourceWizard4>(kCurrentRows, "I1", &element);
    Param(editor->Holder(element), 2010)->UsePin(TRUE);
    Param(editor->Holder(element), 2007)->UsePin(TRUE);
    OpenPage<CNonlinearCurrentSourceWizard4> open(*wizard);
    CWnd* page = open.Page();
    EXPECT_EQ(BST_CHECKED, page->IsDlgButtonChecked(2011));
    EXPECT_EQ(BST_CHECKED, page->IsDlgButtonChecked(2008));
    EXPECT_FALSE(Enabled(page, 2010));
    EXPECT_FALSE(Enabled(page, 2007));
    EXPECT_TRUE(Param(editor->Holder(element), 2010)->HasPin());
    ASSERT_TRUE(qv::ui::Click(page, 2011));
    EXPECT_TRUE(Enabled(page, 2010));
    EXPECT_FALSE(Param(editor->Holder(element), 2010)->HasPin());
}

TEST_F(SourcesPage, UnitsOfTheCollectorValuesAreChosenAndWritten) {
    DWORD element = 0;
    auto [wizard, open, page] = WizardOnSheet(NewWizard<CNonlinearCurrentSourceWizard4>(kCurrentRows, "I1", &element));
    ASSERT_TRUE(qv::ui::ChooseEntry(FormList(page), 4));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2022), "80"));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2515), "mV"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2025), "0.3"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    const CWizardCopaObject3* early = Param(editor->Holder(element), 2022);
    EXPECT_EQ("80", early->GetValue().str());
    EXPECT_EQ("mV", early->GetUsedUnit().str());
    EXPECT_EQ("0.3", Param(editor->Holder(element), 2025)->GetValue().str());
    EXPECT_EQ("V", Param(editor->Holder(element), 2025)->GetUsedUnit().str());
}

// A stored form the list does not offer (a form 4 on the voltage page) leaves no entry
// selected; applying keeps that form and the symbol variant instead of shifting by -1.
TEST_F(SourcesPage, AFormOutsideTheListIsKept) {
    DWORD element = 0;
    auto wizard = NewWizard<CNonlinearVoltageSourceWizard4>(kVoltageRows, "E1", &element);
    Store(*wizard, 1, 4, "", "", {"QUANT"});
    editor->Holder(element)->m_bySymbolVariant = 0x10;
    OpenPage<CNonlinearVoltageSourceWizard4> open(*wizard);
    EXPECT_EQ(CB_ERR, FormList(open.Page())->GetCurSel());
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(4u, wizard->GetModeWord());
    EXPECT_EQ(0x10, editor->Holder(element)->m_bySymbolVariant);
    EXPECT_EQ(0, wizard->GetSnapshots().GetSize()) << "the voltage source lists nothing for form 4";
}

// The start form of a new element comes from parameter 1000 when the list offers it.
TEST_F(SourcesPage, StartFormComesFromParameter1000WhenTheListOffersIt) {
    struct Case {
        bool current;
        const char* value;
        DWORD mode;
        DWORD kind;  // a new element's table is a reference, whose kind the page takes
    };
    const Case cases[] = {
        {false, "2", 2, 0}, {false, "3.9", 3, 0}, {false, "4", 0, 0}, {false, "7", 0, 0},
        {false, "-1", 0, 0}, {false, "x", 0, 0},  {true, "4", 4, 0},  {true, "1e12", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.current ? "current " : "voltage ") + c.value);
        auto wizard = NewSource(c.current, c.current ? "I1" : "E1", c.value);
        ASSERT_TRUE(wizard->Initialize(0));
        EXPECT_EQ(c.mode, wizard->GetModeWord());
        EXPECT_EQ(c.kind, wizard->GetKind());
        EXPECT_EQ("", wizard->GetXAxisLabel().str());
    }
}

TEST_F(SourcesPage, ApplyWithoutParameterSetRefusesBeforeWriting) {
    ASSERT_NO_FATAL_FAILURE(ExpectLooseApplyRefused<CNonlinearVoltageSourceWizard4>("E9"));
    ExpectRefusedCommitFailsTheApply(*NewWizard<CNonlinearVoltageSourceWizard4>(kVoltageRows, "E1"), *editor);
}

TEST_F(SourcesPage, HiddenWorkAndRebindingLeaveNoCookieBehind) {
    DWORD element = 0;
    auto wizard = NewWizard<CNonlinearCurrentSourceWizard4>(kCurrentRows, "I1", &element);
    CPropertySheet first("First");
    ASSERT_TRUE(wizard->DoEditProperties(first, 1));
    CPropNonlinearSourceI* page = wizard->GetPage();
    // Editing again while the page is open: the page gives its cookie back and takes the new one.
    CPropertySheet second("Second");
    ASSERT_TRUE(wizard->DoEditProperties(second, 1));
    first.RemovePage(page);
    EXPECT_EQ(page, wizard->GetPage());
    EXPECT_EQ(1, editor->OutstandingCookies());
    ASSERT_TRUE(second.Create());
    ASSERT_NO_FATAL_FAILURE(
        ExpectHiddenWorkLeavesThePageAlone(*wizard, page, second, *editor, element, "@TYPEI1 ( @PARAMLIST);", 4, "I2"));
    second.DestroyWindow();
    wizard->EndEditProperties();
    EXPECT_EQ(0, editor->OutstandingCookies());
}

TEST_F(SourcesPage, DefaultOutputBoxesSwitchTheOutputsAtOnce) {
    DWORD element = 0;
    auto wizard = NewWizard<CNonlinearVoltageSourceWizard4>(kVoltageRows, "E1", &element);
    OpenPage<CNonlinearVoltageSourceWizard4> open(*wizard);
    ParamHolder* holder = editor->Holder(element);
    for (WORD id : {WORD{2018}, WORD{2019}}) {
        BOOL on = FALSE;
        ASSERT_TRUE(qv::ui::Click(open.Page(), id));
        GetSDBOutput(holder, id, &on);
        EXPECT_TRUE(on) << id;
        ASSERT_TRUE(qv::ui::Click(open.Page(), id));
        GetSDBOutput(holder, id, &on);
        EXPECT_FALSE(on) << id;
    }
}

// The editor's resource handle is its own again after every operation of the wizard and its
// page. The editor here runs under the test program's module, which has no resources, so a
// page that did not switch to the plug-in's resources would not be built at all.
TEST_F(SourcesPage, EveryOperationGivesTheEditorItsResourceHandleBack) {
    const HINSTANCE editorResources = GetModuleHandleA(nullptr);
    ASSERT_NE(module, editorResources);
    AfxSetResourceHandle(editorResources);
    auto unchanged = [&](const char* step) { EXPECT_EQ(editorResources, AfxGetResourceHandle()) << step; };

    auto wizard =
        NewWizard<CNonlinearCurrentSourceWizard4>(WithStartForm(WithCharacteristic(kCurrentRows), "4"), "I1");
    ASSERT_TRUE(wizard->Initialize(0));
    unchanged("Initialize");
    EXPECT_EQ((std::vector<std::string>{"QUANT", "VCE", "VEA"}), SnapshotNames(wizard->GetSnapshots()))
        << "the hidden page was built from the plug-in's template";
    {
        CPropertySheet sheet("Element");
        ASSERT_TRUE(wizard->DoEditProperties(sheet, 1));
        ASSERT_TRUE(sheet.Create());
        unchanged("page creation");
        CWnd* page = wizard->GetPage();
        ASSERT_EQ(5, FormList(page)->GetCount()) << "the collector entry came from the plug-in's strings";
        ASSERT_TRUE(qv::ui::ChooseEntry(FormList(page), 3));
        qv::UserScript::Instance().ExpectSheet(nullptr, IDCANCEL);
        ASSERT_TRUE(qv::ui::Click(page, 2016));
        unchanged("characteristic sheet");
        EXPECT_TRUE(qv::ui::Apply(&sheet));
        unchanged("apply");
        sheet.DestroyWindow();
        wizard->EndEditProperties();
    }
    CString model = "@TYPEI1 ( @PARAMLIST);";
    EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "IMMANENT", model));
    unchanged("model text");
    const BYTE broken[] = {3, 0, 0, 0, 9};
    EXPECT_TRUE(wizard->DoConvertWizard3Data(broken, sizeof broken));
    unchanged("conversion");
    EXPECT_EQ(3u, wizard->GetModeWord());
}

// A schematic's characteristic becomes the actions a user takes on the page: the form is
// picked from the "Controlled" list that the catalogue names, then the table is entered.
TEST_F(SourcesPage, CatalogueCharacteristicScriptPicksTheFormFromTheList) {
    qv::Catalogue catalogue;
    std::string error;
    ASSERT_TRUE(catalogue.LoadFolder(PARVEL_SOURCE_DIR "/editor/catalogue", error)) << error;
    struct Case {
        qv::SchematicCharacteristic::Kind kind;
        DWORD mode;
        std::vector<std::string> names;
        INT_PTR points;
    };
    const Case cases[] = {
        {qv::SchematicCharacteristic::Kind::DataPairs, 2, {"QUANT", "@CH"}, 2},
        {qv::SchematicCharacteristic::Kind::Pin, 2, {"QUANT", "CH"}, 0},
    };
    for (const Case& c : cases) {
        qv::SchematicCharacteristic ch;
        ch.kind = c.kind;
        ch.points = {{0.0, 0.0}, {1.0, 0.5}};
        const std::vector<std::string> lines = qv::CharacteristicScriptWithForms(*catalogue.Find(2), ch);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ("pick 2005 2", lines.front());
        EXPECT_EQ(qv::CharacteristicScript(*catalogue.Find(15), ch), qv::CharacteristicScriptWithForms(*catalogue.Find(15), ch))
            << "pages with a radio button keep their lines";

        auto wizard = NewWizard<CNonlinearCurrentSourceWizard4>(kCurrentRows, "I1");
        wizard->Initialize(0);
        CPropertySheet sheet("I1");
        ASSERT_TRUE(wizard->DoEditProperties(sheet, 1));
        ASSERT_TRUE(sheet.Create());
        std::vector<qv::ScriptAction> actions;
        ASSERT_TRUE(qv::ParseEditScript(lines, actions, error)) << error;
        qv::EditScriptRunner runner;
        EXPECT_TRUE(runner.Run(actions, sheet)) << (runner.Errors().empty() ? "" : runner.Errors().front());
        EXPECT_EQ(c.mode, wizard->GetModeWord());
        EXPECT_EQ(c.names, SnapshotNames(wizard->GetSnapshots()));
        EXPECT_EQ(c.points, wizard->GetCharacteristic().Points().GetSize());
        sheet.DestroyWindow();
        wizard->EndEditProperties();
    }
}

} // namespace
