// The 3D lookup table's wizard and page: golden archive bytes with both sweep settings, the
// data file written beside the model description (channels x, z, y), the page driven as a
// user drives it (lists, sweeps, apply), import and export of data files, and older blocks.
#include "equations_support.h"
#include "tests/support/data_file_buttons.h"
#include "tests/support/sheet_archives.h"
#include "tests/support/symbol_frame.h"
#include "tests/support/text_files.h"

#include "afx/archive.h"
#include "afx/file.h"
#include "equations/lookup_table_3d.h"
#include "framework/data_file_places.h"
#include "framework/table_writers.h"
#include "toolkit/read_write_files.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace equations_test;
using namespace qv::lookup3d;
namespace fs = std::filesystem;
using qv_test::NamedFile;
using qv_test::ReadFile;

namespace {

std::vector<ParamRow> GridRows() {
    return {
        {.id = 2186, .name = "INX", .value = "u"},
        {.id = 2117, .name = "FILE", .value = "", .type = 0x100006},
        {.id = 2215, .name = "INTERP", .value = "2", .type = 0x6},
        {.id = 2425, .name = "VAR", .value = "", .type = 0x100006},
    };
}

struct Pt {
    double x, y, z;
    bool operator==(const Pt&) const = default;
};

std::vector<Pt> PointsOf(const CPtrArray& points) {
    std::vector<Pt> out;
    for (INT_PTR i = 0; i < points.GetSize(); ++i) {
        const auto* p = static_cast<const C3DDataPoint*>(points[i]);
        out.push_back({p->x, p->y, p->z});
    }
    return out;
}

void Give(C3DLookupTableWizard4& wizard, const std::vector<Pt>& points) {
    DeletePoints(wizard.Points());
    for (const Pt& p : points) wizard.Points().Add(new C3DDataPoint(p.x, p.y, p.z));
}

// x 1, 2, 3 under y 10, 20 with z = 10 * j + i.
const std::vector<Pt> kGrid = {{1, 10, 0}, {2, 10, 1}, {3, 10, 2}, {1, 20, 10}, {2, 20, 11}, {3, 20, 12}};

class Lookup3d : public EquationsTest {
protected:
    void SetUp() override {
        EquationsTest::SetUp();
        UseScratchFolder("lookup3d");
        fs::create_directories(root / "doc");
        editor->Document().SetPathName((root / "doc" / "Grid.qsc").c_str());
        editor->Document().SetTitle("Grid");
        g_DocumentDir = (root / "doc").string().c_str();
        g_DocumentDir += "/";
    }
    void TearDown() override {
        g_ModelOutputDir.Empty();
        g_DocumentDir.Empty();
        EquationsTest::TearDown();
    }
    // A wizard of the grid's rows that holds kGrid, attached to the element (when given).
    std::unique_ptr<C3DLookupTableWizard4> GridWizard(DWORD* element) {
        auto wizard = NewWizard<C3DLookupTableWizard4>(GridRows(), element);
        Give(*wizard, kGrid);
        return wizard;
    }
};

template <class Wizard>
using Open = OpenPage<Wizard>;

TEST_F(Lookup3d, ArchiveBytesWithBothSweepsAndRoundTrip) {
    C3DLookupTableWizard4 wizard;
    Table3DState state;
    state.fileNameFlag = TRUE;
    state.xUnit = "V";
    state.zUnit = "A";
    state.zUnitFlag = TRUE;
    CPtrArray points;
    points.Add(new C3DDataPoint(0.5, -1, 1e-300));
    points.Add(new C3DDataPoint(2, -1, 3));
    wizard.SetData(state, points);
    DeletePoints(points);
    wizard.SetChannelNames("cx", "", "cz");
    wizard.XSweep().SetTexts("0", "0.5", "2");
    wizard.YSweep().SetTexts("-1", "abc", "");
    const Bytes bytes = StoredBlock(wizard);

    Bytes expected;
    Word(expected, 0);
    Dword(expected, 1);
    Str(expected, "cx");
    Str(expected, "");
    Str(expected, "cz");
    Str(expected, "V");
    Str(expected, "");
    Str(expected, "A");
    Dword(expected, 0);
    Dword(expected, 0);
    Dword(expected, 1);
    Dword(expected, 2);
    NewClass(expected, "C3DDataPoint");
    Dword(expected, 10);
    Double(expected, 0.5);
    Double(expected, -1);
    Double(expected, 1e-300);
    Word(expected, 0x8001);
    Dword(expected, 10);
    Double(expected, 2);
    Double(expected, -1);
    Double(expected, 3);
    NewClass(expected, "CDlgSweepData");
    Dword(expected, 10);
    Str(expected, "0");
    Str(expected, "0.5");
    Str(expected, "2");
    Word(expected, 0x8002);
    Dword(expected, 10);
    Str(expected, "-1");
    Str(expected, "abc");
    Str(expected, "");
    EXPECT_EQ(expected, bytes);

    C3DLookupTableWizard4 loaded;
    Give(loaded, {{9, 9, 9}, {8, 8, 8}, {7, 7, 7}});
    LoadedAt(loaded, bytes);
    EXPECT_EQ((std::vector<Pt>{{0.5, -1, 1e-300}, {2, -1, 3}}), PointsOf(loaded.Points()));
    EXPECT_EQ(CString("cz"), loaded.GetZChannel());
    EXPECT_EQ(CString("abc"), loaded.YSweep().GetStep());
    EXPECT_TRUE(loaded.GetState().zUnitFlag);
    EXPECT_EQ(bytes, StoredBlock(loaded));

    // Other sheet versions write and read nothing.
    EXPECT_TRUE(StoredAt(wizard, eSheetVersion3).empty());
    // A clone keeps table and units and starts its sweeps from the defaults.
    std::unique_ptr<CWizardBase4> clone(wizard.Clone());
    auto* copy = static_cast<C3DLookupTableWizard4*>(clone.get());
    EXPECT_EQ(PointsOf(wizard.Points()), PointsOf(copy->Points()));
    EXPECT_EQ(CString("A"), copy->GetState().zUnit);
    EXPECT_EQ(CString("cx"), copy->GetXChannel());
    EXPECT_EQ(CString("1"), copy->XSweep().GetStep());
    EXPECT_EQ(CString("10"), copy->YSweep().GetCount());
}

TEST_F(Lookup3d, DamagedArchives) {
    C3DLookupTableWizard4 source;
    Give(source, kGrid);
    const Bytes bytes = StoredBlock(source);
    struct Case {
        const char* what;
        Bytes data;
        bool throws;
        size_t points;
    };
    Bytes otherSchema;
    Word(otherSchema, 1);
    Bytes hugeCount(bytes.begin(), bytes.begin() + 2 + 4 + 6 + 12);
    Dword(hugeCount, 0xFFFFFFF0u);
    const std::vector<Case> cases = {
        {"other schema: nothing read", otherSchema, false, 1},
        {"cut in the points", Bytes(bytes.begin(), bytes.begin() + 80), true, 1},
        {"count beyond the data", hugeCount, true, 1},
    };
    for (const Case& c : cases) {
        C3DLookupTableWizard4 loaded;
        Give(loaded, {{5, 5, 5}});
        bool threw = false;
        try {
            LoadedAt(loaded, c.data);
        } catch (CException* e) {
            e->Delete();
            threw = true;
        }
        EXPECT_EQ(c.throws, threw) << c.what;
        // The wizard keeps its table when the loading fails.
        EXPECT_EQ(c.points, static_cast<size_t>(loaded.Points().GetSize())) << c.what;
    }
}

const char kGoldenFile[] =
    "MDX 1\n"
    "channels 3\n"
    "items 6\n"
    "channel \"\" \"V\"\n"
    "channel \"\" \"Ohm\"\n"
    "channel \"\" \"A\"\n"
    "data\n"
    "1 0 10\n"
    "2 1 10\n"
    "3 2 10\n"
    "1 10 20\n"
    "2 11 20\n"
    "3 12 20\n"
    "end\n";

TEST_F(Lookup3d, DescriptionWritesTheDataFileAndLeavesTheModelText) {
    DWORD element = 0;
    auto wizard = NewWizard<C3DLookupTableWizard4>(GridRows(), &element);
    Named(editor->Holder(element), "FILE")->SetValue("mine.mdx");
    Give(*wizard, kGrid);
    Table3DState state = wizard->GetState();
    state.xUnit = "V";
    state.yUnit = "A";
    state.zUnit = "Ohm";
    CPtrArray copy;
    CopyPoints(copy, wizard->Points());
    wizard->SetData(state, copy);
    DeletePoints(copy);
    NamedFile description((root / "model" / "desc.qvm").string());
    CString text = "LOOKUP3D @NAME ( FILE := \"@FILE\" );";
    editor->ClearRequests();
    EXPECT_EQ(4, wizard->WriteSimDescr(&description, "IMMANENT", text));
    EXPECT_EQ("LOOKUP3D @NAME ( FILE := \"@FILE\" );", text.str());
    // Without the user's file name the default name replaces the one the parameter held, and
    // the set is committed.
    EXPECT_EQ("Grid__B1.mdx", Named(editor->Holder(element), "FILE")->GetValue().str());
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    // A bare name goes to the document's folder.
    EXPECT_EQ(kGoldenFile, ReadFile(root / "doc" / "Grid__B1.mdx"));

    // A template without "IMMANENT" touches nothing.
    Named(editor->Holder(element), "FILE")->SetValue("other.mdx");
    editor->ClearRequests();
    EXPECT_EQ(4, wizard->WriteSimDescr(&description, "PLAIN", text));
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_GET_PARAMS));
    EXPECT_EQ("other.mdx", Named(editor->Holder(element), "FILE")->GetValue().str());
    EXPECT_FALSE(fs::exists(root / "doc" / "other.mdx"));
}

