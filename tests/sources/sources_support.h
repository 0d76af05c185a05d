// Shared ground of the source tests: the plug-in loaded for its resources, a fake editor
// that checks the request protocol, the parameter sets of the two linear sources, and byte
// builders for golden archives and older data.
#pragma once

#include "afx/afxwin.h"
#include "editor/schematic_editor.h"
#include "framework/ac_parameters.h"
#include "framework/data_classes.h"
#include "framework/param_list.h"
#include "sources/linear_sources.h"
#include "win32/module.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace sources_test {

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
    DWORD extType = 0;
};

constexpr DWORD kUnused = 0x20000;

// The voltage source as the catalogue defines it.
inline const std::vector<ParamRow> kVoltageRows = {
    {.id = 2028, .name = "EMF", .value = "10", .type = 0x4, .quantity = "Voltage", .unit = "V", .description = "EMF Value"},
    {.id = 2034, .name = "AMPL", .value = "1", .type = 0x4, .quantity = "Voltage", .unit = "V", .extType = kUnused},
    {.id = 2036, .name = "FREQ", .value = "50", .type = 0x4, .quantity = "Frequency", .unit = "Hz", .extType = kUnused},
    {.id = 2038, .name = "TPERIO", .value = "0.02", .type = 0x4, .quantity = "Time", .unit = "s", .extType = kUnused},
    {.id = 2040, .name = "TDELAY", .value = "0", .type = 0x4, .quantity = "Time", .unit = "s", .extType = kUnused},
    {.id = 2042, .name = "PHASE", .value = "0", .type = 0x4, .quantity = "Angle", .unit = "deg", .extType = kUnused},
    {.id = 2047, .name = "OFF", .value = "0", .type = 0x4, .quantity = "Voltage", .unit = "V", .extType = kUnused},
    {.id = 2049, .name = "PERIO", .value = "1", .type = 0x4, .extType = kUnused},
    {.id = 2051, .name = "TRISE", .value = "1m", .type = 0x4, .quantity = "Time", .unit = "s", .extType = kUnused},
    {.id = 2053, .name = "TFALL", .value = "1m", .type = 0x4, .quantity = "Time", .unit = "s", .extType = kUnused},
    {.id = 2055, .name = "PWIDTH", .value = "8m", .type = 0x4, .quantity = "Time", .unit = "s", .extType = kUnused},
    {.id = 2305, .name = "PARTDERIV", .value = "0", .type = 0x4},
    {.id = 2472, .name = "SPC", .value = "0", .type = 0x4},
    {.id = 2425, .name = "AC_MAG", .value = "0", .type = 0x4, .quantity = "Voltage", .unit = "V"},
    {.id = 2434, .name = "AC_PHASE", .value = "0", .type = 0x4, .quantity = "Angle", .unit = "deg"},
    {.id = 2430, .name = "AC_RE", .value = "0", .type = 0x4, .quantity = "Voltage", .unit = "V", .extType = kUnused},
    {.id = 2432, .name = "AC_IM", .value = "0", .type = 0x4, .quantity = "Voltage", .unit = "V", .extType = kUnused},
    {.id = 2018, .name = "V", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V", .description = "Voltage"},
    {.id = 2019, .name = "I", .value = "", .type = 0x8, .quantity = "Current", .unit = "A", .description = "Current"},
};

// The current source: "IS" for the value, no "SPC".
inline std::vector<ParamRow> CurrentRows() {
    std::vector<ParamRow> rows;
    for (ParamRow row : kVoltageRows) {
        if (row.id == 2472) continue;
        if (row.id == 2028) row = {.id = 2028, .name = "IS", .value = "2", .type = 0x4, .quantity = "Current",
                                   .unit = "A", .description = "Source Current"};
        rows.push_back(row);
    }
    return rows;
}

// Rows with one value changed, or without one parameter.
inline std::vector<ParamRow> WithValue(std::vector<ParamRow> rows, WORD id, const char* value) {
    for (ParamRow& row : rows)
        if (row.id == id) row.value = value;
    return rows;
}
inline std::vector<ParamRow> Without(std::vector<ParamRow> rows, WORD id) {
    std::erase_if(rows, [id](const ParamRow& row) { return row.id == id; });
    return rows;
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
        param->SetDescriptionByLangID(kLanguageEnglish, row.description);
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

inline bool Unused(ParamHolder* holder, WORD id) { return (Param(holder, id)->GetExtType() & kUnused) != 0; }

inline std::vector<std::string> SnapshotNames(const CPtrArray& list) {
    std::vector<std::string> names;
    for (INT_PTR i = 0; i < list.GetSize(); ++i)
        names.push_back(static_cast<CCopaObjectCompare*>(list.GetAt(i))->GetName().str());
    return names;
}

// A snapshot list of input snapshots with these names (the caller owns the entries).
inline void MakeSnapshots(CPtrArray& list, const std::vector<const char*>& names) {
    for (const char* name : names) {
        auto* snapshot = new CCopaObjectCompare;
        snapshot->SetName(name);
        snapshot->SetType(0x4);
        list.Add(snapshot);
    }
}
inline void FreeSnapshots(CPtrArray& list) {
    for (INT_PTR i = 0; i < list.GetSize(); ++i) delete static_cast<CCopaObjectCompare*>(list.GetAt(i));
    list.RemoveAll();
}

// Gives the wizard settings as a page hands them over on apply.
inline void Settle(CLinearSourceWizardBase4& wizard, int kind, const std::vector<const char*>& names,
                   DWORD amplitudeMode = 1, const char* rms = "", BOOL periodFixed = FALSE, int selection = 0,
                   BOOL acUse = FALSE) {
    CPtrArray list;
    MakeSnapshots(list, names);
    wizard.SetSourceSettings(kind, amplitudeMode, rms, periodFixed, selection, &list, acUse);
    FreeSnapshots(list);
}

// Little-endian byte builders.
inline void Word(Bytes& out, WORD value) {
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}
inline void Dword(Bytes& out, DWORD value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
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
// A block of older data: DWORD length, then the bytes.
inline void Block(Bytes& out, const Bytes& bytes) {
    Dword(out, static_cast<DWORD>(bytes.size()));
    Append(out, bytes);
}

// One snapshot as an archive holds it: the class record (first time) or a back-reference,
// DWORD version 10, name, DWORD type, DWORD extended type.
inline void Snapshot(Bytes& out, const std::string& name, DWORD type, DWORD extType, bool first, WORD classIndex = 1) {
    if (first)
        NewClass(out, "CCopaObjectCompare");
    else
        Word(out, static_cast<WORD>(0x8000 | classIndex));
    Dword(out, 10);
    Str(out, name);
    Dword(out, type);
    Dword(out, extType);
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

// The fixture: plug-in resources, a protocol-checking editor; an unexpected message box or a
// protocol breach fails the test.
class SourcesTest : public ::testing::Test {
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
        g_PlaceholderList.DeleteAll();
    }
    void TearDown() override {
        EXPECT_EQ(0u, qv::UserScript::Instance().Pending()) << qv::UserScript::Instance().DescribePending();
        if (editor) editor->CheckAllReturned();
        editor.reset();
        qv::UserScript::Instance().SetFailureHandler(nullptr);
        g_PlaceholderList.DeleteAll();
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
};

// A wizard with its pages open on a sheet, as the editor opens them; closed again at the end.
template <class Wizard>
class OpenPages {
public:
    explicit OpenPages(Wizard& wizard) : m_wizard(wizard), m_sheet("Element") {
        EXPECT_TRUE(m_wizard.DoEditProperties(m_sheet, 1));
        EXPECT_TRUE(m_sheet.Create());
    }
    ~OpenPages() {
        m_sheet.DestroyWindow();
        m_wizard.EndEditProperties();
    }
    auto* Page() { return m_wizard.GetPage(); }
    CPropACParameters* AC() { return m_wizard.GetACPage(); }
    CPropertySheet& Sheet() { return m_sheet; }

private:
    Wizard& m_wizard;
    CPropertySheet m_sheet;
};

inline bool Visible(CWnd* page, int id) {
    return page->GetDlgItem(id) && (page->GetDlgItem(id)->GetStyle() & WS_VISIBLE);
}
inline bool Enabled(CWnd* page, int id) { return page->GetDlgItem(id) && page->GetDlgItem(id)->IsWindowEnabled(); }
inline std::string Text(CWnd* page, int id) {
    CString text;
    page->GetDlgItem(id)->GetWindowText(text);
    return text.str();
}

} // namespace sources_test
