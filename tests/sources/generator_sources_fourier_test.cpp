// The Fourier source: its archive, its model text and data file, its page driven as a user
// drives it, and the import and export of its data files.
#include "sources_support.h"

#include "framework/data_file_places.h"
#include "framework/factories.h"
#include "framework/param_access.h"
#include "sources/fourier_source.h"
#include "tests/support/mdx_channels.h"
#include "tests/support/own_folder_test.h"
#include "tests/support/sandbox.h"
#include "tests/support/text_files.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace sources_test;

namespace {

constexpr DWORD kMark = 0x20000;
constexpr char kTextNotice[] = "The file format \"text\" cannot be written! The file will be saved as a MDX-file.";

std::vector<ParamRow> FourierRows(const char* file = "harmonics.mdx", DWORD currentMark = 0, DWORD voltageMark = kMark) {
    return {
        {.id = 2117, .name = "FILE", .value = file, .type = 0x4 | 0x100000},
        {.id = 1001, .name = "I_SRC", .value = "", .type = 0x4, .extType = currentMark},
        {.id = 1002, .name = "V_SRC", .value = "", .type = 0x4, .extType = voltageMark},
        {.id = 2018, .name = "V", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V", .description = "Voltage"},
        {.id = 2019, .name = "I", .value = "", .type = 0x8, .quantity = "Current", .unit = "A", .description = "Current"},
    };
}

std::vector<double> Column(const CPtrArray& table, int c) {
    const auto* column = static_cast<const CArray<double, double>*>(table.GetAt(c));
    return std::vector<double>(column->GetData(), column->GetData() + column->GetSize());
}

class GeneratorFourier : public OwnFolderTest<SourcesTest> {
protected:
    GeneratorFourier() : OwnFolderTest("fourier") {}
};

Bytes DefaultArchive() {
    Bytes bytes;
    Word(bytes, 0);
    Dword(bytes, 0);
    for (const char* text : {"f", "Hz", "Amplitude", "", "Phase", "rad"}) Str(bytes, text);
    Dword(bytes, 2);
    for (double value : {0.0, 0.0, 0.0, 50.0, 0.0, 0.0}) {
        BYTE raw[8];
        std::memcpy(raw, &value, 8);
        bytes.insert(bytes.end(), raw, raw + 8);
    }
    Str(bytes, "50");
    Str(bytes, "1");
    Dword(bytes, 1);
    Dword(bytes, 1);
    Dword(bytes, 0);
    return bytes;
}

TEST_F(GeneratorFourier, NewWizardArchivesItsDefaults) {
    std::unique_ptr<CWizardBase4> created(CreateWizard4Instance(85));
    auto* wizard = dynamic_cast<CFourierSourceWizard4*>(created.get());
    ASSERT_NE(nullptr, wizard);
    EXPECT_EQ(DefaultArchive(), Stored([&](CArchive& ar) { wizard->Serialize(ar, eSheetVersion4); }));
    EXPECT_EQ(Bytes{}, Stored([&](CArchive& ar) { wizard->Serialize(ar, eSheetVersion3); }));
    std::unique_ptr<CWizardBase4> copy(wizard->Clone());
    EXPECT_EQ(DefaultArchive(),
              Stored([&](CArchive& ar) { static_cast<CFourierSourceWizard4*>(copy.get())->Serialize(ar, eSheetVersion4); }));
}

TEST_F(GeneratorFourier, LoadingRowCounts) {
    struct Case {
        const char* label;
        DWORD count;
        bool refused;
        std::vector<double> frequencies;
    };
    const Case cases[] = {
        {"minus one keeps the table", 0xFFFFFFFFu, false, {0, 50}},
        {"none", 0, false, {}},
        {"below minus one is bad data", 0xFFFFFFFEu, true, {0, 50}},
        {"beyond the limit", 10002, true, {0, 50}},
    };
    for (const Case& c : cases) {
        CFourierSourceWizard4 wizard;
        Bytes bytes;
        Word(bytes, 0);
        Dword(bytes, 1);
        for (const char* text : {"f", "Hz", "A", "V", "P", "deg"}) Str(bytes, text);
        Dword(bytes, c.count);
        Str(bytes, "60");
        Str(bytes, "3");
        Dword(bytes, 2);
        Dword(bytes, 0);
        Dword(bytes, 1);
        EXPECT_EQ(c.refused, !LoadedBlock(wizard, bytes)) << c.label;
        EXPECT_EQ(c.frequencies, Column(wizard.GetTable(), 0)) << c.label;
        if (!c.refused) {
            EXPECT_EQ(1, wizard.GetSourceType()) << c.label;
            EXPECT_EQ("60", wizard.GetFundamental().str()) << c.label;
            EXPECT_EQ(2, wizard.GetHarmonicsMode()) << c.label;
            EXPECT_FALSE(wizard.GetPhaseAutomatic()) << c.label;
            EXPECT_TRUE(wizard.GetUseFileName()) << c.label;
        }
    }
    CFourierSourceWizard4 wizard;
    Bytes newer;
    Word(newer, 1);
    Dword(newer, 1);
    Loaded(newer, [&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(1, wizard.GetSchema());
    EXPECT_EQ(0, wizard.GetSourceType());
}

// The model text and the data file beside the description, in the description file's folder.
// While the phases are automatic the file gets 0 for each, as the page writes it; the wizard
// keeps the phases typed before.
TEST_F(GeneratorFourier, ModelTextAndDataFile) {
    struct Case {
        int sourceType;
        const char* text;
        BOOL phaseAutomatic;
        std::vector<double> phases;
    };
    for (const Case& c : {Case{0, "V_SrcF1 ( FILE := @FILE );", FALSE, {0, 0.5, 1}},
                          Case{1, "I_SrcF1 ( FILE := @FILE );", FALSE, {0, 0.5, 1}},
                          Case{2, "V_SrcF1 ( FILE := @FILE );", TRUE, {0, 0, 0}}}) {
        auto wizard = NewWizard<CFourierSourceWizard4>(FourierRows(), "F1");
        FourierSettings settings;
        settings.sourceType = c.sourceType;
        CPtrArray table;
        qv::sources::SetTableRows(table, {0, 50, 150}, {1, 10, 2}, {0, 0.5, 1});
        wizard->SetTableData(settings, &table);
        wizard->SetHarmonicSettings("50", "2", qv::sources::kHarmonicsAll, c.phaseAutomatic, FALSE);
        qv::sources::FreeTable(table);
        CFile description;
        ASSERT_TRUE(description.Open((folder + "model.desc").c_str(), CFile::modeCreate | CFile::modeWrite));
        CString text = "@TYPEF1 ( FILE := @FILE );";
        EXPECT_EQ(4, wizard->WriteSimDescr(&description, "IMMANENT", text));
        description.Close();
        EXPECT_EQ(c.text, text.str());
        std::vector<std::string> names;
        EXPECT_EQ((std::vector<std::vector<double>>{{0, 50, 150}, {1, 10, 2}, c.phases}),
                  ReadChannels(folder + "harmonics.mdx", &names));
        EXPECT_EQ(0.5, Column(wizard->GetTable(), 2)[1]);
        EXPECT_EQ((std::vector<std::string>{"f[Hz]", "Amplitude[]", "Phase[rad]"}), names);
    }
    auto wizard = NewWizard<CFourierSourceWizard4>(FourierRows(), "F1");
    CString text = "@TYPE";
    EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "E @NAME", text));
    EXPECT_EQ("@TYPE", text.str());
}

TEST_F(GeneratorFourier, SourceTypeFromTheMarks) {
    struct Case {
        DWORD current;
        DWORD voltage;
        int type;
        bool voltageMarkAfter;
    };
    const Case cases[] = {{0, kMark, 0, true}, {kMark, 0, 1, false}, {kMark, kMark, 1, false}, {0, 0, 0, true}};
    for (const Case& c : cases) {
        DWORD element = 0;
        auto wizard =
            Initialized(NewWizard<CFourierSourceWizard4>(FourierRows("x.mdx", c.current, c.voltage), "F1", &element));
        EXPECT_EQ(c.type, wizard->GetSourceType()) << c.current << " " << c.voltage;
        EXPECT_EQ(c.voltageMarkAfter, Unused(editor->Holder(element), 1002)) << c.current << " " << c.voltage;
    }
}

TEST_F(GeneratorFourier, EvenModeWithThreeHarmonicsAndTheLimits) {
    DWORD element = 0;
    auto wizard = NewWizard<CFourierSourceWizard4>(FourierRows(), "F1", &element);
    {
        OpenPage<CFourierSourceWizard4> open(*wizard);
        CPropFourierSource* page = open.Page();
        ASSERT_TRUE(qv::ui::Click(page, 2323));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2328), "3"));
        ASSERT_TRUE(qv::ui::SetFocusTo(page->GetDlgItem(2001)));
        ASSERT_EQ(4, page->List().GetItemCount());
        std::vector<int> numbers;
        std::vector<double> frequencies;
        for (int row = 0; row < 4; ++row) {
            numbers.push_back(page->List().RowRecord(row)->number);
            frequencies.push_back(page->List().RowRecord(row)->frequency);
        }
        EXPECT_EQ((std::vector<int>{0, 1, 2, 4}), numbers);
        EXPECT_EQ((std::vector<double>{0, 50, 100, 200}), frequencies);
        // Phases edited in degrees.
        ASSERT_TRUE(qv::ui::Click(page, 2321));
        ASSERT_TRUE(qv::ui::EditListCell(&page->List(), 1, 5, "90 \xB0"));
        EXPECT_DOUBLE_EQ(M_PI / 2, page->List().RowRecord(1)->phase);
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    }
    EXPECT_EQ((std::vector<double>{0, 50, 100, 200}), Column(wizard->GetTable(), 0));
    EXPECT_DOUBLE_EQ(M_PI / 2, Column(wizard->GetTable(), 2)[1]);
    EXPECT_EQ(2, wizard->GetHarmonicsMode());
    EXPECT_FALSE(wizard->GetPhaseAutomatic());
    {
        OpenPage<CFourierSourceWizard4> open(*wizard);
        CPropFourierSource* page = open.Page();
        EXPECT_EQ(4, page->List().GetItemCount()) << "the wizard's table comes back";
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2328), "5000"));
        ASSERT_TRUE(qv::ui::SetFocusTo(page->GetDlgItem(2001)));
        EXPECT_EQ(1001, page->List().GetItemCount());
        EXPECT_EQ("5000", Text(page, 2328));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    }
    EXPECT_EQ("1000", wizard->GetNumber().str());
    EXPECT_EQ(1001u, Column(wizard->GetTable(), 0).size());
}

