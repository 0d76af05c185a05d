// Shared ground of the passive-element tests: the plug-in loaded for its resources, a fake
// editor that checks the request protocol, parameter sets built from small tables, and
// byte builders for golden archives.
#pragma once

#include "afx/afxwin.h"
#include "editor/schematic_editor.h"
#include "framework/data_classes.h"
#include "framework/data_file_places.h"
#include "framework/param_list.h"
#include "passive/resistor_conductance.h"
#include "win32/module.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace passive_test {

namespace fs = std::filesystem;
using Bytes = std::vector<BYTE>;

// One parameter of a test element.
struct ParamRow {
    WORD id;
    const char* name;
    const char* value;
    DWORD type;
    const char* quantity = "";
    const char* unit = "";
    const char* description = "";
};

// The resistor as the catalogue defines it, with a characteristic.
inline const std::vector<ParamRow> kResistorRows = {
    {.id = 2028, .name = "R", .value = "1k", .type = 0x4, .quantity = "Resistance", .unit = "Ohm",
     .description = "Resistance"},
    {.id = 2016, .name = "CH", .value = "", .type = 0x4},
    {.id = 1006, .name = "CH_FILE", .value = "", .type = 0x4},
    {.id = 1007, .name = "CH_STRG", .value = "", .type = 0x4},
    {.id = 2018, .name = "V", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V", .description = "Voltage"},
    {.id = 2019, .name = "I", .value = "", .type = 0x8, .quantity = "Current", .unit = "A", .description = "Current"},
};

inline const std::vector<ParamRow> kConductanceRows = {
    {.id = 2028, .name = "G", .value = "2m", .type = 0x4, .quantity = "Conductance", .unit = "S",
     .description = "Conductance"},
    {.id = 2016, .name = "CH", .value = "", .type = 0x4},
    {.id = 1006, .name = "CH_FILE", .value = "", .type = 0x4},
    {.id = 1007, .name = "CH_STRG", .value = "", .type = 0x4},
    {.id = 2007, .name = "QUANT", .value = "", .type = 0x4},
    {.id = 2018, .name = "V", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V", .description = "Voltage"},
    {.id = 2019, .name = "I", .value = "", .type = 0x8, .quantity = "Current", .unit = "A", .description = "Current"},
};

inline std::unique_ptr<ParamHolder> MakeHolder(const std::vector<ParamRow>& rows, const char* elementName,
                                               bool withOutputTemplate = true) {
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = elementName;
    for (const ParamRow& row : rows) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(row.id);
        param->SetName(row.name);
        param->SetValue(row.value);
        param->SetType(row.type);
        param->SetQuantity(row.quantity);
        param->SetUnit(row.unit);
        param->SetUsedUnit(row.unit);
        param->SetDescriptionByLangID(kLanguageEnglish, row.description);
        holder->AddParam(param);
    }
    if (withOutputTemplate) {
        auto* templ = new CWizardCopaObject3;
        templ->SetName("SDB");
        holder->AddOutputTemplate(templ);
    }
    return holder;
}

inline CWizardCopaObject3* Param(ParamHolder* holder, WORD id) {
    for (int i = 0; i < holder->GetParamCount(); ++i)
        if (holder->GetParam(i) && holder->GetParam(i)->GetValueID() == id) return holder->GetParam(i);
    return nullptr;
}

inline bool Unused(ParamHolder* holder, WORD id) { return (Param(holder, id)->GetExtType() & 0x20000) != 0; }

inline std::vector<std::string> SnapshotNames(const CPtrArray& list) {
    std::vector<std::string> names;
    for (INT_PTR i = 0; i < list.GetSize(); ++i)
        names.push_back(static_cast<CCopaObjectCompare*>(list.GetAt(i))->GetName().str());
    return names;
}

// Little-endian byte builders for golden archives and older data.
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
// A class record written the first time: tag 0xFFFF, schema 10, name length, name.
inline void NewClass(Bytes& out, const std::string& name) {
    Word(out, 0xFFFF);
    Word(out, 10);
    Word(out, static_cast<WORD>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
}
inline void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

struct Point {
    double x;
    double y;
};

// The characteristic table's stream. As the first thing of an archive its class gets index 1
// and the point class index 2; later in the same archive both are back-references.
inline Bytes TableBytes(DWORD kind, const std::string& file, DWORD writeFile, const std::vector<Point>& points,
                        DWORD source, const std::string& variable, bool firstInArchive = true) {
    Bytes out;
    if (firstInArchive)
        NewClass(out, "CPropCharacteristicXYTable");
    else
        Word(out, 0x8001);
    Dword(out, 10);
    Dword(out, kind);
    Str(out, "");
    Str(out, file);
    Dword(out, writeFile);
    Dword(out, static_cast<DWORD>(points.size()));
    for (size_t i = 0; i < points.size(); ++i) {
        if (i == 0 && firstInArchive)
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

// The state a page leaves in the wizard on apply, with input snapshots of these names.
inline void StoreState(CPassiveResAndConWizardBase4& wizard, DWORD lookUp, DWORD modeWord, const char* xLabel,
                       const char* yLabel, const std::vector<const char*>& names) {
    CPtrArray list;
    for (const char* name : names) {
        auto* snapshot = new CCopaObjectCompare;
        snapshot->SetName(name);
        snapshot->SetType(0x4);
        list.Add(snapshot);
    }
    wizard.StoreModeAndCompareList(lookUp, modeWord, xLabel, yLabel, &list);
    qv::passive::DeleteSnapshots(list);
}

// Archives through a storing or loading CArchive over memory.
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

// The fixture: plug-in resources, a protocol-checking editor, an unexpected message box or a
// protocol breach fails the test, a scratch folder.
class PassiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.dll");
        ASSERT_NE(nullptr, module);
        // Sheets create their pages from the resources current at that moment, so the test
        // plays an editor whose resource chain reaches the plug-in.
        oldResources = AfxGetResourceHandle();
        AfxSetResourceHandle(module);
        qv::UserScript::Instance().Reset();
        qv::UserScript::Instance().SetFailureHandler([](const std::string& m) { ADD_FAILURE() << m; });
        editor = std::make_unique<qv::SchematicEditor>();
        editor->SetBreachHandler([](const std::string& m) { ADD_FAILURE() << "protocol: " << m; });
        editor->Document().SetTitle("Demo");
        root = fs::temp_directory_path() / ("parvel_passive_" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "model");
        g_DocumentDir.Empty();
        g_CharacteristicSearchDirs.RemoveAll();
        g_ModelOutputDir.Empty();
        g_PlaceholderList.DeleteAll();
    }
    void TearDown() override {
        EXPECT_EQ(0u, qv::UserScript::Instance().Pending()) << qv::UserScript::Instance().DescribePending();
        if (editor) editor->CheckAllReturned();
        editor.reset();
        qv::UserScript::Instance().SetFailureHandler(nullptr);
        g_PlaceholderList.DeleteAll();
        g_ModelOutputDir.Empty();
        fs::remove_all(root);
        AfxSetResourceHandle(oldResources);
        if (module) FreeLibrary(module);
    }

    template <class Wizard>
    std::unique_ptr<Wizard> NewWizard(const std::vector<ParamRow>& rows, const char* name, DWORD* element = nullptr) {
        const DWORD handle = editor->AddElement(MakeHolder(rows, name));
        auto wizard = std::make_unique<Wizard>();
        editor->Attach(*wizard, handle);
        if (element) *element = handle;
        return wizard;
    }

    HMODULE module = nullptr;
    HINSTANCE oldResources = nullptr;
    std::unique_ptr<qv::SchematicEditor> editor;
    fs::path root;
};

} // namespace passive_test