// An empty table is loaded from the named data file on a hidden page; the user's file name
// stays the user's.
TEST_F(Lookup3d, EmptyTableIsLoadedFromItsFile) {
    {
        CPtrArray points;
        for (const Pt& p : kGrid) points.Add(new C3DDataPoint(p.x, p.y, p.z));
        ASSERT_TRUE(WriteTableMdx3D((root / "doc" / "user.mdx").string().c_str(), &points, "x", "y", "z", "V", "", "A"));
        DeletePoints(points);
    }
    DWORD element = 0;
    auto wizard = NewWizard<C3DLookupTableWizard4>(GridRows(), &element);
    Named(editor->Holder(element), "FILE")->SetValue("user.mdx");
    Table3DState state;
    state.fileNameFlag = TRUE;
    CPtrArray none;
    wizard->SetData(state, none);
    EXPECT_TRUE(wizard->Initialize(0));
    EXPECT_EQ(0, wizard->Points().GetSize());
    NamedFile description((root / "model" / "desc.qvm").string());
    CString text = "X";
    EXPECT_EQ(4, wizard->WriteSimDescr(&description, "IMMANENT", text));
    EXPECT_EQ(kGrid, PointsOf(wizard->Points()));
    EXPECT_EQ(CString("x[V]"), wizard->GetState().xUnit);
    EXPECT_EQ(CString("y"), wizard->GetState().yUnit);
    EXPECT_EQ(CString("z[A]"), wizard->GetState().zUnit);
    EXPECT_EQ("user.mdx", Named(editor->Holder(element), "FILE")->GetValue().str());
    // The unit texts go to the file whatever their flags; the channel names stay empty.
    CReadAndWriteFiles reader;
    ASSERT_TRUE(reader.ReadInfoFile((root / "doc" / "user.mdx").string().c_str()));
    EXPECT_EQ(CString(""), reader.GetChannel(0)->GetChannelName());
    EXPECT_EQ(CString("x[V]"), reader.GetChannel(0)->GetUnitName());
    EXPECT_EQ(CString("z[A]"), reader.GetChannel(1)->GetUnitName());
}