// Imports answered by the script: fundamental and mode come from the file's frequencies, and
// every row stands at its harmonic's place (a missing harmonic gets amplitude 0), so that the
// next recompute of the frequencies moves no amplitude. The mode chosen before stays when the
// file fits it. A file that is no spectrum of one fundamental is refused and changes nothing.
TEST_F(GeneratorFourier, ImportDetectsFundamentalAndMode) {
    struct Case {
        std::vector<double> frequencies;  // file amplitudes 1, 2, 3, ...
        int modeBefore;                   // the radio clicked before the import
        int mode;                         // 0: refused
        const char* fundamental;
        std::vector<double> listed;       // frequencies, then amplitudes, of the rows
        std::vector<double> amplitudes;
    };
    const Case cases[] = {
        {{0, 50, 150, 250}, 2323, 3, "50", {0, 50, 150, 250}, {1, 2, 3, 4}},
        {{0, 50, 100, 200}, 2323, 2, "50", {0, 50, 100, 200}, {1, 2, 3, 4}},
        {{0, 50, 100, 150}, 2323, 1, "50", {0, 50, 100, 150}, {1, 2, 3, 4}},
        {{0, 50, 100, 150}, 2324, 1, "50", {0, 50, 100, 150}, {1, 2, 3, 4}},
        {{0, 50, 150}, 2322, 1, "50", {0, 50, 100, 150}, {1, 2, 0, 3}},
        {{50, 150, 250}, 2323, 3, "50", {0, 50, 150, 250}, {0, 1, 2, 3}},  // no constant row
        {{50, 150, 250}, 2322, 1, "50", {0, 50, 100, 150, 200, 250}, {0, 1, 0, 2, 0, 3}},
        {{60, 180, 240}, 2324, 1, "60", {0, 60, 120, 180, 240}, {0, 1, 0, 2, 3}},
        {{250, 0, 50, 150}, 2324, 3, "50", {0, 50, 150, 250}, {2, 3, 4, 1}},  // any order
        {{0, 50, 75}, 2322, 0, "50", {0, 50}, {0, 0}},                        // 75 Hz: no harmonic
        {{0, 50, 50}, 2322, 0, "50", {0, 50}, {0, 0}},                        // one harmonic twice
        {{0, -50}, 2322, 0, "50", {0, 50}, {0, 0}},
    };
    const auto rows = [](CPropFourierSource* page, double HarmonicRecord::*field) {
        std::vector<double> out;
        for (int row = 0; row < page->List().GetItemCount(); ++row) out.push_back(page->List().RowRecord(row)->*field);
        return out;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.frequencies) + " after " + std::to_string(c.modeBefore));
        auto wizard = NewWizard<CFourierSourceWizard4>(FourierRows("none.mdx"), "F1");
        const std::string path = folder + "import.mdx";
        std::vector<double> amplitudes;
        for (size_t i = 0; i < c.frequencies.size(); ++i) amplitudes.push_back(static_cast<double>(i + 1));
        WriteChannels(path, {c.frequencies, amplitudes, std::vector<double>(c.frequencies.size(), 0.0)});
        OpenPage<CFourierSourceWizard4> open(*wizard);
        CPropFourierSource* page = open.Page();
        ASSERT_TRUE(qv::ui::Click(page, 2116));
        ASSERT_TRUE(qv::ui::Click(page, c.modeBefore));
        qv::UserScript::Instance().ExpectFileDialog(path);
        if (c.mode == 0) {
            qv::UserScript::Instance().ExpectMessageBox(IDOK, "The frequencies are not harmonics of one fundamental frequency!");
            qv::UserScript::Instance().ExpectMessageBox(IDOK, "Error while reading file!");
        }
        ASSERT_TRUE(qv::ui::Click(page, 2118));
        EXPECT_EQ(0u, qv::UserScript::Instance().Pending());
        EXPECT_EQ(c.mode == 0 ? c.modeBefore - 2321 : c.mode, page->GetHarmonicsMode());
        EXPECT_EQ(c.fundamental, page->GetFundamental().str());
        EXPECT_EQ(std::to_string(c.listed.size() - 1), page->GetNumber().str());
        // Another mode and back again recomputes every frequency from the fundamental.
        const int mode = page->GetHarmonicsMode();
        ASSERT_TRUE(qv::ui::Click(page, mode == 1 ? 2324 : 2322));
        ASSERT_TRUE(qv::ui::Click(page, 2321 + mode));
        EXPECT_EQ(c.listed, rows(page, &HarmonicRecord::frequency));
        EXPECT_EQ(c.amplitudes, rows(page, &HarmonicRecord::amplitude));
    }
}

