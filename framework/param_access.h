// The parameter function library: every wizard and page reads and writes an element's
// parameters through these functions. A parameter is found by its value ID (the dialog
// control ID of the field that edits it): the first non-null entry of the holder's
// parameter array with that ID. Entries marked deleted are on their way out of the set and
// are passed over like null entries. Out-arguments may be null. Functions that report a
// find return 1 when the parameter exists and 0 otherwise, and then write nothing.
#pragma once

#include "afx/afx.h"
#include "toolkit/tb_units.h"
#include "wizard/paramholder.h"

class CCopaObjectCompare;
class CWizardBaseCommon;

// Type bits of a parameter that this library reads or writes.
constexpr DWORD kParamTypeUsePin = 0x80000000u;
constexpr DWORD kParamTypeInput = 0x4;
constexpr DWORD kParamTypeOutput = 0x8;
constexpr DWORD kParamTypeInOut = 0x10;
constexpr DWORD kParamTypeNoList = 0x2;
constexpr DWORD kParamTypeText = 0x100000;
// ExtType bit set by the pages on parameters that the element's current form does not use.
constexpr DWORD kParamExtUnused = 0x20000;

// Lookup.
CWizardCopaObject3* FindParamByValueID(ParamHolder* holder, WORD valueID);
// The first parameter of that exact name whose Type has the input bit.
CWizardCopaObject3* FindParamByName(ParamHolder* holder, CString name);
BOOL HasParamWithValueID(ParamHolder* holder, WORD valueID);
// Index in the parameter array, or -1 (also for null arguments).
int IndexOfParam(ParamHolder* holder, const CWizardCopaObject3* param);
// The value of the first parameter the snapshot accepts; empty when none.
CString GetParamValueBySnapshot(const CCopaObjectCompare* snapshot, ParamHolder* holder);
// The same value in the parameter's own unit (ValueInUsedUnit); empty when none.
CString GetParamValueInUsedUnit(const CCopaObjectCompare* snapshot, ParamHolder* holder);

// Values and units.
BOOL GetParamValue(ParamHolder* holder, WORD valueID, CString* out);
BOOL SetParamValue(ParamHolder* holder, WORD valueID, CString value);
BOOL GetParamUnit(ParamHolder* holder, WORD valueID, CString* out);
BOOL ConvertParamUnit(ParamHolder* holder, WORD valueID, CString* out);
// "@" followed by the name; when *out is null a new CString is created for the caller.
BOOL GetParamPlaceholderText(ParamHolder* holder, WORD valueID, CString** out);
// Appends " [unit]" to the caption when the unit is not empty.
void AppendUnitSuffix(CString* caption, CString unit);
// The parameter's value, typed in its used unit, in the parameter's own unit, the one the
// simulator reads: a number converted, a name or formula with the conversion around it
// (qv::ValueInUnit). A result's name or a text stands as it is. Inline, as the editor's
// describe writes every value through it.
inline CString ValueInUsedUnit(const CWizardCopaObject3* param) {
    // A result's name and a text are names, which no unit scales.
    if ((param->GetType() & (kParamTypeOutput | kParamTypeText)) != 0) {
        CString converted;
        TBConvertUnits(param->GetQuantity(), param->GetUsedUnit(), param->GetValue(), param->GetUnit(), converted);
        return converted;
    }
    return qv::ValueInUnit(param->GetQuantity(), param->GetUsedUnit(), param->GetValue(), param->GetUnit());
}

// The signal at the element's pin of the parameter's name, "<element>.<parameter>": what a
// parameter taken from a pin is, as the editor completes its own entry of the parameter list.
inline CString PinSignalOf(const ParamHolder* holder, const CWizardCopaObject3* param) {
    return (holder != nullptr ? holder->m_strElementName : CString()) + "." + param->GetName();
}

