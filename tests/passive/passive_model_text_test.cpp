// Model text of the resistor and the conductance, compared as whole texts, with the data file
// of a Data Pairs characteristic and the requests each way of writing sends.
#include "passive_support.h"
#include "tests/support/characteristic_sheet.h"
#include "tests/support/host_run.h"
#include "tests/support/mdx_channels.h"
#include "tests/support/sandbox.h"
#include "tests/support/text_files.h"

#include "toolkit/read_write_files.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace passive_test;

namespace {

using qv_test::NamedFile;
using qv_test::ReadFile;

constexpr char kTemplate[] = "IMMANENT";
constexpr char kModel[] = "@TYPER1 ( @PARAMLIST);";

// The characteristic of a nonlinear element as saved data gives it: two data pairs, or a
// file reference to the variable.
void GiveTable(CPassiveResAndConWizardBase4& wizard, DWORD source, const std::string& variable) {
    LoadTable(wizard.GetCharacteristic(), TableBytes(1, ".mdx", 0, {{0.0, 0.0}, {1.0, 0.001}}, source, variable));
}

// The state a nonlinear element keeps after its page was applied.
void StoreNonlinear(CPassiveResAndConWizardBase4& wizard, DWORD modeWord) {
    StoreState(wizard, 1, modeWord, "v [V]", "i [A]", {"@CH"});
}

class PassiveModelText : public PassiveTest {
protected:
    std::string Write(CPassiveResAndConWizardBase4& wizard, CFile* file, const char* model = kModel,
                      const char* templ = kTemplate) {
        CString text = model;
        EXPECT_EQ(4, wizard.WriteSimDescr(file, templ, text));
        return text.str();
    }
    std::string Description() const { return (root / "model" / "desc.qvm").string(); }
};

const std::string kGoldenDataFile = MdxText({"v [V]", "i [A]"}, {"0 0", "1 0.001"});

// A user makes R1 nonlinear, enters two data pairs in the characteristic's own sheet and
// applies; the model text then names the table written beside the description file.
TEST_F(PassiveModelText, NonlinearResistorWithDataPairsAsTheUserEntersIt) {
    DWORD element = 0;
    auto wizard = NewWizard<CResistorWizard4>(kResistorRows, "R1", &element);
    ASSERT_TRUE(wizard->Initialize(0));
    {
        CPropertySheet sheet("R1");
        ASSERT_TRUE(wizard->DoEditProperties(sheet, 1));
        ASSERT_TRUE(sheet.Create());
        CPropPassiveResistance* page = wizard->GetPage();
        ASSERT_TRUE(qv::ui::Click(page, 2088));
        qv::UserScript::Instance().ExpectSheet([](CPropertySheet& inner) { EnterPairs(inner, "1m"); });
        ASSERT_TRUE(qv::ui::Click(page, 2016));
        ASSERT_TRUE(qv::ui::Apply(&sheet));
        EXPECT_EQ("Demo__R1.mdx", Param(editor->Holder(element), 1006)->GetValue().str());
        EXPECT_EQ(std::vector<std::string>{"@CH"}, SnapshotNames(wizard->GetSnapshots()));
        EXPECT_EQ(1u, wizard->GetModeWord());
        sheet.DestroyWindow();
    }
    wizard->EndEditProperties();

    editor->ClearRequests();
    NamedFile description(Description());
    EXPECT_EQ("RNL R1 ( CH := XY_R1_CH.VAL );\nINTERN\tXY XY_R1_CH( FILE := \"Demo__R1.mdx\" );",
              Write(*wizard, &description));
    EXPECT_EQ(kGoldenDataFile, ReadFile(root / "model" / "Demo__R1.mdx"));
    EXPECT_EQ((root / "model").string() + "/", GetModelOutputDir().str());
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS)) << "the default name is committed";
    EXPECT_EQ(0, g_PlaceholderList.GetSize()) << "the processed snapshot leaves the pending list";
}