CTBEditListCtrl* List(CWnd* page, int id) { return static_cast<CTBEditListCtrl*>(page->GetDlgItem(id)); }

std::vector<std::string> Column(CTBEditListCtrl* list, int column) {
    std::vector<std::string> out;
    for (int row = 0; row < list->GetItemCount(); ++row) out.push_back(list->GetItemText(row, column).str());
    return out;
}

using Strings = std::vector<std::string>;

std::string Heading(CTBEditListCtrl* list, int column) {
    char text[64] = {0};
    LVCOLUMN info{};
    info.mask = LVCF_TEXT;
    info.pszText = text;
    info.cchTextMax = sizeof text;
    EXPECT_TRUE(list->GetColumn(column, &info));
    return text;
}

TEST_F(Lookup3d, ListsKeepEveryXInEveryYMap) {
    DWORD element = 0;
    WizardOnSheet wizard(GridWizard(&element));
    CProp3DLookupTableXY* page = wizard.Page();
    auto* xs = List(page, 2449);
    auto* ys = List(page, 2448);
    auto* zs = List(page, 2446);
    EXPECT_EQ((Strings{"1", "2", "3"}), Column(xs, 0));
    EXPECT_EQ((Strings{"10", "20"}), Column(ys, 0));
    EXPECT_EQ(0, zs->GetItemCount());
    EXPECT_EQ("x-axis : ", Heading(zs, 0));
    // Selecting y 20 shows its z values.
    ASSERT_TRUE(qv::ui::ClickListItem(ys, 1));
    EXPECT_EQ((Strings{"10", "11", "12"}), Column(zs, 1));
    // A new x gets z 0 under every y.
    ASSERT_TRUE(qv::ui::Click(page, 2433));
    ASSERT_TRUE(qv::ui::EditListCell(xs, 3, 0, "4"));
    EXPECT_EQ((Strings{"1", "2", "3", "4"}), Column(zs, 0));
    EXPECT_EQ((Strings{"10", "11", "12", "0"}), Column(zs, 1));
    // Editing a z and changing the y row stores the edit.
    ASSERT_TRUE(qv::ui::EditListCell(zs, 3, 1, "13"));
    ASSERT_TRUE(qv::ui::ClickListItem(ys, 0));
    EXPECT_EQ((Strings{"0", "1", "2", "0"}), Column(zs, 1));
    // Moving x 1 down keeps its z values with it.
    ASSERT_TRUE(qv::ui::ClickListItem(xs, 0));
    ASSERT_TRUE(qv::ui::Click(page, 2437));
    EXPECT_EQ((Strings{"2", "1", "3", "4"}), Column(xs, 0));
    EXPECT_EQ((Strings{"1", "0", "2", "0"}), Column(zs, 1));
    ASSERT_TRUE(qv::ui::Click(page, 2436));
    // Deleting y 10 drops its z values.
    ASSERT_TRUE(qv::ui::ClickListItem(ys, 0));
    ASSERT_TRUE(qv::ui::Click(page, 2440));
    EXPECT_EQ((Strings{"20"}), Column(ys, 0));
    ASSERT_TRUE(qv::ui::Click(page, 2439));
    ASSERT_TRUE(qv::ui::EditListCell(ys, 1, 0, "30"));
    ASSERT_TRUE(qv::ui::Click(page, 2116));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2117), "*.*"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "T1"));
    EXPECT_TRUE(qv::ui::Apply(&wizard.Sheet()));
    EXPECT_EQ((std::vector<Pt>{{1, 20, 10}, {2, 20, 11}, {3, 20, 12}, {4, 20, 13}, {1, 30, 0}, {2, 30, 0}, {3, 30, 0},
                               {4, 30, 0}}),
              PointsOf(wizard->Points()));
    // "*.*" names the file after the element, in the data-file format.
    EXPECT_EQ("T1.mdx", Named(editor->Holder(element), "FILE")->GetValue().str());
    EXPECT_TRUE(fs::exists(root / "doc" / "T1.mdx"));
    EXPECT_EQ("2", Named(editor->Holder(element), "INTERP")->GetValue().str());
}

