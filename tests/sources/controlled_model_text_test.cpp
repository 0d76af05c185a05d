// Model text of the controlled sources, compared as whole texts, with the data file of a
// Data Pairs characteristic and the requests each way of writing sends.
#include "controlled_support.h"
#include "tests/support/characteristic_sheet.h"

#include "tests/support/sandbox.h"
#include "tests/support/text_files.h"

#include <fstream>
#include <sstream>

using namespace sources_test;

namespace {

using qv_test::NamedFile;
using qv_test::ReadFile;

constexpr char kTemplate[] = "IMMANENT";

class SourcesModelText : public ControlledSourcesTest {
protected:
    std::string Write(CNonlinearSourceWizardBase4& wizard, const char* name, const char* templ = kTemplate) {
        CString text = CString("@TYPE") + name + " ( @PARAMLIST);";
        NamedFile description((root / "model" / "desc.qvm").string());
        EXPECT_EQ(4, wizard.WriteSimDescr(&description, templ, text));
        return text.str();
    }
    // The characteristic as saved data gives it: two data pairs, or a file reference.
    static void GiveTable(CNonlinearSourceWizardBase4& wizard, DWORD source, const std::string& variable) {
        LoadTable(wizard.GetCharacteristic(), TableBytes(1, ".mdx", 0, {{0.0, 0.0}, {1.0, 2.5}}, source, variable));
    }
};

// A new element starts in the form its parameter 1000 names; the hidden page builds the list
// of parameters that form writes, and the keyword follows the form.
TEST_F(SourcesModelText, EveryFormWritesItsKeywordAndItsParameters) {
    struct Case {
        bool current;
        const char* startForm;
        const char* expected;
    };
    const Case cases[] = {
        {false, "0", "EV E1 ( QUANT := @QUANT, FACT := @FACT, SPC := @SPC );"},
        {false, "1", "EI E1 ( QUANT := @QUANT, FACT := @FACT, SPC := @SPC );"},
        {false, "2", "EVNL E1 ( QUANT := @QUANT, SPC := @SPC, CH := @CH );"},
        {false, "3", "EINL E1 ( QUANT := @QUANT, SPC := @SPC, CH := @CH );"},
        {true, "0", "IV E1 ( QUANT := @QUANT, FACT := @FACT );"},
        {true, "1", "II E1 ( QUANT := @QUANT, FACT := @FACT );"},
        {true, "2", "IVNL E1 ( QUANT := @QUANT, CH := @CH );"},
        {true, "3", "IINL E1 ( QUANT := @QUANT, CH := @CH );"},
        {true, "4", "ICNL E1 ( QUANT := @QUANT, VCE := @VCE, VEA := @VEA );"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.current ? "current " : "voltage ") + c.startForm);
        auto wizard = NewSource(c.current, "E1", c.startForm);
        EXPECT_EQ(c.expected, Write(*wizard, "E1"));
        EXPECT_TRUE(fs::is_empty(root / "model")) << "only a table of data pairs writes a data file";
    }
}

// The voltage page offers no collector current source; a stored form 4, or a form beyond the
// table, writes the keyword of form 0.
TEST_F(SourcesModelText, FormsOutsideTheKeywordTableTakeTheFirstKeyword) {
    struct Case {
        bool current;
        DWORD form;
        const char* expected;
    };
    const Case cases[] = {
        {false, 4, "EV E1 ( QUANT := @QUANT );"},
        {false, 9, "EV E1 ( QUANT := @QUANT );"},
        {true, 9 | kModeUserFile, "IV E1 ( QUANT := @QUANT );"},
    };
    for (const Case& c : cases) {
        auto wizard = NewSource(c.current, "E1");
        Store(*wizard, 1, c.form, "", "", {"QUANT"});
        EXPECT_EQ(c.expected, Write(*wizard, "E1")) << c.form;
    }
}