TEST_F(PassiveModelText, FileReferenceNamesTheVariableWithoutQuotesAndWritesNoFile) {
    DWORD element = 0;
    auto wizard = NewWizard<CResistorWizard4>(kResistorRows, "R1", &element);
    GiveTable(*wizard, 0, "MYVAR");
    StoreNonlinear(*wizard, 1 | kModeFileReference | kModeUserFile);
    // The snapshot came from "CH_STRG"; its value is the variable.
    Param(editor->Holder(element), 1007)->SetValue("MYVAR");
    Param(editor->Holder(element), 1006)->SetValue("untouched.mdx");

    NamedFile description(Description());
    EXPECT_EQ("RNL R1 ( CH := XY_R1_CH.VAL );\nINTERN\tXY XY_R1_CH( FILE := MYVAR );", Write(*wizard, &description));
    EXPECT_FALSE(fs::exists(root / "model" / "untouched.mdx"));
    EXPECT_FALSE(fs::exists(root / "model" / "Demo__R1.mdx"));
    EXPECT_EQ("untouched.mdx", Param(editor->Holder(element), 1006)->GetValue().str());
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
}

TEST_F(PassiveModelText, LinearFormsWriteTheirKeywordAndParameterOnly) {
    auto resistor = NewWizard<CResistorWizard4>(kResistorRows, "R1");
    StoreState(*resistor, 0, 0, "v [V]", "i [A]", {"R"});
    NamedFile description(Description());
    EXPECT_EQ("R R1 ( R := @R );", Write(*resistor, &description));

    auto conductance = NewWizard<CConductanceWizard4>(kConductanceRows, "G1");
    StoreState(*conductance, 0, 0, "", "", {"G"});
    EXPECT_EQ("G G1 ( G := @G );", Write(*conductance, &description, "@TYPEG1 ( @PARAMLIST);"));
    EXPECT_TRUE(fs::is_empty(root / "model")) << "a linear element writes no data file";
}

TEST_F(PassiveModelText, WithoutImmanentTheTextStaysAndNothingIsAsked) {
    auto wizard = NewWizard<CResistorWizard4>(kResistorRows, "R1");
    NamedFile description(Description());
    EXPECT_EQ(kModel, Write(*wizard, &description, kModel, "R1 N1 N2"));
    EXPECT_TRUE(editor->Requests().empty());
}

TEST_F(PassiveModelText, UserFileNameIsKeptAndNotCommitted) {
    DWORD element = 0;
    auto wizard = NewWizard<CResistorWizard4>(kResistorRows, "R1", &element);
    GiveTable(*wizard, 1, "");
    StoreNonlinear(*wizard, 1 | kModeUserFile);
    Param(editor->Holder(element), 1006)->SetValue("mine.mdx");

    NamedFile description(Description());
    EXPECT_EQ("RNL R1 ( CH := XY_R1_CH.VAL );\nINTERN\tXY XY_R1_CH( FILE := \"mine.mdx\" );",
              Write(*wizard, &description));
    EXPECT_EQ(kGoldenDataFile, ReadFile(root / "model" / "mine.mdx"));
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    EXPECT_EQ("mine.mdx", Param(editor->Holder(element), 1006)->GetValue().str());
}

TEST_F(PassiveModelText, ElementWithoutFileParameterTakesTheNameInTheCharacteristic) {
    std::vector<ParamRow> rows;
    for (const ParamRow& row : kResistorRows)
        if (row.id != 1006) rows.push_back(row);
    DWORD element = 0;
    auto wizard = NewWizard<CResistorWizard4>(rows, "R1", &element);
    GiveTable(*wizard, 1, "");
    StoreNonlinear(*wizard, 1);

    NamedFile description(Description());
    EXPECT_EQ("RNL R1 ( CH := XY_R1_CH.VAL );\nINTERN\tXY XY_R1_CH( FILE := \"Demo__R1.mdx\" );",
              Write(*wizard, &description));
    EXPECT_EQ("Demo__R1.mdx", Param(editor->Holder(element), 2016)->GetValue().str());
    EXPECT_TRUE(fs::exists(root / "model" / "Demo__R1.mdx"));
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
}

TEST_F(PassiveModelText, CharacteristicOnAPinIsAnAssignmentWithoutTableOrFile) {
    DWORD element = 0;
    auto wizard = NewWizard<CResistorWizard4>(kResistorRows, "R1", &element);
    GiveTable(*wizard, 1, "");
    StoreNonlinear(*wizard, 1);
    Param(editor->Holder(element), 2016)->UsePin(TRUE);

    NamedFile description(Description());
    EXPECT_EQ("RNL R1 ( CH := @CH );", Write(*wizard, &description));
    EXPECT_TRUE(fs::is_empty(root / "model"));
    EXPECT_EQ(0, g_PlaceholderList.GetSize());
}