TEST_F(Lookup3d, EqualXIsRefusedOnApplyAndNothingIsCommitted) {
    DWORD element = 0;
    WizardOnSheet wizard(GridWizard(&element));
    CProp3DLookupTableXY* page = wizard.Page();
    ASSERT_TRUE(qv::ui::EditListCell(List(page, 2449), 1, 0, "1"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "T9"));
    ASSERT_TRUE(qv::ui::Click(page, 2116));
    editor->ClearRequests();
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Error : Constant x-values aren't allowed!");
    EXPECT_FALSE(qv::ui::Apply(&wizard.Sheet()));
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_FILE_WRITTEN));
    EXPECT_EQ(kGrid, PointsOf(wizard->Points()));
    EXPECT_EQ("B1", editor->Holder(element)->m_strElementName.str());
    EXPECT_TRUE(fs::is_empty(root / "doc"));
    // An export stops at the same check instead of writing the old points.
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Error : Constant x-values aren't allowed!");
    EXPECT_FALSE(page->ExportFile("t.mdx", 0));
    EXPECT_TRUE(fs::is_empty(root / "doc"));
}

TEST_F(Lookup3d, SweepsFillTheAxes) {
    Strings many;
    for (int i = 0; i < 20000; ++i) many.push_back(std::to_string(i));
    struct Case {
        const char* what;
        int button;
        std::vector<std::pair<int, const char*>> typed;
        int closeWith;
        Strings xs, ys;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"set 0 1 10", 2438, {}, 1036, {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}, {"10", "20"}, nullptr},
        {"append to y", 2444, {{1033, "25"}, {1034, "-5"}, {1035, "2"}}, 1037, {"1", "2", "3"}, {"10", "20", "25", "20"}, nullptr},
        {"cancel", 2438, {{1035, "3"}}, 2, {"1", "2", "3"}, {"10", "20"}, nullptr},
        {"count 0", 2438, {{1035, "0"}}, 1036, {"1", "2", "3"}, {"10", "20"}, nullptr},
        {"20,000 values", 2438, {{1035, "20000"}}, 1036, many, {"10", "20"}, nullptr},
        {"more than memory holds", 2438, {{1035, "2000000000"}}, 1036, {"1", "2", "3"}, {"10", "20"},
         "Not enough memory for a table of 4000000000 points."},
        {"values beyond the doubles", 2438, {{1033, "1e308"}, {1034, "1e308"}}, 1036, {"1", "2", "3"}, {"10", "20"},
         "Invalid value!"},
    };
    for (const Case& c : cases) {
        WizardOnSheet wizard(GridWizard(nullptr));
        CProp3DLookupTableXY* page = wizard.Page();
        qv::UserScript::Instance().ExpectDialog(
            2605,
            [&](CDialog& dialog) {
                EXPECT_EQ("0", blocks_test::Text(&dialog, 1033)) << c.what;
                for (auto [id, text] : c.typed) EXPECT_TRUE(qv::ui::TypeText(dialog.GetDlgItem(id), text)) << c.what;
                EXPECT_TRUE(qv::ui::Click(&dialog, c.closeWith)) << c.what;
            },
            0);
        if (c.message) qv::UserScript::Instance().ExpectMessageBox(IDOK, c.message);
        ASSERT_TRUE(qv::ui::Click(page, c.button)) << c.what;
        EXPECT_EQ(c.xs, Column(List(page, 2449), 0)) << c.what;
        EXPECT_EQ(c.ys, Column(List(page, 2448), 0)) << c.what;
        // Every value of either axis has its z under every y.
        ASSERT_TRUE(qv::ui::ClickListItem(List(page, 2448), static_cast<int>(c.ys.size()) - 1)) << c.what;
        EXPECT_EQ(c.xs.size(), static_cast<size_t>(List(page, 2446)->GetItemCount())) << c.what;
    }
}

