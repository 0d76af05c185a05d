// What the wizard fuzz targets share: the plug-in's resources loaded once (with a user profile
// of the target's own where pages keep settings there, and with the pre-compiler module for
// the expression pages), parameter sets from small tables, a wizard attached to a stand-in
// editor that ends the run on any protocol breach, and the wizard's archive block stored,
// loaded and read from a buffer (with the input copies of fuzz/input_bytes.h).
#pragma once

#include "afx/afxwin.h"
#include "editor/schematic_editor.h"
#include "framework/ac_parameters.h"
#include "framework/param_list.h"
#include "framework/requests.h"
#include "fuzz/input_bytes.h"
#include "fuzz/temp_file.h"
#include "win32/module.h"
#include "wizard/environment.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace fuzzsetup {

// The plug-in's resources for the pages the readers create; a plug-in that does not load
// ends the run, since every later result would be meaningless.
inline void LoadPlugin() {
    HMODULE module = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.dll");
    if (module == nullptr) std::abort();
    AfxSetResourceHandle(module);
}

// A user profile of the target's own in the temporary folder, removed at the end, for pages
// that keep their column widths there.
inline void UseOwnProfile(const char* name) {
    static const std::string profile = fuzzfile::TempPath(name, ".ini");
    setenv("QV_USER_PROFILE", profile.c_str(), 1);
    std::atexit([] { std::remove(profile.c_str()); });
}

// The start of a target whose pages keep their column widths in the user profile: a profile
// of the target's own, then the plug-in's resources.
inline int LoadPluginWithOwnProfile(const char* name) {
    UseOwnProfile(name);
    LoadPlugin();
    return 0;
}

// The start of a target whose expression pages use the pre-compiler module as well.
inline int LoadPluginWithPrecompiler(const char* name) {
    LoadPluginWithOwnProfile(name);
    qv::SetQuorvatixPath(PARVEL_MODULE_DIR);
    // The pages load and free the pre-compiler module; a reference held here keeps it mapped,
    // so that the fuzzer's coverage counters of the module stay valid.
    if (LoadLibraryA(PARVEL_MODULE_DIR "/Pravent.dll") == nullptr) std::abort();
    return 0;
}

// One parameter of a target's element.
struct Row {
    WORD id;
    const char* name;
    const char* value = "1";
    DWORD type = 0x4;
    const char* quantity = "";
    const char* unit = "";
};

// The element's parameter set; with deletable, every parameter may be deleted by the wizard.
template <class Holder = ParamHolder>
std::unique_ptr<Holder> MakeSet(const char* elementName, const std::vector<Row>& rows, bool deletable = false) {
    auto holder = std::make_unique<Holder>();
    holder->m_strElementName = elementName;
    for (const Row& row : rows) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(row.id);
        param->SetName(row.name);
        param->SetType(row.type);
        param->SetValue(row.value);
        param->SetQuantity(row.quantity);
        param->SetUnit(row.unit);
        param->SetUsedUnit(row.unit);
        if (deletable) param->SetDeletable(TRUE);
        holder->AddParam(param);
    }
    return holder;
}

// A wizard (made of args) attached to a new element of this set on an editor stand-in that
// ends the run on a protocol breach; run(wizard), run(wizard, editor) or run(wizard, editor,
// element), while both live.
template <class Wizard, class Run, class... Args>
void WithEditor(std::unique_ptr<ParamHolder> set, Run run, Args... args) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    Wizard wizard(args...);
    const DWORD element = editor.AddElement(std::move(set));
    editor.Attach(wizard, element);
    if constexpr (std::is_invocable_v<Run, Wizard&, qv::SchematicEditor&, DWORD>)
        run(wizard, editor, element);
    else if constexpr (std::is_invocable_v<Run, Wizard&, qv::SchematicEditor&>)
        run(wizard, editor);
    else
        run(wizard);
}

// The wizard's archive block (sheet version 4).
template <class Wizard>
std::vector<BYTE> StoreBlock(Wizard& wizard) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    wizard.Serialize(ar, eSheetVersion4);
    ar.Close();
    return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

