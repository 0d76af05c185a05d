// Shared ground of the semiconductor tests: the plug-in loaded for its resources, a fake
// editor that checks the request protocol, parameter sets of the seven elements built from
// small tables, and byte builders for golden archives and older data.
#pragma once

#include "afx/afxwin.h"
#include "editor/schematic_editor.h"
#include "framework/data_classes.h"
#include "framework/data_file_places.h"
#include "framework/factories.h"
#include "framework/param_list.h"
#include "power/semiconductors.h"
#include "win32/module.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace power_test {

namespace fs = std::filesystem;
using Bytes = std::vector<BYTE>;

struct ParamRow {
    WORD id;
    const char* name;
    const char* value;
    DWORD type;
    DWORD extType = 0;
    const char* quantity = "";
    const char* unit = "";
};

// The diode as the catalogue defines it: the element name starts unused, the table's two
// file parameters too.
inline const std::vector<ParamRow> kDiodeRows = {
    {.id = 2013, .name = "CHAR", .value = "", .type = 0x4, .extType = 0x20000},
    {.id = 2058, .name = "VF", .value = "0.7", .type = 0x4, .quantity = "Voltage", .unit = "V"},
    {.id = 2061, .name = "RB", .value = "10m", .type = 0x4, .quantity = "Resistance", .unit = "Ohm"},
    {.id = 2066, .name = "IS", .value = "1p", .type = 0x4, .extType = 0x20000, .quantity = "Current", .unit = "A"},
    {.id = 2068, .name = "VT", .value = "25m", .type = 0x4, .extType = 0x20000, .quantity = "Voltage", .unit = "V"},
    {.id = 2069, .name = "RR", .value = "1meg", .type = 0x4, .quantity = "Resistance", .unit = "Ohm"},
    {.id = 2016, .name = "FILE", .value = "", .type = 0x100004, .extType = 0x20000},
    {.id = 1012, .name = "CH_STRG", .value = "", .type = 0x4, .extType = 0x20000},
    {.id = 2018, .name = "V", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V"},
    {.id = 2019, .name = "I", .value = "", .type = 0x8, .quantity = "Current", .unit = "A"},
};

// The power semiconductors: the diode's parameters and the control signal.
inline std::vector<ParamRow> PowerRows() {
    std::vector<ParamRow> rows = kDiodeRows;
    rows.insert(rows.begin() + 8, ParamRow{.id = 2084, .name = "CTRL", .value = "", .type = 0x4});
    return rows;
}

// A set whose table file name goes to 1012 because it also holds 1006.
inline std::vector<ParamRow> WithNewFileParameter(std::vector<ParamRow> rows) {
    rows.push_back({.id = 1006, .name = "CH_FILE", .value = "", .type = 0x4, .extType = 0x20000});
    return rows;
}

inline std::vector<ParamRow> Without(std::vector<ParamRow> rows, WORD id) {
    std::vector<ParamRow> kept;
    for (const ParamRow& row : rows)
        if (row.id != id) kept.push_back(row);
    return kept;
}

inline std::unique_ptr<ParamHolder> MakeHolder(const std::vector<ParamRow>& rows, const char* elementName) {
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = elementName;
    for (const ParamRow& row : rows) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(row.id);
        param->SetName(row.name);
        param->SetValue(row.value);
        param->SetType(row.type);
        param->SetExtType(row.extType);
        param->SetQuantity(row.quantity);
        param->SetUnit(row.unit);
        param->SetUsedUnit(row.unit);
        holder->AddParam(param);
    }
    auto* templ = new CWizardCopaObject3;
    templ->SetName("SDB");
    holder->AddOutputTemplate(templ);
    return holder;
}

inline CWizardCopaObject3* Param(ParamHolder* holder, WORD id) {
    for (int i = 0; i < holder->GetParamCount(); ++i)
        if (holder->GetParam(i) && holder->GetParam(i)->GetValueID() == id) return holder->GetParam(i);
    return nullptr;
}

inline bool Unused(ParamHolder* holder, WORD id) { return (Param(holder, id)->GetExtType() & 0x20000) != 0; }

// The state of any of the seven wizards.
inline CSemiconductorState& StateOf(CWizardBase4& wizard) {
    if (auto* diode = dynamic_cast<CDiodeWizard4*>(&wizard)) return diode->State();
    return dynamic_cast<CSemiconductorWizardBase4&>(wizard).State();
}