// A table's size is bounded only by its bytes and memory: grids of 20,001 x 2 and 1,001 x
// 1,000 points open from their file; the first then applies and comes back byte for byte from
// the description's data file and from the archive (the second would only add time under the
// sanitizers: the benchmark takes 2,000 x 2,000 points through every step).
TEST_F(Lookup3d, LargeGridsGoThroughPageDescriptionAndArchive) {
    const struct {
        int nx, ny;
        bool whole;
    } sizes[] = {{20001, 2, true}, {1001, 1000, false}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size.nx) + " x " + std::to_string(size.ny));
        std::vector<Pt> grid;
        CPtrArray points;
        for (int j = 0; j < size.ny; ++j)
            for (int i = 0; i < size.nx; ++i) {
                grid.push_back({i * 0.5, -j * 0.25, i + j / 8.0});
                points.Add(new C3DDataPoint(grid.back().x, grid.back().y, grid.back().z));
            }
        const fs::path file = root / "doc" / "big.mdx";
        ASSERT_TRUE(WriteTableMdx3D(file.string().c_str(), &points, "", "", "", "", "", ""));
        DeletePoints(points);
        const std::string bytes = ReadFile(file);

        DWORD element = 0;
        WizardOnSheet wizard(NewWizard<C3DLookupTableWizard4>(GridRows(), &element));
        CProp3DLookupTableXY* page = wizard.Page();
        ASSERT_TRUE(qv::ui::Click(page, 2116));
        qv::UserScript::Instance().ExpectFileDialog(file.string());
        ASSERT_TRUE(qv::ui::Click(page, 2118));
        EXPECT_EQ(size.nx, List(page, 2449)->GetItemCount());
        EXPECT_EQ(size.ny, List(page, 2448)->GetItemCount());
        ASSERT_TRUE(qv::ui::ClickListItem(List(page, 2448), size.ny - 1));
        EXPECT_EQ(grid.back().z, std::stod(List(page, 2446)->GetItemText(size.nx - 1, 1).str()));
        if (!size.whole) continue;
        // The file opened is the user's: the apply writes over it after a yes.
        qv::UserScript::Instance().ExpectMessageBox(IDYES, "big.mdx already exists.\nDo you want to replace it?");
        ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
        EXPECT_TRUE(PointsOf(wizard->Points()) == grid);
        EXPECT_EQ("big.mdx", Named(editor->Holder(element), "FILE")->GetValue().str());
        fs::remove(file);
        NamedFile description((root / "model" / "desc.qvm").string());
        CString text = "X";
        EXPECT_EQ(4, wizard->WriteSimDescr(&description, "IMMANENT", text));
        EXPECT_TRUE(ReadFile(file) == bytes);

        const Bytes archive = StoredBlock(*wizard);
        C3DLookupTableWizard4 loaded;
        LoadedAt(loaded, archive);
        EXPECT_TRUE(PointsOf(loaded.Points()) == grid);
        EXPECT_TRUE(StoredBlock(loaded) == archive);
    }
}

