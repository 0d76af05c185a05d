// Controls of the characteristic table's dialog (template 2594), for the table's state and
// its page alike.
#pragma once

namespace qv::xytable {

enum : int {
    kGroupReference = 2389,
    kRadioReference = 2111,
    kStaticComponent = 2390,
    kEditReference = 2113,
    kStaticHint = 2391,
    kRadioLookUp = 2114,
    kRadioFileReference = 2330,
    kStaticVariable = 2394,
    kEditVariable = 2395,
    kRadioDataPairs = 2397,
    kList = 2121,
    kButtonNew = 1122,
    kButtonDelete = 1123,
    kButtonDeleteAll = 1124,
    kButtonUp = 1125,
    kButtonDown = 1126,
    kCheckFileName = 2116,
    kEditFileName = 2117,
    kButtonImport = 2118,
    kButtonExport = 2119,
    kButtonShow = 2217,
    kStaticMonotonic = 2120,
};

} // namespace qv::xytable