TEST_F(GeneratorFourier, ImportRefusesOtherThanThreeChannels) {
    auto wizard = NewWizard<CFourierSourceWizard4>(FourierRows("none.mdx"), "F1");
    const std::string path = folder + "two.mdx";
    WriteChannels(path, {{0, 50}, {1, 2}});
    OpenPage<CFourierSourceWizard4> open(*wizard);
    CPropFourierSource* page = open.Page();
    ASSERT_TRUE(qv::ui::Click(page, 2116));
    qv::UserScript::Instance().ExpectFileDialog(path);
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Only 3 channels allowed!");
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Error while reading file!");
    ASSERT_TRUE(qv::ui::Click(page, 2118));
    EXPECT_EQ(2, page->List().GetItemCount());
    EXPECT_EQ((std::vector<double>{0, 50}), Column(page->GetTable(), 0));
}

// A text-format import is exported as an ".mdx" file of the same name.
TEST_F(GeneratorFourier, TextImportIsExportedAsMdx) {
    DWORD element = 0;
    auto wizard = NewWizard<CFourierSourceWizard4>(FourierRows("none.mdx"), "F1", &element);
    const std::string path = folder + "table.txt";
    std::ofstream(path) << "0 1 0\n50 2 0\n100 3 0\n";
    OpenPage<CFourierSourceWizard4> open(*wizard);
    CPropFourierSource* page = open.Page();
    ASSERT_TRUE(qv::ui::Click(page, 2116));
    qv::UserScript::Instance().ExpectFileDialog(path);
    ASSERT_TRUE(qv::ui::Click(page, 2118));
    EXPECT_EQ(-1, page->GetFileFormat());
    EXPECT_EQ(3, page->List().GetItemCount());
    qv::UserScript::Instance().ExpectMessageBox(IDOK, kTextNotice);
    editor->ClearRequests();
    EXPECT_TRUE(page->WriteMdxFile(page->GetFileName(), 0));
    EXPECT_EQ("table.mdx", page->GetFileName().str());
    EXPECT_EQ((std::vector<std::vector<double>>{{0, 50, 100}, {1, 2, 3}, {0, 0, 0}}),
              ReadChannels(page->GetDataDir().str() + "table.mdx"));
    EXPECT_EQ(1u, editor->CountRequests(7)) << "the file is announced";
}