// Little-endian byte builders.
inline void Word(Bytes& out, WORD value) {
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}
inline void Dword(Bytes& out, DWORD value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
}
inline void Double(Bytes& out, double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<BYTE>(bits >> (8 * i)));
}
// A short archive string: one length byte and the characters.
inline void Str(Bytes& out, const std::string& text) {
    out.push_back(static_cast<BYTE>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}
// A text of older data: DWORD length and the characters.
inline void OldText(Bytes& out, const std::string& text) {
    Dword(out, static_cast<DWORD>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}
// A class record written the first time: tag 0xFFFF, schema, name length, name.
inline void NewClass(Bytes& out, const std::string& name, WORD schema = 10) {
    Word(out, 0xFFFF);
    Word(out, schema);
    Word(out, static_cast<WORD>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
}
inline void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

struct Point {
    double x;
    double y;
};

// The characteristic table's stream as the first thing of an archive: its class gets index 1
// and the point class index 2.
inline Bytes TableBytes(DWORD source, const std::string& file, DWORD userFile, const std::vector<Point>& points,
                        const std::string& variable) {
    Bytes out;
    NewClass(out, "CPropCharacteristicXYTable");
    Dword(out, 10);
    Dword(out, 1);  // look-up table
    Str(out, "");
    Str(out, file);
    Dword(out, userFile);
    Dword(out, static_cast<DWORD>(points.size()));
    for (size_t i = 0; i < points.size(); ++i) {
        if (i == 0)
            NewClass(out, "CDataPoint");
        else
            Word(out, 0x8002);
        Dword(out, 10);
        Double(out, points[i].x);
        Double(out, points[i].y);
    }
    Dword(out, source);
    Str(out, variable);
    return out;
}

// Gives a table the state of a stream, as owners take over saved data.
inline void LoadTable(CPropCharacteristicXYTable& table, const Bytes& bytes) {
    table.SetData(bytes.data(), static_cast<int>(bytes.size()));
    ASSERT_TRUE(table.LoadFromData());
    table.SetData(nullptr, 0);
}

template <class Store>
Bytes Stored(Store store) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        store(ar);
        ar.Close();
    }
    return Bytes(file.Data(), file.Data() + file.GetLength());
}
template <class Load>
void Loaded(Bytes bytes, Load load) {
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()), 0);
    CArchive ar(&file, CArchive::load);
    load(ar);
}

inline std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A description file object that reports a path without being opened.
class NamedFile : public CFile {
public:
    explicit NamedFile(const std::string& path) { m_strFileName = path.c_str(); }
};

// The seven elements: factory ID and keyword prefix.
struct Family {
    unsigned id;
    const char* prefix;
};
inline const std::vector<Family> kFamily = {
    {8, "D"}, {9, "IGBT"}, {10, "MOS"}, {11, "BJT"}, {12, "GTO"}, {13, "TH"}, {14, "TRIAC"},
};

// The fixture: plug-in resources, a protocol-checking editor, an unexpected message box or a
// protocol breach fails the test, a scratch folder.
class PowerTest : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.dll");
        ASSERT_NE(nullptr, module);
        oldResources = AfxGetResourceHandle();
        AfxSetResourceHandle(module);
        qv::UserScript::Instance().Reset();
        qv::UserScript::Instance().SetFailureHandler([](const std::string& m) { ADD_FAILURE() << m; });
        editor = std::make_unique<qv::SchematicEditor>();
        editor->SetBreachHandler([](const std::string& m) { ADD_FAILURE() << "protocol: " << m; });
        editor->Document().SetTitle("Demo");
        root = fs::temp_directory_path() / ("parvel_power_" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "model");
        g_DocumentDir.Empty();
        g_CharacteristicSearchDirs.RemoveAll();
        g_ModelOutputDir.Empty();
    }
    void TearDown() override {
        EXPECT_EQ(0u, qv::UserScript::Instance().Pending()) << qv::UserScript::Instance().DescribePending();
        if (editor) editor->CheckAllReturned();
        editor.reset();
        qv::UserScript::Instance().SetFailureHandler(nullptr);
        g_ModelOutputDir.Empty();
        fs::remove_all(root);
        AfxSetResourceHandle(oldResources);
        if (module) FreeLibrary(module);
    }

    // A wizard made by the factory, attached to a new element of these parameters.
    std::unique_ptr<CWizardBase4> Make(unsigned id, const std::vector<ParamRow>& rows, const char* name,
                                       DWORD* element = nullptr) {
        const DWORD handle = editor->AddElement(MakeHolder(rows, name));
        std::unique_ptr<CWizardBase4> wizard(CreateWizard4Instance(id));
        EXPECT_NE(nullptr, wizard) << id;
        if (wizard) editor->Attach(*wizard, handle);
        if (element) *element = handle;
        return wizard;
    }

    template <class Wizard>
    std::unique_ptr<Wizard> NewWizard(const std::vector<ParamRow>& rows, const char* name, DWORD* element = nullptr) {
        const DWORD handle = editor->AddElement(MakeHolder(rows, name));
        auto wizard = std::make_unique<Wizard>();
        editor->Attach(*wizard, handle);
        if (element) *element = handle;
        return wizard;
    }

    std::string Description() const { return (root / "model" / "desc.qvm").string(); }

    HMODULE module = nullptr;
    HINSTANCE oldResources = nullptr;
    std::unique_ptr<qv::SchematicEditor> editor;
    fs::path root;
};

// A wizard with its page open on a sheet, as the editor opens it; closed again at the end.
template <class Wizard>
class OpenPage {
public:
    explicit OpenPage(Wizard& wizard) : m_wizard(wizard), m_sheet("Element") {
        EXPECT_TRUE(m_wizard.DoEditProperties(m_sheet, 1));
        EXPECT_TRUE(m_sheet.Create());
    }
    ~OpenPage() {
        m_sheet.DestroyWindow();
        m_wizard.EndEditProperties();
    }
    auto* Page() { return m_wizard.GetPage(); }
    CPropertySheet& Sheet() { return m_sheet; }

private:
    Wizard& m_wizard;
    CPropertySheet m_sheet;
};

} // namespace power_test
