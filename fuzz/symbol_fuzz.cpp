// Symbol texts come from the element catalogue and from stored schematics: reading one must
// either give a drawable symbol or a clear refusal, and drawing must stay inside the DC's
// display list whatever the coordinates and mask.
#include "afx/dc.h"
#include "toolkit/tb_draw_symbol.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte picks the variant, the rest is the symbol text.
    const DWORD mask = data[0];
    CString text(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));

    CTBDrawSymbol symbol(CRect(0, 0, 200, 120));
    symbol.SetCurMask(mask);
    if (!symbol.LoadSymbols(text)) {
        // A refused text leaves an empty symbol and says why.
        if (symbol.GetCommandCount() != 0 || symbol.GetErrorText().IsEmpty()) __builtin_trap();
        return 0;
    }
    CDC dc;
    symbol.Draw(&dc);
    return 0;
}