// The amplitudes are volts of a voltage source and amperes of a current source: a cell takes a
// unit of the source's quantity and refuses one of the other.
TEST_F(GeneratorFourier, ApplyWritesTheFileUnderTheElementName) {
    const struct {
        int sourceType;
        const char* typed;
        double amplitude;
    } cases[] = {{0, "10", 10}, {0, "1 kV", 1000}, {0, "1 kA", 0}, {1, "1 kA", 1000}, {1, "2 V", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        std::filesystem::remove(folder + "F1.mdx");
        DWORD element = 0;
        auto wizard = NewWizard<CFourierSourceWizard4>(FourierRows((folder + "*.mdx").c_str()), "F1", &element);
        wizard->SetHarmonicSettings("50", "1", 1, TRUE, TRUE);
        {
            OpenPage<CFourierSourceWizard4> open(*wizard);
            CPropFourierSource* page = open.Page();
            ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2147), c.sourceType));
            qv::ui::EditListCell(&page->List(), 1, 2, c.typed);
            ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        }
        EXPECT_EQ((std::vector<std::vector<double>>{{0, 50}, {0, c.amplitude}, {0, 0}}), ReadChannels(folder + "F1.mdx"));
        EXPECT_EQ(folder + "F1.mdx", Param(editor->Holder(element), 2117)->GetValue().str());
    }
}

