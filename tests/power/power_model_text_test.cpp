// Model text of the seven semiconductors, compared as whole texts, with the data file of a
// table of data pairs and the requests each way of writing sends.
#include "power_support.h"
#include "tests/support/mdx_channels.h"
#include "tests/support/sandbox.h"

#include <cstdlib>

using namespace power_test;

namespace {

constexpr char kTemplate[] = "IMMANENT";
constexpr char kModel[] = "@TYPE@NAME ( @PARAMLIST);";

const std::string kGoldenDataFile = MdxText({"v [V]", "i [A]"}, {"0 0", "0.7 1"});

class PowerModelText : public PowerTest {
protected:
    std::string Write(CWizardBase4& wizard, CFile* file, const char* templ = kTemplate) {
        CString text = kModel;
        EXPECT_EQ(4, wizard.WriteSimDescr(file, templ, text));
        return text.str();
    }
    // A data-pairs table of two points, as a user leaves it.
    static void GiveTable(CWizardBase4& wizard, DWORD source = 1, DWORD userFile = 0) {
        LoadTable(StateOf(wizard).Table(), TableBytes(source, ".mdx", userFile, {{0.0, 0.0}, {0.7, 1.0}}, ""));
    }
};

// Every element writes its keyword for every kind; unknown kinds take the equivalent line.
// Kind 2 also writes its table file and names it in the file parameter.
TEST_F(PowerModelText, EveryElementWritesTheKeywordOfEveryModeWord) {
    struct Kind {
        LONG modeWord;
        const char* suffix;
        bool writesFile;
    };
    const Kind kinds[] = {
        {-1, " ", false}, {0, "EQUL ", false}, {1, "EXP ", false},
        {2, "XY ", true}, {3, "EQUL ", false}, {-2, "EQUL ", false},
    };
    for (const Family& family : kFamily) {
        for (const Kind& kind : kinds) {
            SCOPED_TRACE(std::string(family.prefix) + " mode " + std::to_string(kind.modeWord));
            fs::remove_all(root / "model");
            fs::create_directories(root / "model");
            DWORD element = 0;
            auto wizard = Make(family.id, family.id == 8 ? kDiodeRows : PowerRows(), "X1", &element);
            ASSERT_NE(nullptr, wizard);
            GiveTable(*wizard);
            StateOf(*wizard).SetModeAndAxisLabels(kind.modeWord, "v [V]", "i [A]");
            editor->ClearRequests();
            NamedFile description(Description());
            EXPECT_EQ(std::string(family.prefix) + kind.suffix + "@NAME ( @PARAMLIST);", Write(*wizard, &description));
            EXPECT_EQ(kind.writesFile, fs::exists(root / "model" / "Demo__X1.mdx"));
            EXPECT_EQ(kind.writesFile ? "Demo__X1.mdx" : "",
                      Param(editor->Holder(element), 2016)->GetValue().str());
            EXPECT_EQ(kind.writesFile ? 1u : 0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
            EXPECT_EQ(1u, editor->CountRequests(WIZREQ_GET_PARAMS));
            EXPECT_EQ(1u, editor->CountRequests(WIZREQ_RELEASE_PARAMS));
            EXPECT_EQ(kind.modeWord, wizard->IsKindOf(RUNTIME_CLASS(CDiodeWizard4))
                                         ? static_cast<CDiodeWizard4*>(wizard.get())->GetModeWord()
                                         : static_cast<CSemiconductorWizardBase4*>(wizard.get())->GetModeWord())
                << "writing only reads the mode word";
        }
    }
}

TEST_F(PowerModelText, DataPairsDiodeWritesItsTableBesideTheDescription) {
    struct Case {
        const char* what;
        bool newFileParameter;
        WORD named;
        WORD untouched;
    };
    const Case cases[] = {
        {"file name in 2016", false, 2016, 1012},
        {"a set with 1006 names it in 2016 too, the parameter its model text lists", true, 2016, 1012},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(root / "model");
        fs::create_directories(root / "model");
        DWORD element = 0;
        auto wizard = NewWizard<CDiodeWizard4>(c.newFileParameter ? WithNewFileParameter(kDiodeRows) : kDiodeRows, "D1",
                                               &element);
        GiveTable(*wizard);
        wizard->SetModeAndAxisLabels(2, "v [V]", "i [A]");
        editor->ClearRequests();
        NamedFile description(Description());
        EXPECT_EQ("DXY @NAME ( @PARAMLIST);", Write(*wizard, &description));
        EXPECT_EQ("Demo__D1.mdx", Param(editor->Holder(element), c.named)->GetValue().str());
        EXPECT_EQ("", Param(editor->Holder(element), c.untouched)->GetValue().str());
        EXPECT_EQ(kGoldenDataFile, ReadFile(root / "model" / "Demo__D1.mdx"));
        EXPECT_EQ((root / "model").string() + "/", GetModelOutputDir().str());
        EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
        EXPECT_EQ(0u, editor->CountRequests(WIZREQ_ERROR_TEXT));
    }
}

TEST_F(PowerModelText, ExtraTextsBecomeTheChannelUnits) {
    auto wizard = NewWizard<CThyristorWizard4>(PowerRows(), "TH1");
    GiveTable(*wizard);
    wizard->SetModeAndAxisLabels(2, "Voltage", "Current");
    wizard->SetExtraTextA("V");
    wizard->SetExtraTextB("A");
    NamedFile description(Description());
    EXPECT_EQ("THXY @NAME ( @PARAMLIST);", Write(*wizard, &description));
    const std::string file = ReadFile(root / "model" / "Demo__TH1.mdx");
    EXPECT_NE(std::string::npos, file.find("channel \"Voltage\" \"V\"\nchannel \"Current\" \"A\"\n")) << file;
}

TEST_F(PowerModelText, TheUsersFileNameIsKeptAndNotCommitted) {
    DWORD element = 0;
    auto wizard = NewWizard<CDiodeWizard4>(kDiodeRows, "D1", &element);
    GiveTable(*wizard, 1, 1);
    wizard->SetModeAndAxisLabels(static_cast<LONG>(2 | kSemiUserFile), "v [V]", "i [A]");
    Param(editor->Holder(element), 2016)->SetValue("mine.mdx");
    editor->ClearRequests();
    NamedFile description(Description());
    EXPECT_EQ("DXY @NAME ( @PARAMLIST);", Write(*wizard, &description));
    EXPECT_EQ(kGoldenDataFile, ReadFile(root / "model" / "mine.mdx"));
    EXPECT_FALSE(fs::exists(root / "model" / "Demo__D1.mdx"));
    EXPECT_EQ("mine.mdx", Param(editor->Holder(element), 2016)->GetValue().str());
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
}

// A File Reference and a characteristic on a pin both carry the no-table-file flag: no file,
// no parameter changed, with or without the user's file name.
TEST_F(PowerModelText, NoTableFileFlagWritesNoFileAndChangesNothing) {
    for (DWORD flags : {kSemiNoTableFile, kSemiNoTableFile | kSemiUserFile}) {
        SCOPED_TRACE(flags);
        DWORD element = 0;
        auto wizard = NewWizard<CIgbtWizard4>(PowerRows(), "Q1", &element);
        GiveTable(*wizard, 0);
        wizard->SetModeAndAxisLabels(static_cast<LONG>(2 | flags), "v [V]", "i [A]");
        Param(editor->Holder(element), 2016)->SetValue("old.mdx");
        Param(editor->Holder(element), 1012)->UsePin(TRUE);
        editor->ClearRequests();
        NamedFile description(Description());
        EXPECT_EQ("IGBTXY @NAME ( @PARAMLIST);", Write(*wizard, &description));
        EXPECT_TRUE(fs::is_empty(root / "model"));
        EXPECT_EQ("old.mdx", Param(editor->Holder(element), 2016)->GetValue().str());
        EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    }
}

TEST_F(PowerModelText, WithoutImmanentTheTextStaysAndNothingIsAsked) {
    for (const Family& family : kFamily) {
        SCOPED_TRACE(family.prefix);
        auto wizard = Make(family.id, family.id == 8 ? kDiodeRows : PowerRows(), "X1");
        StateOf(*wizard).SetModeWord(2);
        editor->ClearRequests();
        NamedFile description(Description());
        EXPECT_EQ(kModel, Write(*wizard, &description, "X1 N1 N2"));
        EXPECT_TRUE(editor->Requests().empty());
        EXPECT_TRUE(fs::is_empty(root / "model"));
    }
}

// An element without an editor behind it: only the keyword, no file and no request.
TEST_F(PowerModelText, WithoutParameterSetDataPairsWriteOnlyTheKeyword) {
    CDiodeWizard4 wizard;
    GiveTable(wizard);
    wizard.SetModeAndAxisLabels(2, "v [V]", "i [A]");
    NamedFile description(Description());
    EXPECT_EQ("DXY @NAME ( @PARAMLIST);", Write(wizard, &description));
    EXPECT_TRUE(fs::is_empty(root / "model"));
}

TEST_F(PowerModelText, DescriptionFolderDecidesWhereTheTableGoes) {
    auto wizard = NewWizard<CTriacWizard4>(PowerRows(), "T1");
    GiveTable(*wizard);
    wizard->SetModeAndAxisLabels(2, "v [V]", "i [A]");

    // No path at all: the temporary folder.
    fs::create_directories(root / "tmp");
    {
        ScopedEnv tmp("TMPDIR", (root / "tmp").string());
        CMemFile memory;
        Write(*wizard, &memory);
    }
    EXPECT_EQ(kGoldenDataFile, ReadFile(root / "tmp" / "Demo__T1.mdx"));

    // A description without a folder leaves the model-output directory as it was.
    SetModelOutputDir((root / "model").string().c_str() + CString("/"));
    NamedFile bare("desc.qvm");
    Write(*wizard, &bare);
    EXPECT_EQ((root / "model").string() + "/", GetModelOutputDir().str());
    EXPECT_TRUE(fs::exists(root / "model" / "Demo__T1.mdx"));
}

TEST_F(PowerModelText, FailedTableWriteIsReportedAndTheKeywordStillWritten) {
    DWORD element = 0;
    auto wizard = NewWizard<CDiodeWizard4>(kDiodeRows, "D1", &element);
    GiveTable(*wizard, 1, 1);
    wizard->SetModeAndAxisLabels(static_cast<LONG>(2 | kSemiUserFile), "v [V]", "i [A]");
    Param(editor->Holder(element), 2016)->SetValue((root / "missing" / "t.mdx").string().c_str());
    NamedFile description(Description());
    qv::UserScript::Instance().ExpectMessageBox(IDOK);
    EXPECT_EQ("DXY @NAME ( @PARAMLIST);", Write(*wizard, &description));
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_ERROR_TEXT));
}

} // namespace