// What a value the element derives from an input (a period, an AC magnitude) reads of it, in the
// input's own unit: the pin's signal for an input taken from a pin, whose stored text stands
// for nothing, else its value converted from its used unit (ValueInUsedUnit).
inline CString InputInOwnUnit(const ParamHolder* holder, const CWizardCopaObject3* param) {
    return param->HasPin() ? PinSignalOf(holder, param) : ValueInUsedUnit(param);
}

// Pin use, direction and flags.
BOOL SetParamUsePin(ParamHolder* holder, WORD valueID, BOOL on);
BOOL SetParamUsePinByPtr(ParamHolder* holder, CWizardCopaObject3* param, BOOL on);
BOOL GetParamUsePin(ParamHolder* holder, WORD valueID, BOOL* out);
// 1 when there is no holder, no such parameter, or it does not use a pin.
BOOL IsParamNotOnPin(ParamHolder* holder, WORD valueID);
BOOL SetParamAsInput(ParamHolder* holder, WORD valueID);
BOOL SetParamAsOutput(ParamHolder* holder, WORD valueID);
// Type := (Type & ~0xEF0000) | 0x100000: the value is text.
BOOL SetParamTypeField(ParamHolder* holder, WORD valueID);
// The ExtType bit 0x20000 of every matching parameter; 1 when at least one matched.
BOOL SetParamExtBit(ParamHolder* holder, WORD valueID, BOOL on);
BOOL SetParamExtBitByName(ParamHolder* holder, CString name, BOOL on);
BOOL SetParamExtBitByPtr(ParamHolder* holder, CWizardCopaObject3* param, BOOL on);
BOOL GetParamExtBit(ParamHolder* holder, WORD valueID, BOOL* out);
BOOL SetParamOnSheetMode(ParamHolder* holder, WORD valueID, char mode);
// The on-sheet mode of the first parameter with the ID whose Type has the input bit.
BOOL GetParamOnSheetMode(ParamHolder* holder, WORD valueID, char* out);

// Language-dependent texts, chosen by the wizard's base (either base); empty when the
// parameter (or the wizard) is missing.
CString GetParamInfoText(const CWizardBaseCommon* wizard, ParamHolder* holder, WORD valueID);
CString GetParamDescriptionText(const CWizardBaseCommon* wizard, ParamHolder* holder, WORD valueID);

// Result outputs: the output entries made from the "SDB" templates. Switching on appends
// a new entry when no live one exists; switching off marks the live entries deleted
// (entries that may not be deleted stay live). 1 when the parameter exists.
BOOL SetSDBOutput(ParamHolder* holder, WORD valueID, BOOL on);
// The same by pointer with the flag the other way round (non-zero switches off); 0 for a
// pointer that is null or not in the array.
BOOL SetSDBOutputForParam(ParamHolder* holder, CWizardCopaObject3* param, BOOL off);
// out := whether a live output exists (the last "SDB" template decides; not written when
// there is no "SDB" template).
BOOL GetSDBOutput(ParamHolder* holder, WORD valueID, BOOL* out);
BOOL GetSDBOutputForParam(ParamHolder* holder, CWizardCopaObject3* param, BOOL* out);

namespace qv::pages {
// A parameter that is there, not marked deleted, and an input (the pages show and write only those).
bool IsLiveInput(const CWizardCopaObject3* param);

// Calls `visit(param)` for every parameter of the set that is there and not marked deleted, in
// the set's order; a null set has none.
template <class Visit>
void ForEachPresentParam(ParamHolder* holder, Visit visit) {
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param != nullptr && !param->IsDeleted()) visit(param);
    }
}

// Calls `visit(param)` for every parameter of the set that a page reads and writes
// (IsLiveInput), in the set's order; a null set has none.
template <class Visit>
void ForEachPageInput(ParamHolder* holder, Visit visit) {
    ForEachPresentParam(holder, [&visit](CWizardCopaObject3* param) {
        if (IsLiveInput(param)) visit(param);
    });
}
} // namespace qv::pages
