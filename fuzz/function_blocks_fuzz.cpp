// Feeds arbitrary bytes to the readers of stored data of the static and function blocks. The
// first byte chooses the reader:
//   0: the maximum/minimum-over-time archive block (sheet version 4); a block that loads is
//      stored again, and storing, loading and storing once more must give the same bytes;
//   1: its data of the older wizard generation (the first DWORD);
//   2: its 4.x function parameter 1000 (the rest as the parameter's text);
//   3: the trigonometric block's data of the older wizard generation (the angle unit);
//   4: the n-point element's 4.x lists (the second byte chooses N, the rest is split at a
//      zero byte into the threshold and the amplitude list);
//   5: the nonlinear characteristic block's archive block (sheet version 4), stored again as
//      in 0;
//   6: its data of the older wizard generation (snapshots, page record, characteristic
//      record and point block), then its model text.
// The editor stand-in checks that every parameter set fetched is given back.
#include "blocks_math/function_blocks.h"
#include "blocks_math/max_min_time.h"
#include "blocks_math/n_point_element.h"
#include "blocks_math/nonlinear_characteristic.h"
#include "editor/schematic_editor.h"
#include "framework/param_list.h"
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

template <class Wizard>
std::vector<BYTE> Store(Wizard& wizard) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    wizard.Serialize(ar, eSheetVersion4);
    ar.Close();
    return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

template <class Wizard>
bool Load(Wizard& wizard, const std::vector<BYTE>& bytes) {
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

void ConvertNPointLists(const uint8_t* data, size_t size) {
    if (size < 1) return;
    // Small counts (negative ones too), and large ones up to beyond the family limit.
    const int count = data[0] < 128 ? data[0] % 16 - 2 : (data[0] - 128) * 80;
    const std::string n = std::to_string(count);
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t cut = rest.find('\0');
    const std::string thresholds = rest.substr(0, cut);
    const std::string amplitudes = cut == std::string::npos ? std::string() : rest.substr(cut + 1);
    if (amplitudes.find('\0') != std::string::npos) return;
    auto exchange = std::make_unique<CWizardSchematicDataExchange3>();
    auto add = [&](WORD id, const char* name, const std::string& value, DWORD type) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(id);
        param->SetName(name);
        param->SetValue(value.c_str());
        param->SetType(type);
        param->SetDeletable(TRUE);
        exchange->AddParam(param);
    };
    add(2028, "N", n, 0x4);
    add(2262, "THRES", thresholds, 0x6);
    add(2133, "AMPL", amplitudes, 0x6);
    add(2262, "THRES[0]", "1", 0x4);
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    CNPointElementWizard wizard;
    const DWORD element = editor.AddElement(std::move(exchange));
    editor.Attach(wizard, element);
    wizard.DoConversionFrom4x(editor.Exchange(element));
    // No family ever grows beyond its limit.
    if (editor.Exchange(element)->GetParamCount() > 4 + 2 * 10000 + 1) std::abort();
}

// A block that loads is stored again; storing, loading and storing once more give the same
// bytes.
template <class Wizard>
void RoundTrip(const uint8_t* data, size_t size) {
    const std::vector<BYTE> bytes(data, data + size);
    Wizard loaded;
    if (!Load(loaded, bytes)) return;
    const std::vector<BYTE> first = Store(loaded);
    Wizard again;
    if (!Load(again, first) || Store(again) != first) std::abort();
}

std::unique_ptr<ParamHolder> MakeCharacteristicSet() {
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = "K1";
    auto add = [&](WORD id, const char* name, const char* value, DWORD type) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(id);
        param->SetName(name);
        param->SetValue(value);
        param->SetType(type);
        holder->AddParam(param);
    };
    add(2186, "INPUT", "x", 0x4);
    add(2016, "CH", "old.mdx", 0x4);
    add(1006, "CH_FILE", "", 0x4);
    add(1007, "CH_STRG", "", 0x4);
    add(2183, "TS", "0", 0x4);
    add(2056, "OUT", "", 0x8);
    return holder;
}

// Converts the block, then writes the model text (the inline and reference forms only: the
// file form would write a data file).
void ConvertCharacteristicBlock(const uint8_t* data, size_t size) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    CNonlinearCharacteristicWizard4 wizard;
    editor.Attach(wizard, editor.AddElement(MakeCharacteristicSet()));
    wizard.DoConvertWizard3Data(data, static_cast<long>(size));
    if (wizard.GetKind() != 0 && (wizard.GetModeWord() & qv::blocks::kModeInlineTable) == 0) return;
    CString text = "NLCHAR K1 ( @PARAMLIST);";
    wizard.WriteSimDescr(nullptr, "IMMANENT", text);
    g_PlaceholderList.DeleteAll();
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
    switch (data[0] % 7) {
    case 0:
        RoundTrip<CMaximumTMinimumTBlockWizard4>(rest, restSize);
        break;
    case 1:
        WithEditor<CMaximumTMinimumTBlockWizard4>(nullptr, [&](CMaximumTMinimumTBlockWizard4& wizard) {
            wizard.DoConvertWizard3Data(rest, static_cast<long>(restSize));
        });
        break;
    case 5:
        RoundTrip<CNonlinearCharacteristicWizard4>(rest, restSize);
        break;
    case 6:
        ConvertCharacteristicBlock(rest, restSize);
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
    case 4:
        ConvertNPointLists(rest, restSize);
        break;
    default:
        WithEditor<CFctSinCosTanBlockWizard4>(nullptr, [&](CFctSinCosTanBlockWizard4& wizard) {
            wizard.DoConvertWizard3Data(rest, static_cast<long>(restSize));
        });
        break;
    }
    return 0;
}