// A user picks "Nonlinear Voltage Controlled", enters two data pairs in the characteristic's
// own sheet and applies; the model text then names the table written beside the description.
TEST_F(SourcesModelText, DataPairsAsTheUserEntersThemGoIntoADataFile) {
    DWORD element = 0;
    auto wizard = NewWizard<CNonlinearVoltageSourceWizard4>(kVoltageRows, "E1", &element);
    ASSERT_TRUE(wizard->Initialize(0));
    {
        OpenPage<CNonlinearVoltageSourceWizard4> open(*wizard);
        CWnd* page = open.Page();
        ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2005), 2));
        qv::UserScript::Instance().ExpectSheet([](CPropertySheet& inner) { EnterPairs(inner, "2.5"); });
        ASSERT_TRUE(qv::ui::Click(page, 2016));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    }
    EXPECT_EQ("Demo__E1.mdx", Param(editor->Holder(element), 1006)->GetValue().str());
    EXPECT_EQ((std::vector<std::string>{"QUANT", "SPC", "@CH"}), SnapshotNames(wizard->GetSnapshots()));
    EXPECT_EQ(2u, wizard->GetModeWord());
    EXPECT_EQ(1u, wizard->GetKind());

    editor->ClearRequests();
    EXPECT_EQ("EVNL E1 ( QUANT := @QUANT, SPC := @SPC, CH := XY_E1_CH.VAL );\n"
              "INTERN\tXY XY_E1_CH( FILE := \"Demo__E1.mdx\" );",
              Write(*wizard, "E1"));
    EXPECT_EQ("MDX 1\nchannels 2\nitems 2\n"
              "channel \"v [V]\" \"\"\nchannel \"EMF [V]\" \"\"\n"
              "data\n0 0\n1 2.5\nend\n",
              ReadFile(root / "model" / "Demo__E1.mdx"));
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS)) << "the default name is committed";
    EXPECT_EQ(0, g_PlaceholderList.GetSize()) << "the processed snapshot leaves the pending list";
}

TEST_F(SourcesModelText, FileReferenceNamesTheVariableWithoutQuotesAndWritesNoFile) {
    DWORD element = 0;
    auto wizard = NewWizard<CNonlinearVoltageSourceWizard4>(kVoltageRows, "E1", &element);
    GiveTable(*wizard, 0, "MYVAR");
    Store(*wizard, 1, 2 | kModeFileReference | kModeUserFile, "v [V]", "EMF [V]", {"QUANT", "SPC", "@CH"});
    Param(editor->Holder(element), 1007)->SetValue("MYVAR");
    Param(editor->Holder(element), 1006)->SetValue("untouched.mdx");

    EXPECT_EQ("EVNL E1 ( QUANT := @QUANT, SPC := @SPC, CH := XY_E1_CH.VAL );\n"
              "INTERN\tXY XY_E1_CH( FILE := MYVAR );",
              Write(*wizard, "E1"));
    EXPECT_TRUE(fs::is_empty(root / "model"));
    EXPECT_EQ("untouched.mdx", Param(editor->Holder(element), 1006)->GetValue().str());
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
}

TEST_F(SourcesModelText, CharacteristicOnAPinIsAnAssignmentWithoutTable) {
    DWORD element = 0;
    auto wizard = NewWizard<CNonlinearCurrentSourceWizard4>(kCurrentRows, "I1", &element);
    GiveTable(*wizard, 1, "");
    Store(*wizard, 1, 3, "i [A]", "Is [A]", {"QUANT", "@CH"});
    Param(editor->Holder(element), 2016)->UsePin(TRUE);

    EXPECT_EQ("IINL I1 ( QUANT := @QUANT, CH := @CH );", Write(*wizard, "I1"));
    EXPECT_TRUE(fs::is_empty(root / "model"));
    EXPECT_EQ(0, g_PlaceholderList.GetSize());
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
}

// Older element definitions keep the data-file name in the characteristic parameter itself.
TEST_F(SourcesModelText, SetWithoutFileParameterTakesTheNameInTheCharacteristic) {
    DWORD element = 0;
    auto wizard = NewWizard<CNonlinearVoltageSourceWizard4>(Without(kVoltageRows, 1006), "E1", &element);
    GiveTable(*wizard, 1, "");
    Store(*wizard, 1, 2, "v [V]", "EMF [V]", {"QUANT", "SPC", "@CH"});

    EXPECT_EQ("EVNL E1 ( QUANT := @QUANT, SPC := @SPC, CH := XY_E1_CH.VAL );\n"
              "INTERN\tXY XY_E1_CH( FILE := \"Demo__E1.mdx\" );",
              Write(*wizard, "E1"));
    EXPECT_EQ("Demo__E1.mdx", Param(editor->Holder(element), 2016)->GetValue().str());
    EXPECT_TRUE(fs::exists(root / "model" / "Demo__E1.mdx"));
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
}