TEST_F(GeneratorFourier, ExistingDataFileOverridesTheArchivedTable) {
    DWORD element = 0;
    const std::string path = folder + "kept.mdx";
    WriteChannels(path, {{0, 50, 100}, {4, 5, 6}, {0, 0, 0}});
    auto wizard = NewWizard<CFourierSourceWizard4>(FourierRows(path.c_str()), "F1", &element);
    wizard->SetHarmonicSettings("50", "1", 1, TRUE, TRUE);
    OpenPage<CFourierSourceWizard4> open(*wizard);
    ASSERT_EQ(3, open.Page()->List().GetItemCount());
    EXPECT_EQ(5.0, open.Page()->List().RowRecord(1)->amplitude);
}

// Every road on which the page writes its table ends at a file of the user's that the page did
// not name exactly: the file changes only after a yes to the question about it, a no keeps the
// file and the page, and the file-name field and parameter then name the file written.
TEST_F(GeneratorFourier, AWriteReplacesAFileItDidNotNameOnlyAfterAYes) {
    editor->Document().SetPathName((folder + "doc.qsc").c_str());
    const auto type = [](const char* name) {
        return [name](CPropFourierSource* page) { ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2117), name)); };
    };
    const auto open = [this](const char* name, std::vector<const char*> refusals) {
        return [this, name, refusals](CPropFourierSource* page) {
            qv::UserScript::Instance().ExpectFileDialog(folder + name);
            for (const char* refusal : refusals) qv::UserScript::Instance().ExpectMessageBox(IDOK, refusal);
            ASSERT_TRUE(qv::ui::Click(page, 2118));
        };
    };
    struct Road {
        const char* label;
        const char* victim;  // the user's file the road ends at
        std::function<void(CPropFourierSource*)> first;
        const char* saveAs;  // the name answered in "Save as"; null: the road ends with apply
        const char* notice;  // a box the write shows before its question
        bool asks;
        bool namedAtOpening = false;  // the page opens on the victim and refuses to read it
    };
    const Road roads[] = {
        {"typed read-only extension", "mine.mdx", type("mine.txt"), nullptr, nullptr, true},
        {"typed wildcard", "F1.mdx", type("*.mdx"), nullptr, nullptr, true},
        {"typed without extension", "noext.mdx", type("noext"), nullptr, nullptr, true},
        {"typed exactly", "mine.mdx", type("mine.mdx"), nullptr, nullptr, true},
        {"save as wildcard", "F1.mdx", [](CPropFourierSource*) {}, "*.mdx", nullptr, true},
        {"text opened in a folder, then apply", "meas.mdx", open("sub/meas.txt", {}), nullptr, kTextNotice, true},
        {"refused file opened, then apply", "bad.mdx",
         open("bad.mdx", {"Only 3 channels allowed!", "Error while reading file!"}), nullptr, nullptr, true},
        {"refused as the page opened, then apply", "bad.mdx", [](CPropFourierSource*) {}, nullptr, nullptr, true, true},
    };
    std::filesystem::create_directory(folder + "sub");
    std::ofstream(folder + "sub/meas.txt") << "0 1 0\n50 2 0\n";
    for (const Road& road : roads)
        for (const int reply : {IDNO, IDYES}) {
            if (!road.asks && reply == IDNO) continue;
            SCOPED_TRACE(std::string(road.label) + (reply == IDYES ? " yes" : " no"));
            const std::string victim = folder + road.victim;
            WriteChannels(victim, {{1}, {2}});
            const std::string kept = ReadFile(victim);
            DWORD element = 0;
            auto wizard = NewWizard<CFourierSourceWizard4>(FourierRows(road.namedAtOpening ? road.victim : "none.mdx"),
                                                           "F1", &element);
            wizard->SetHarmonicSettings("50", "1", 1, TRUE, TRUE);
            auto& script = qv::UserScript::Instance();
            if (road.namedAtOpening) script.ExpectMessageBox(IDOK, "Only 3 channels allowed!");
            OpenPage<CFourierSourceWizard4> open(*wizard);
            CPropFourierSource* page = open.Page();
            road.first(page);
            if (road.saveAs != nullptr) script.ExpectFileDialog(folder + road.saveAs);
            if (road.notice != nullptr) script.ExpectMessageBox(IDOK, road.notice);
            if (road.asks) script.ExpectMessageBox(reply, std::string(road.victim) + " already exists.\nDo you want to replace it?");
            const bool done = road.saveAs != nullptr ? qv::ui::Click(page, 2119) : qv::ui::Apply(&open.Sheet());
            EXPECT_EQ(0u, script.Pending()) << script.DescribePending();
            script.Reset();
            if (reply == IDNO) {
                EXPECT_EQ(kept, ReadFile(victim));
                EXPECT_TRUE(road.saveAs != nullptr || !done) << "the page stays open";
                continue;
            }
            EXPECT_EQ(3u, ReadChannels(victim).size());
            EXPECT_EQ(road.victim, std::filesystem::path(Text(page, 2117)).filename().string());
            if (road.saveAs != nullptr) continue;
            EXPECT_EQ(road.victim,
                      std::filesystem::path(Param(editor->Holder(element), 2117)->GetValue().str()).filename().string());
        }
    EXPECT_EQ(2u, ReadChannels(folder + "sub/meas.txt")[0].size()) << "an opened file is never written";
}