TEST_F(PassiveModelText, EmptySnapshotListInitialisesFirst) {
    auto wizard = NewWizard<CResistorWizard4>(kResistorRows, "R1");
    NamedFile description(Description());
    // The new element's characteristic is active, so it starts nonlinear with a reference.
    EXPECT_EQ("RNL R1 ( CH := @CH );", Write(*wizard, &description));
    EXPECT_EQ(2u, editor->CountRequests(WIZREQ_GET_PARAMS));
    EXPECT_EQ(2u, editor->CountRequests(WIZREQ_RELEASE_PARAMS));
    EXPECT_EQ(std::vector<std::string>{"CH"}, SnapshotNames(wizard->GetSnapshots()));
}

TEST_F(PassiveModelText, DescriptionFolderDecidesWhereTheDataFileGoes) {
    auto wizard = NewWizard<CResistorWizard4>(kResistorRows, "R1");
    GiveTable(*wizard, 1, "");
    StoreNonlinear(*wizard, 1);

    // No path at all: the temporary folder.
    fs::create_directories(root / "tmp");
    {
        ScopedEnv tmp("TMPDIR", (root / "tmp").string());
        CMemFile memory;
        Write(*wizard, &memory);
    }
    EXPECT_TRUE(fs::exists(root / "tmp" / "Demo__R1.mdx"));

    // A path without any separator leaves the model-output directory as it was.
    SetModelOutputDir((root / "model").string().c_str() + CString("/"));
    NamedFile bare("desc.qvm");
    Write(*wizard, &bare);
    EXPECT_EQ((root / "model").string() + "/", GetModelOutputDir().str());
    EXPECT_TRUE(fs::exists(root / "model" / "Demo__R1.mdx"));
}

// A catalogue whose resistor has no data-file parameter (CH_FILE): the characteristic itself
// names the table, and a table of data pairs is still written to its default file.
TEST(PassiveHost, ElementDefinitionWithoutTheDataFileParameter) {
    const fs::path folder = fs::path(qv_test::TempFolder()) / "no_ch_file";
    fs::remove_all(folder);
    fs::create_directories(folder / "out");
    fs::copy(PARVEL_MODULE_DIR "/catalogue", folder / "catalogue");
    std::string family = ReadFile(folder / "catalogue" / "passive_rg.json");
    // The resistor is the family's first element: its CH_FILE is the first one.
    const size_t name = family.find("\"name\": \"CH_FILE\"");
    ASSERT_NE(std::string::npos, name);
    const size_t start = family.rfind('{', name);
    family.erase(start, family.find("},", family.find("\"deletable\"", name)) + 2 - start);
    std::ofstream(folder / "catalogue" / "passive_rg.json", std::ios::trunc) << family;

    struct Case {
        const char* characteristic;
        const char* description;
    };
    const Case cases[] = {
        {R"({"kind": "data-pairs", "points": [[0, 0], [1, 0.001]]})",
         "RNL RA ( CH := XY_RA_CH.VAL );\nINTERN\tXY XY_RA_CH( FILE := \"D__RA.mdx\" );\n"},
        {R"({"kind": "file-reference", "variable": "v"})", "RNL RA ( CH := XY_RA_CH.VAL );\nINTERN\tXY XY_RA_CH( FILE := v );\n"},
    };
    for (const Case& c : cases) {
        fs::remove(folder / "out" / "D__RA.mdx");
        std::ofstream(folder / "s.json", std::ios::trunc)
            << R"({"document": "D", "elements": [{"id": 15, "name": "RA", "characteristic": )" << c.characteristic << "}]}";
        std::string output;
        ASSERT_EQ(0, qv_test::RunHost("describe '" + (folder / "s.json").string() + "' --catalogue '" +
                                          (folder / "catalogue").string() + "' -o '" + (folder / "out" / "d.desc").string() + "'",
                                      "no_ch_file.ini", &output))
            << output;
        EXPECT_EQ(c.description, ReadFile(folder / "out" / "d.desc")) << c.characteristic;
        if (std::string(c.characteristic).find("data-pairs") != std::string::npos)
            EXPECT_EQ("MDX 1\nwritten \"D\" \"RA\" 854644622201d219\n" + kGoldenDataFile.substr(6),
                      ReadFile(folder / "out" / "D__RA.mdx"));
        else
            EXPECT_FALSE(fs::exists(folder / "out" / "D__RA.mdx"));
    }
    fs::remove_all(folder);
}

} // namespace