// Import: three channels x, z, y with their units as "name[unit]"; other channel counts are
// refused; a file that cannot be read leaves the lists as they were. A text-format import is
// written back as ".mdx" beside it after message 8035.
TEST_F(Lookup3d, ImportAndExport) {
    WizardOnSheet wizard(GridWizard(nullptr));
    CProp3DLookupTableXY* page = wizard.Page();
    auto* xs = List(page, 2449);
    ASSERT_TRUE(qv::ui::EditListCell(xs, 2, 0, "7"));

    const fs::path two = root / "two.mdx";
    std::ofstream(two) << "MDX 1\nchannels 2\nitems 1\nchannel \"a\" \"\"\nchannel \"b\" \"\"\ndata\n1 2\nend\n";
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Only 3 channels allowed!");
    EXPECT_FALSE(page->ImportFile(two.string().c_str()));
    const fs::path broken = root / "broken.mdx";
    std::ofstream(broken) << "MDX 1\nchannels 3\nitems 2\nchannel \"a\" \"\"\nchannel \"b\" \"\"\nchannel \"c\" \"\"\ndata\n1 2 3\nend\n";
    qv::UserScript::Instance().ExpectMessageBox(IDOK);
    EXPECT_FALSE(page->ImportFile(broken.string().c_str()));
    EXPECT_EQ((Strings{"1", "2", "7"}), Column(xs, 0));

    const fs::path text = root / "grid.txt";
    std::ofstream(text) << "x[V] z y[s]\n5 0 1\n6 1 1\n5 2 2\n6 3 2\n";
    ASSERT_TRUE(page->ImportFile(text.string().c_str()));
    EXPECT_EQ((Strings{"5", "6"}), Column(xs, 0));
    EXPECT_EQ((Strings{"1", "2"}), Column(List(page, 2448), 0));
    EXPECT_EQ("x[V]", blocks_test::Text(page, 2275));
    EXPECT_EQ("y[s]", blocks_test::Text(page, 2276));
    EXPECT_EQ("z", blocks_test::Text(page, 2278));
    EXPECT_EQ(-1, page->GetFileFormat());
    ASSERT_TRUE(qv::ui::Click(page, 2116));
    qv::UserScript::Instance().ExpectMessageBox(
        IDOK, "The file format \"text\" cannot be written! The file will be saved as a MDX-file.");
    editor->ClearRequests();
    ASSERT_TRUE(page->ExportFile(text.string().c_str(), 0));
    EXPECT_EQ(0, page->GetFileFormat());
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_FILE_WRITTEN));
    EXPECT_EQ("MDX 1\nchannels 3\nitems 4\nchannel \"x\" \"V\"\nchannel \"z\" \"\"\nchannel \"y\" \"s\"\ndata\n"
              "5 0 1\n6 1 1\n5 2 2\n6 3 2\nend\n",
              ReadFile(root / "grid.mdx"))
        << "beside the text file it was named by";
    // An import whose grid fails its check is refused with the check's message: lists, units
    // and format stay.
    const fs::path single = root / "single.mdx";
    std::ofstream(single) << "MDX 1\nchannels 3\nitems 4\nchannel \"a\" \"\"\nchannel \"b\" \"\"\nchannel \"c\" \"\"\ndata\n"
                             "1 0 3\n2 0 3\n1 0 4\n3 0 4\nend\n";
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Error : X-values aren't repeated!");
    EXPECT_FALSE(page->ImportFile(single.string().c_str()));
    EXPECT_EQ((Strings{"5", "6"}), Column(xs, 0));
    EXPECT_EQ("x[V]", blocks_test::Text(page, 2275));
    EXPECT_EQ(0, page->GetFileFormat());
    // Unit texts come back as they were typed through an export and an import; a unit without
    // a name ("[V]") comes back as the unit alone, as the description's unnamed channels do.
    for (int id : {2273, 2274, 2277}) ASSERT_TRUE(qv::ui::Click(page, id));
    const struct {
        int id;
        const char* typed;
        const char* back;
    } texts[] = {{2275, "X[s]", "X[s]"}, {2276, "[V]", "V"}, {2278, "z", "z"}};
    for (const auto& text : texts) ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(text.id), text.typed));
    ASSERT_TRUE(page->ExportFile("round.mdx", 0));
    for (const auto& text : texts) ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(text.id), "other"));
    ASSERT_TRUE(page->ImportFile((root / "doc" / "round.mdx").string().c_str()));
    for (const auto& text : texts) EXPECT_EQ(text.back, blocks_test::Text(page, text.id)) << text.id;
}

// "Import" and "Export" ask for their files: a cancelled dialog changes nothing, a file that
// cannot be read is told and keeps the lists, and the table is exported under the chosen name
// with ".mdx" added, relative to the table's folder.
TEST_F(Lookup3d, ImportAndExportButtonsAskForTheirFiles) {
    WizardOnSheet wizard(GridWizard(nullptr));
    CProp3DLookupTableXY* page = wizard.Page();
    auto& script = qv::UserScript::Instance();
    script.ExpectFileDialogCancel();
    ASSERT_TRUE(qv::ui::Click(page, 2118));
    const fs::path two = root / "two.mdx";
    std::ofstream(two) << "MDX 1\nchannels 2\nitems 1\nchannel \"a\" \"\"\nchannel \"b\" \"\"\ndata\n1 2\nend\n";
    script.ExpectFileDialog(two.string());
    script.ExpectMessageBox(IDOK, "Only 3 channels allowed!");
    script.ExpectMessageBox(IDOK, "Error while reading file!");
    ASSERT_TRUE(qv::ui::Click(page, 2118));
    EXPECT_EQ((Strings{"1", "2", "3"}), Column(List(page, 2449), 0));

    ASSERT_TRUE(qv::ui::Click(page, 2116));
    editor->ClearRequests();
    script.ExpectFileDialog((root / "doc" / "picked").string());
    ASSERT_TRUE(qv::ui::Click(page, 2119));
    EXPECT_EQ("picked.mdx", page->GetFileName().str());
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_FILE_WRITTEN));
    EXPECT_EQ("MDX 1\nchannels 3\nitems 6\nchannel \"\" \"\"\nchannel \"\" \"\"\nchannel \"\" \"\"\ndata\n"
              "1 0 10\n2 1 10\n3 2 10\n1 10 20\n2 11 20\n3 12 20\nend\n",
              ReadFile(root / "doc" / "picked.mdx"));
}