// TRUE when the wizard loads the bytes without an archive refusal.
template <class Wizard>
bool LoadBlock(Wizard& wizard, const std::vector<BYTE>& bytes) {
    return ReadArchive(bytes, [&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
}

// A block that loads and is whole (whole(wizard, bytes): of the current schemas) is stored
// again, by a wizard of the same or a sibling class (both made of args); storing, loading and
// storing once more must give the same bytes.
template <class Loaded, class Again = Loaded, class Whole, class... Args>
void StoreLoadStore(const std::vector<BYTE>& bytes, Whole whole, Args... args) {
    Loaded loaded(args...);
    if (!LoadBlock(loaded, bytes) || !whole(loaded, bytes)) return;
    const std::vector<BYTE> first = StoreBlock(loaded);
    Again again(args...);
    if (!LoadBlock(again, first) || !whole(again, first) || StoreBlock(again) != first) std::abort();
}
// The common test of wholeness: the block's schema is the current one.
template <int Schema>
constexpr auto kSchema = [](auto& wizard, const std::vector<BYTE>&) { return wizard.GetSchema() == Schema; };

// The test of wholeness of a wizard with an AC page: that block's schema is 0 and its own
// the current one.
template <int Schema>
constexpr auto kSchemaWithAC = [](auto& wizard, const std::vector<BYTE>&) {
    return wizard.GetACSchema() == 0 && wizard.GetSchema() == Schema;
};

// A page reads blocks through LoadObjectFromBuffer, as conversions do, until one refuses;
// what it says it consumed must lie within the input.
template <class Page>
void ReadPageBlocks(Page& page, const uint8_t* data, size_t size) {
    const BYTE* cursor = data;
    size_t consumed = 0;
    while (consumed < size && LoadObjectFromBuffer(&page, &cursor, size, &consumed)) {
    }
    if (consumed > size || cursor != data + consumed) std::abort();
}

// The page's window, made from its template (a page that cannot be made ends the run), for
// read(page); the window goes afterwards.
template <class Page, class Read>
void WithWindow(Page& page, UINT templateId, Read read) {
    if (!page.Create(templateId, nullptr)) std::abort();
    read(page);
    page.DestroyWindow();
}

// What a conversion does after storing when a target checks nothing more.
struct NothingMore {
    template <class Wizard>
    void operator()(Wizard&) const {}
};

// The wizard converts element data of the older generation on this set; whatever it
// converted can be stored; then(wizard) writes or checks more.
template <class Wizard, class Then = NothingMore>
void ConvertAndStore(std::unique_ptr<ParamHolder> set, const uint8_t* data, size_t size, Then then = {}) {
    WithEditor<Wizard>(std::move(set), [&](Wizard& wizard) {
        wizard.DoConvertWizard3Data(data, static_cast<long>(size));
        StoreBlock(wizard);
        then(wizard);
    });
}

// The conversion, and then the model text written from what was converted; the placeholders
// the text made are dropped.
template <class Wizard>
void ConvertAndDescribe(std::unique_ptr<ParamHolder> set, const uint8_t* data, size_t size, const char* model) {
    ConvertAndStore<Wizard>(std::move(set), data, size, [&](Wizard& wizard) {
        CString text = model;
        wizard.WriteSimDescr(nullptr, "IMMANENT", text);
        g_PlaceholderList.DeleteAll();
    });
}

// The wizard's page, made on its fetched set as a conversion makes it, reads the blocks.
template <class Wizard, class Page>
void PageReadsBlocks(std::unique_ptr<ParamHolder> set, const uint8_t* data, size_t size) {
    WithEditor<Wizard>(std::move(set), [&](Wizard& wizard) {
        ScopedParamSet params{RequestTarget(&wizard)};
        Page page(&wizard, params.Holder());
        ReadPageBlocks(page, data, size);
    });
}

// The start every byte-driven wizard target shares: an empty input or one above 64 KiB is
// passed over; otherwise the first byte chooses what the run does and the rest is its data.
template <class Run>
int RunOnInput(const uint8_t* data, size_t size, Run run) {
    if (size == 0 || size > (1u << 16)) return 0;
    run(data[0], data + 1, size - 1);
    return 0;
}

// The start of the targets that read the whole input as an archive block (whole(bytes)) and
// then give the rest after the first byte to one of two readers, odd(rest, size) when that
// byte is odd, else even(rest, size). An input above 64 KiB is passed over.
template <class Whole, class Odd, class Even>
int RunWholeThenByFirstBit(const uint8_t* data, size_t size, Whole whole, Odd odd, Even even) {
    if (size > (1u << 16)) return 0;
    whole(std::vector<BYTE>(data, data + size));
    if (size > 0 && (data[0] & 1))
        odd(data + 1, size - 1);
    else if (size > 0)
        even(data + 1, size - 1);
    return 0;
}

// One way a target reads the bytes after the first.
using Reader = void (*)(const uint8_t* data, size_t size);

// The start of a target with several readers: the first byte, modulo their count, picks the
// reader that gets the rest. An empty input or one above 64 KiB is passed over.
template <size_t N>
int RunOneOf(const uint8_t* data, size_t size, const Reader (&readers)[N]) {
    return RunOnInput(data, size,
                      [&](uint8_t choice, const uint8_t* rest, size_t restSize) { readers[choice % N](rest, restSize); });
}

// A target's parameter set for its element.
using SetMaker = std::unique_ptr<ParamHolder> (*)();

// The reader whose bytes a Page of the Wizard reads as blocks (see PageReadsBlocks).
template <class Wizard, class Page, SetMaker Set>
void PageBlocks(const uint8_t* data, size_t size) {
    PageReadsBlocks<Wizard, Page>(Set(), data, size);
}

// The reader whose bytes the Wizard converts as older element data before it writes the
// model text into this model (see ConvertAndDescribe).
template <class Wizard, SetMaker Set, const char* Model>
void ConvertDescribed(const uint8_t* data, size_t size) {
    ConvertAndDescribe<Wizard>(Set(), data, size, Model);
}

// The reader that takes the bytes as the archive block of a Loaded wizard (made of no
// arguments) and stores, loads and stores it again by an Again wizard (see StoreLoadStore).
template <class Loaded, auto Whole, class Again = Loaded>
void RoundTrip(const uint8_t* data, size_t size) {
    StoreLoadStore<Loaded, Again>(std::vector<BYTE>(data, data + size), Whole);
}

} // namespace fuzzsetup