// After a text file of another folder was opened, "Save as" writes the name chosen where it
// says, not beside the document.
TEST_F(GeneratorFourier, SaveAsAfterATextFileWritesTheChosenFile) {
    editor->Document().SetPathName((folder + "doc.qsc").c_str());
    auto wizard = NewWizard<CFourierSourceWizard4>(FourierRows("none.mdx"), "F1");
    wizard->SetHarmonicSettings("50", "1", 1, TRUE, TRUE);
    OpenPage<CFourierSourceWizard4> open(*wizard);
    CPropFourierSource* page = open.Page();
    std::filesystem::create_directory(folder + "sub");
    std::ofstream(folder + "sub/meas.txt") << "0 1 0\n50 2 0\n";
    WriteChannels(folder + "new.mdx", {{1}, {2}});
    const std::string kept = ReadFile(folder + "new.mdx");
    qv::UserScript::Instance().ExpectFileDialog(folder + "sub/meas.txt");
    ASSERT_TRUE(qv::ui::Click(page, 2118));
    qv::UserScript::Instance().ExpectFileDialog(folder + "sub/new.mdx");
    qv::UserScript::Instance().ExpectMessageBox(IDOK, kTextNotice);
    ASSERT_TRUE(qv::ui::Click(page, 2119));
    EXPECT_EQ((std::vector<double>{0, 50}), ReadChannels(folder + "sub/new.mdx").at(0));
    EXPECT_EQ(kept, ReadFile(folder + "new.mdx"));
}

