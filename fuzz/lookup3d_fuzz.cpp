// Feeds arbitrary bytes to the 3D lookup table's readers of stored data. The first byte picks
// the reader: 0 the wizard's archive block (sheet version 4; a block that loads is stored,
// loaded and stored again to the same bytes), 1 the sweep-data object alone, 2 the page's
// archive (inside an older block, through the hidden page), 3 the whole older block. The
// editor stand-in checks that every parameter set fetched is given back.
#include "editor/schematic_editor.h"
#include "equations/lookup_table_3d.h"
#include "win32/module.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<ParamHolder> GridSet() {
    struct Row {
        WORD id;
        const char* name;
        DWORD type;
    };
    static const Row rows[] = {{2186, "INX", 0x4}, {2117, "FILE", 0x100006}, {2215, "INTERP", 0x6}, {2425, "VAR", 0x100006}};
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = "LUT1";
    for (const Row& row : rows) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(row.id);
        param->SetName(row.name);
        param->SetType(row.type);
        param->SetValue("");
        holder->AddParam(param);
    }
    return holder;
}

std::vector<BYTE> Store(C3DLookupTableWizard4& wizard) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    wizard.Serialize(ar, eSheetVersion4);
    ar.Close();
    return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

bool Load(C3DLookupTableWizard4& wizard, const std::vector<BYTE>& bytes) {
    if (bytes.size() < 2 || bytes[0] != 0 || bytes[1] != 0) return false;
    std::vector<BYTE> copy(bytes);
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load);
    try {
        wizard.Serialize(ar, eSheetVersion4);
    } catch (CException* e) {
        e->Delete();
        return false;
    }
    return true;
}

void LoadSweep(const std::vector<BYTE>& bytes) {
    std::vector<BYTE> copy(bytes);
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load);
    CDlgSweepData sweep;
    try {
        sweep.Serialize(ar);
    } catch (CException* e) {
        e->Delete();
    }
}

void Convert(const std::vector<BYTE>& block) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    C3DLookupTableWizard4 wizard;
    editor.Attach(wizard, editor.AddElement(GridSet()));
    wizard.DoConvertWizard3Data(block.data(), static_cast<long>(block.size()));
    Store(wizard);
}

void Dword(std::vector<BYTE>& out, DWORD value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The hidden pages keep their column widths in the per-user profile: a file of the run's
    // own, never the user's.
    const char* tmp = std::getenv("TMPDIR");
    static const std::string profile = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                                       "/lookup3d_fuzz_profile_" + std::to_string(getpid()) + ".ini";
    setenv("QV_USER_PROFILE", profile.c_str(), 1);
    std::atexit([] { std::remove(profile.c_str()); });
    HMODULE module = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.dll");
    if (module == nullptr) std::abort();
    AfxSetResourceHandle(module);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1u << 16)) return 0;
    const std::vector<BYTE> bytes(data + 1, data + size);
    switch (data[0] & 3) {
    case 0: {
        C3DLookupTableWizard4 loaded;
        if (Load(loaded, bytes)) {
            const std::vector<BYTE> first = Store(loaded);
            C3DLookupTableWizard4 again;
            if (!Load(again, first) || Store(again) != first) std::abort();
        }
        break;
    }
    case 1:
        LoadSweep(bytes);
        break;
    case 2: {
        // The bytes as the page archive of an older block without points.
        std::vector<BYTE> block;
        Dword(block, 0);
        Dword(block, 0);
        Dword(block, 0);
        Dword(block, static_cast<DWORD>(bytes.size()));
        block.insert(block.end(), bytes.begin(), bytes.end());
        Convert(block);
        break;
    }
    default:
        Convert(bytes);
        break;
    }
    return 0;
}