// "Open" on a file whose points are no grid (x 1, 2, 3, 1, 2: five points, no whole number of
// blocks) is refused with the check's message: the file does not become the table's file,
// and neither the apply nor the description writes to it.
TEST_F(Lookup3d, OpenRefusesAFileThatIsNoGridAndNeverWritesIt) {
    DWORD element = 0;
    WizardOnSheet wizard(GridWizard(&element));
    CProp3DLookupTableXY* page = wizard.Page();
    ASSERT_TRUE(qv::ui::Click(page, 2116));
    const std::string before = blocks_test::Text(page, 2117);
    const fs::path bad = root / "doc" / "bad.mdx";
    const std::string rows = "MDX 1\nchannels 3\nitems 5\nchannel \"x\" \"\"\nchannel \"z\" \"\"\nchannel \"y\" \"\"\n"
                             "data\n1 0 10\n2 0 10\n3 0 10\n1 0 20\n2 0 20\nend\n";
    std::ofstream(bad) << rows;
    auto& script = qv::UserScript::Instance();
    script.ExpectFileDialog(bad.string());
    script.ExpectMessageBox(IDOK, "Error : Constant x-values aren't allowed!");
    script.ExpectMessageBox(IDOK, "Error while reading file!");
    ASSERT_TRUE(qv::ui::Click(page, 2118));
    EXPECT_EQ(before, blocks_test::Text(page, 2117));
    EXPECT_EQ((Strings{"1", "2", "3"}), Column(List(page, 2449), 0));
    ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
    EXPECT_EQ(rows, ReadFile(bad));
    EXPECT_EQ(kGrid, PointsOf(wizard->Points()));
    EXPECT_EQ(before, Named(editor->Holder(element), "FILE")->GetValue().str());
}

TEST_F(Lookup3d, ApplyAsksBeforeWritingOverTheFileItRefusedToRead) {
    qv_test::WriteFile(root / "doc" / "bad.mdx", qv_test::kFourChannels);
    DWORD element = 0;
    auto made = GridWizard(&element);
    Named(editor->Holder(element), "FILE")->SetValue("bad.mdx");
    Table3DState state;
    state.fileNameFlag = TRUE;
    CPtrArray copy;
    CopyPoints(copy, made->Points());
    made->SetData(state, copy);
    DeletePoints(copy);
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Only 3 channels allowed!");
    WizardOnSheet wizard(std::move(made));
    qv_test::ExpectApplyAsksBeforeReplacingTheRefusedFile(wizard.Sheet(), root / "doc" / "bad.mdx");
}

TEST_F(Lookup3d, SaveAsAsksBeforeReplacingTheFileItWrites) {
    WizardOnSheet wizard(GridWizard(nullptr));
    ASSERT_TRUE(qv::ui::Click(wizard.Page(), 2116));
    qv_test::ExpectSaveAsAsksBeforeReplacingTheFileItWrites(wizard.Page(), root / "doc", "");
}

// The file buttons offer the toolkit's formats with the entry of the table's file extension
// preselected (save as has only the first), starting at the table's file.
TEST_F(Lookup3d, FileButtonsPreselectTheFormatOfTheFile) {
    const struct {
        const char* file;
        DWORD readIndex;
    } cases[] = {{"grid.txt", 2}, {"grid.CSV", 3}, {"grid", 1}};
    for (const auto& c : cases) {
        WizardOnSheet wizard(GridWizard(nullptr));
        CProp3DLookupTableXY* page = wizard.Page();
        ASSERT_TRUE(qv::ui::Click(page, 2116));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2117), c.file));
        SCOPED_TRACE(c.file);
        qv_test::ExpectDataFileDialogs(page, c.readIndex, 1, (root / "doc" / c.file).string());
    }
}

TEST_F(Lookup3d, PagePaintsTheCatalogueSymbolInItsFrame) {
    DWORD element = 0;
    auto wizard = GridWizard(&element);
    editor->Holder(element)->m_SymbolTexts.SetAt(kLanguageEnglish, qv_test::CatalogueSymbol("lookup3d.json", 103));
    Open<C3DLookupTableWizard4> open(*wizard);
    using K = qv::DrawKind;
    qv_test::ExpectSymbolInFrame(open.Page(), {K::Rectangle, K::Line, K::Line, K::Line, K::Line, K::Line, K::Line});
}