TEST_F(GeneratorFourier, OlderBlocks) {
    struct Case {
        const char* label;
        Bytes bytes;
        int sourceType;
        std::vector<double> frequencies;
    };
    Bytes state = Dwords({10, 3, 1, 0});
    Str(state, "60");
    Str(state, "1");
    Dword(state, 2);
    for (double value : {0.0, 1.0, 0.0, 60.0, 2.0, 0.0}) {
        BYTE raw[8];
        std::memcpy(raw, &value, 8);
        state.insert(state.end(), raw, raw + 8);
    }
    std::vector<Case> cases;
    {
        Bytes b = Dwords({1, 0});
        cases.push_back({"eight bytes", b, 1, {0, 50}});
    }
    {
        Bytes b = Dwords({1, 0});
        Block(b, {9, 9});
        Block(b, state);
        cases.push_back({"with page state", b, 1, {0, 60}});
    }
    {
        Bytes b = Dwords({0, 0, 0xFFFFFFF0u});
        Block(b, state);
        cases.push_back({"wrapping skip length", b, 0, {0, 50}});
    }
    {
        Bytes b = Dwords({0, 0});
        Block(b, {});
        Dword(b, 0xFFFFFFFFu);
        Append(b, state);
        cases.push_back({"wrapping state length", b, 0, {0, 50}});
    }
    for (const Case& c : cases) {
        DWORD element = 0;
        auto wizard = NewWizard<CFourierSourceWizard4>(FourierRows(), "F1", &element);
        std::unique_ptr<BYTE[]> exact(new BYTE[c.bytes.size()]);
        std::memcpy(exact.get(), c.bytes.data(), c.bytes.size());
        ASSERT_TRUE(wizard->DoConvertWizard3Data(exact.get(), static_cast<long>(c.bytes.size()))) << c.label;
        EXPECT_EQ(c.sourceType, wizard->GetSourceType()) << c.label;
        EXPECT_EQ(c.frequencies, Column(wizard->GetTable(), 0)) << c.label;
        EXPECT_EQ(c.sourceType == 1, Unused(editor->Holder(element), 1001)) << c.label;
    }
}

} // namespace