TEST_F(SourcesModelText, UserFileNameIsKeptAndNotCommitted) {
    DWORD element = 0;
    auto wizard = NewWizard<CNonlinearCurrentSourceWizard4>(kCurrentRows, "I1", &element);
    GiveTable(*wizard, 1, "");
    Store(*wizard, 1, 2 | kModeUserFile, "v [V]", "Is [A]", {"QUANT", "@CH"});
    wizard->SetThirdText("x2");
    wizard->SetFourthText("y2");
    Param(editor->Holder(element), 1006)->SetValue("mine.mdx");

    EXPECT_EQ("IVNL I1 ( QUANT := @QUANT, CH := XY_I1_CH.VAL );\n"
              "INTERN\tXY XY_I1_CH( FILE := \"mine.mdx\" );",
              Write(*wizard, "I1"));
    EXPECT_EQ("MDX 1\nchannels 2\nitems 2\n"
              "channel \"v [V]\" \"x2\"\nchannel \"Is [A]\" \"y2\"\n"
              "data\n0 0\n1 2.5\nend\n",
              ReadFile(root / "model" / "mine.mdx"));
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
}

// A wizard whose list is empty (loaded from data without one) initialises before it writes;
// the hidden page starts from the wizard's form, so the configured source keeps it.
TEST_F(SourcesModelText, ReinitialisationKeepsTheStoredForm) {
    struct Case {
        bool current;
        DWORD form;
        const char* expected;
    };
    const Case cases[] = {
        {false, 3, "EINL E1 ( QUANT := @QUANT, SPC := @SPC, CH := @CH );"},
        {true, 4, "ICNL E1 ( QUANT := @QUANT, VCE := @VCE, VEA := @VEA );"},
        {true, 1, "II E1 ( QUANT := @QUANT, FACT := @FACT );"},
    };
    for (const Case& c : cases) {
        auto wizard = NewSource(c.current, "E1");
        Store(*wizard, 1, c.form, "", "", {});
        EXPECT_EQ(c.expected, Write(*wizard, "E1")) << c.form;
        EXPECT_EQ(c.form, wizard->GetModeWord());
    }
}

// A description file without a path (one in memory) puts the data file into the temporary
// folder.
TEST_F(SourcesModelText, DescriptionWithoutPathPutsTheDataFileIntoTheTemporaryFolder) {
    auto wizard = NewWizard<CNonlinearCurrentSourceWizard4>(kCurrentRows, "I1");
    GiveTable(*wizard, 1, "");
    Store(*wizard, 1, 3, "i [A]", "Is [A]", {"QUANT", "@CH"});
    fs::create_directories(root / "tmp");
    qv_test::ScopedEnv tmp("TMPDIR", (root / "tmp").string());
    CMemFile memory;
    CString text = "@TYPEI1 ( @PARAMLIST);";
    EXPECT_EQ(4, wizard->WriteSimDescr(&memory, kTemplate, text));
    EXPECT_EQ("IINL I1 ( QUANT := @QUANT, CH := XY_I1_CH.VAL );\n"
              "INTERN\tXY XY_I1_CH( FILE := \"Demo__I1.mdx\" );",
              text.str());
    EXPECT_TRUE(fs::exists(root / "tmp" / "Demo__I1.mdx"));
}

TEST_F(SourcesModelText, WithoutImmanentTheTextStaysAndNothingIsAsked) {
    auto wizard = NewWizard<CNonlinearVoltageSourceWizard4>(kVoltageRows, "E1");
    EXPECT_EQ("@TYPEE1 ( @PARAMLIST);", Write(*wizard, "E1", "E1 N1 N2"));
    EXPECT_TRUE(editor->Requests().empty());
    EXPECT_EQ(0, wizard->GetSnapshots().GetSize()) << "no initialisation either";
}

} // namespace