Bytes OldBlock(const Bytes& page, const Bytes& points) {
    Bytes out = Dwords({7, 8});
    Block(out, {1, 2, 3});
    Block(out, page);
    Dword(out, 0);
    Block(out, points);
    return out;
}

// The page state of older data: unit flags (x and z on) and texts, the file-name flag, its own
// points (the class records take the archive's indexes in turn) and both sweeps.
Bytes PageState(const std::vector<Pt>& own) {
    Bytes page;
    NewClass(page, "CProp3DLookupTableXY");
    Dword(page, 10);
    for (DWORD flag : {1u, 0u, 1u}) Dword(page, flag);
    Str(page, "V");
    Str(page, "s");
    Str(page, "A");
    Dword(page, 1);
    Dword(page, static_cast<DWORD>(own.size()));
    for (size_t i = 0; i < own.size(); ++i) {
        if (i == 0) NewClass(page, "C3DDataPoint");
        else Word(page, 0x8002);
        Dword(page, 10);
        for (double v : {own[i].x, own[i].y, own[i].z}) Double(page, v);
    }
    const WORD sweepIndex = own.empty() ? 2 : 3;
    NewClass(page, "CDlgSweepData");
    Dword(page, 10);
    for (const char* text : {"1", "2", "3"}) Str(page, text);
    Word(page, static_cast<WORD>(0x8000 | sweepIndex));
    Dword(page, 10);
    for (const char* text : {"4", "5", "6"}) Str(page, text);
    return page;
}

// Older data: the page archive restores units, flags and both sweeps; the point block is read
// in the order x, z, y. Cut or oversized blocks keep what was read.
TEST_F(Lookup3d, OlderBlocks) {
    const Bytes page = PageState({});
    Bytes points;
    Dword(points, 4);
    for (const Pt& p : std::vector<Pt>{{1, 10, 5}, {2, 10, 6}, {1, 20, 7}, {2, 20, 8}}) {
        Double(points, p.x);
        Double(points, p.z);
        Double(points, p.y);
    }
    for (int t = 0; t < 6; ++t) Dword(points, 0);
    struct Case {
        const char* what;
        Bytes data;
        std::vector<Pt> expected;
        const char* xUnit;
        const char* ySweepStart;
    };
    const Bytes whole = OldBlock(page, points);
    Bytes hugeCount = points;
    hugeCount[3] = 0x7F;
    Bytes noPoints;
    Dword(noPoints, 0);
    for (int t = 0; t < 6; ++t) Dword(noPoints, 0);
    const std::vector<Case> cases = {
        {"whole", whole, {{1, 10, 5}, {2, 10, 6}, {1, 20, 7}, {2, 20, 8}}, "V", "4"},
        {"cut in the points", Bytes(whole.begin(), whole.end() - 30), {}, "V", "4"},
        {"oversized count", OldBlock(page, hugeCount), {}, "V", "4"},
        {"cut in the page", Bytes(whole.begin(), whole.begin() + 30), {}, "", "0"},
        {"a few bytes", {1, 2, 3}, {}, "", "0"},
        {"own points of the page state", OldBlock(PageState(kGrid), {}), kGrid, "V", "4"},
        {"a count of 0 empties the table", OldBlock(PageState(kGrid), noPoints), {}, "V", "4"},
    };
    for (const Case& c : cases) {
        DWORD element = 0;
        auto wizard = NewWizard<C3DLookupTableWizard4>(GridRows(), &element);
        editor->ClearRequests();
        EXPECT_TRUE(ConvertOlder(*wizard, c.data)) << c.what;
        EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS)) << c.what;
        EXPECT_EQ(c.expected, PointsOf(wizard->Points())) << c.what;
        EXPECT_EQ(CString(c.xUnit), wizard->GetState().xUnit) << c.what;
        EXPECT_EQ(CString(c.ySweepStart), wizard->YSweep().GetStart()) << c.what;
    }
}

// A table loaded into an open page enables the unit edits by its flags, as opening does.
TEST_F(Lookup3d, TableLoadedIntoAnOpenPageEnablesItsUnitEdits) {
    DWORD element = 0;
    auto wizard = GridWizard(&element);
    Open<C3DLookupTableWizard4> open(*wizard);
    CProp3DLookupTableXY* page = open.Page();
    for (int edit : {2275, 2276, 2278}) EXPECT_FALSE(Enabled(page, edit)) << edit;
    const Bytes data = OldBlock(PageState(kGrid), {});
    page->ConvertWizard3Data(data.data(), static_cast<long>(data.size()));
    EXPECT_EQ(kGrid, PointsOf(wizard->Points()));
    EXPECT_TRUE(Enabled(page, 2275));
    EXPECT_FALSE(Enabled(page, 2276));
    EXPECT_TRUE(Enabled(page, 2278));
}

} // namespace
