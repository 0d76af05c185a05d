// Feeds arbitrary bytes to the readers of stored data of the static and function blocks. The
// first byte chooses the reader:
//   0: the maximum/minimum-over-time archive block (sheet version 4); a block that loads is
//      stored again, and storing, loading and storing once more must give the same bytes;
//   1: its data of the older wizard generation (the first DWORD);
//   2: its 4.x function parameter 1000 (the rest as the parameter's text);
//   3: the trigonometric block's data of the older wizard generation (the angle unit).
// The editor stand-in checks that every parameter set fetched is given back.
#include "blocks_math/function_blocks.h"
#include "blocks_math/max_min_time.h"
#include "editor/schematic_editor.h"
#include "win32/module.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<ParamHolder> MakeSet(const char* oldType) {
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = "B1";
    auto add = [&](WORD id, const char* name, const char* value) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(id);
        param->SetName(name);
        param->SetValue(value);
        param->SetType(0x4);
        holder->AddParam(param);
    };
    add(2186, "IN", "x");
    add(2183, "TS", "0");
    if (oldType != nullptr) add(1000, "FCT", oldType);
    return holder;
}

std::vector<BYTE> Store(CMaximumTMinimumTBlockWizard4& wizard) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    wizard.Serialize(ar, eSheetVersion4);
    ar.Close();
    return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

bool Load(CMaximumTMinimumTBlockWizard4& wizard, const std::vector<BYTE>& bytes) {
    std::vector<BYTE> copy(bytes);
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load);
    try {
        wizard.Serialize(ar, eSheetVersion4);
    } catch (CException* e) {
        e->Delete();
        return false;
    }
    return wizard.GetSchema() == 0;
}

template <class Wizard, class Run>
void WithEditor(const char* oldType, Run run) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    Wizard wizard;
    editor.Attach(wizard, editor.AddElement(MakeSet(oldType)));
    run(wizard);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    HMODULE module = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.dll");
    if (module == nullptr) std::abort();
    AfxSetResourceHandle(module);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > (1u << 16)) return 0;
    const uint8_t* rest = data + 1;
    const size_t restSize = size - 1;
    switch (data[0] % 4) {
    case 0: {
        const std::vector<BYTE> bytes(rest, rest + restSize);
        CMaximumTMinimumTBlockWizard4 loaded;
        if (Load(loaded, bytes)) {
            const std::vector<BYTE> first = Store(loaded);
            CMaximumTMinimumTBlockWizard4 again;
            if (!Load(again, first) || Store(again) != first) std::abort();
        }
        break;
    }
    case 1:
        WithEditor<CMaximumTMinimumTBlockWizard4>(nullptr, [&](CMaximumTMinimumTBlockWizard4& wizard) {
            wizard.DoConvertWizard3Data(rest, static_cast<long>(restSize));
        });
        break;
    case 2: {
        const std::string text(reinterpret_cast<const char*>(rest), restSize);
        if (text.find('\0') != std::string::npos) break;
        WithEditor<CMaximumTMinimumTBlockWizard4>(text.c_str(), [&](CMaximumTMinimumTBlockWizard4& wizard) {
            wizard.DoConvertWizard3Data(nullptr, 0);
            if (wizard.GetFunctionType() != 0 && wizard.GetFunctionType() != 1) std::abort();
        });
        break;
    }
    default:
        WithEditor<CFctSinCosTanBlockWizard4>(nullptr, [&](CFctSinCosTanBlockWizard4& wizard) {
            wizard.DoConvertWizard3Data(rest, static_cast<long>(restSize));
        });
        break;
    }
    return 0;
}
