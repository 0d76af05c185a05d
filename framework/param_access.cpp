#include "framework/param_access.h"

#include "framework/data_classes.h"
#include "toolkit/tb_units.h"
#include "wizard/wizardbase.h"

namespace {

constexpr DWORD kTypeFieldClear = 0xEF0000;
const char kOutputTemplateName[] = "SDB";

// Live (not deleted) parameter at index i (below the count), or null; read in place, as the
// look-ups below walk whole sets hundreds of times per element.
CWizardCopaObject3* LiveParam(ParamHolder* holder, int i) {
    auto* param = static_cast<CWizardCopaObject3*>(holder->m_Params.GetData()[i]);
    return (param != nullptr && !param->IsDeleted()) ? param : nullptr;
}

CWizardCopaObject3* FindBySnapshot(const CCopaObjectCompare* snapshot, ParamHolder* holder) {
    if (snapshot == nullptr || holder == nullptr) return nullptr;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = LiveParam(holder, i);
        if (param != nullptr && snapshot->IsSame(param)) return param;
    }
    return nullptr;
}

void SetExtBit(CWizardCopaObject3* param, BOOL on) {
    param->SetExtType(on ? (param->GetExtType() | kParamExtUnused) : (param->GetExtType() & ~kParamExtUnused));
}

// An output entry belongs to a parameter when its template link names the parameter or
// the editor object behind it (a null editor link matches nothing), and to a template
// when it carries the template's name.
bool BelongsTo(const CWizardCopaObject3* entry, const CWizardCopaObject3* param, const CWizardCopaObject3* templ) {
    if (entry == nullptr) return false;
    const CObject* link = entry->GetTemplateObject();
    const bool ofParam = link != nullptr && (link == param || link == param->GetCopaObject());
    return ofParam && entry->GetName() == templ->GetName();
}

bool IsOutputTemplate(const CWizardCopaObject3* templ) {
    return templ != nullptr && templ->GetName() == kOutputTemplateName;
}

bool HasLiveOutput(ParamHolder* holder, const CWizardCopaObject3* param, const CWizardCopaObject3* templ) {
    for (int i = holder->GetOutputInstanceCount() - 1; i >= 0; --i) {
        const CWizardCopaObject3* entry = holder->GetOutputInstance(i);
        if (BelongsTo(entry, param, templ) && !entry->IsDeleted()) return true;
    }
    return false;
}

void SwitchOutputs(ParamHolder* holder, CWizardCopaObject3* param, bool on) {
    for (int t = 0; t < holder->GetOutputTemplateCount(); ++t) {
        CWizardCopaObject3* templ = holder->GetOutputTemplate(t);
        if (!IsOutputTemplate(templ)) continue;
        if (on) {
            if (HasLiveOutput(holder, param, templ)) continue;
            CWizardCopaObject3* entry = CWizardCopaObject3::CreateWizCopa(templ);
            if (entry == nullptr) continue;
            entry->SetDeletable(TRUE);
            entry->SetCopaObject(nullptr);
            entry->SetTemplateObject(param);
            holder->AddOutputInstance(entry);
        } else {
            // Every live entry is switched off, so that "off" holds afterwards; an entry
            // that may not be deleted stays live.
            for (int i = holder->GetOutputInstanceCount() - 1; i >= 0; --i) {
                CWizardCopaObject3* entry = holder->GetOutputInstance(i);
                if (BelongsTo(entry, param, templ) && !entry->IsDeleted()) entry->Delete();
            }
        }
    }
}

void ReadOutputs(ParamHolder* holder, const CWizardCopaObject3* param, BOOL* out) {
    for (int t = 0; t < holder->GetOutputTemplateCount(); ++t) {
        const CWizardCopaObject3* templ = holder->GetOutputTemplate(t);
        if (!IsOutputTemplate(templ)) continue;
        const BOOL live = HasLiveOutput(holder, param, templ) ? 1 : 0;
        if (out != nullptr) *out = live;
    }
}

} // namespace

CWizardCopaObject3* FindParamByValueID(ParamHolder* holder, WORD valueID) {
    if (holder == nullptr) return nullptr;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = LiveParam(holder, i);
        if (param != nullptr && param->GetValueID() == valueID) return param;
    }
    return nullptr;
}

CWizardCopaObject3* FindParamByName(ParamHolder* holder, CString name) {
    if (holder == nullptr) return nullptr;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = LiveParam(holder, i);
        if (param != nullptr && param->GetName() == name && (param->GetType() & kParamTypeInput) != 0) return param;
    }
    return nullptr;
}

BOOL HasParamWithValueID(ParamHolder* holder, WORD valueID) {
    return FindParamByValueID(holder, valueID) != nullptr ? 1 : 0;
}

int IndexOfParam(ParamHolder* holder, const CWizardCopaObject3* param) {
    if (holder == nullptr || param == nullptr) return -1;
    for (int i = 0; i < holder->GetParamCount(); ++i)
        if (holder->GetParam(i) == param) return i;
    return -1;
}

CString GetParamValueBySnapshot(const CCopaObjectCompare* snapshot, ParamHolder* holder) {
    const CWizardCopaObject3* param = FindBySnapshot(snapshot, holder);
    return param != nullptr ? param->GetValue() : CString();
}

CString GetParamValueInUsedUnit(const CCopaObjectCompare* snapshot, ParamHolder* holder) {
    const CWizardCopaObject3* param = FindBySnapshot(snapshot, holder);
    return param != nullptr ? ValueInUsedUnit(param) : CString();
}

BOOL GetParamValue(ParamHolder* holder, WORD valueID, CString* out) {
    const CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    if (param == nullptr) return 0;
    if (out != nullptr) *out = param->GetValue();
    return 1;
}

BOOL SetParamValue(ParamHolder* holder, WORD valueID, CString value) {
    CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    if (param == nullptr) return 0;
    param->SetValue(value);
    return 1;
}

BOOL GetParamUnit(ParamHolder* holder, WORD valueID, CString* out) {
    const CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    if (param == nullptr) return 0;
    if (out != nullptr) *out = param->GetUnit();
    return 1;
}

BOOL ConvertParamUnit(ParamHolder* holder, WORD valueID, CString* out) {
    const CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    if (param == nullptr) return 0;
    if (out != nullptr) *out = ValueInUsedUnit(param);
    return 1;
}

BOOL GetParamPlaceholderText(ParamHolder* holder, WORD valueID, CString** out) {
    const CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    if (param == nullptr) return 0;
    if (out != nullptr) {
        if (*out == nullptr) *out = new CString;
        **out = "@" + param->GetName();
    }
    return 1;
}

void AppendUnitSuffix(CString* caption, CString unit) {
    if (caption == nullptr || unit.IsEmpty()) return;
    *caption += " [" + unit + "]";
}

BOOL SetParamUsePin(ParamHolder* holder, WORD valueID, BOOL on) {
    CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    if (param == nullptr) return 0;
    param->UsePin(on);
    return 1;
}

BOOL SetParamUsePinByPtr(ParamHolder* holder, CWizardCopaObject3* param, BOOL on) {
    if (IndexOfParam(holder, param) < 0) return 0;
    param->UsePin(on);
    return 1;
}

BOOL GetParamUsePin(ParamHolder* holder, WORD valueID, BOOL* out) {
    const CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    if (param == nullptr) return 0;
    if (out != nullptr) *out = param->HasPin() ? 1 : 0;
    return 1;
}

BOOL IsParamNotOnPin(ParamHolder* holder, WORD valueID) {
    const CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    return (param == nullptr || !param->HasPin()) ? 1 : 0;
}

namespace {

// Makes a parameter flow in one direction: a parameter that flowed the other way loses its
// pin as well as that direction.
BOOL SetParamDirection(ParamHolder* holder, WORD valueID, DWORD direction, DWORD other) {
    CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    if (param == nullptr) return 0;
    DWORD type = param->GetType();
    if (type & other) type &= ~kParamTypeUsePin;
    param->SetType((type & ~other) | direction);
    return 1;
}

} // namespace

BOOL SetParamAsInput(ParamHolder* holder, WORD valueID) {
    return SetParamDirection(holder, valueID, kParamTypeInput, kParamTypeOutput);
}

BOOL SetParamAsOutput(ParamHolder* holder, WORD valueID) {
    return SetParamDirection(holder, valueID, kParamTypeOutput, kParamTypeInput);
}

BOOL SetParamTypeField(ParamHolder* holder, WORD valueID) {
    CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    if (param == nullptr) return 0;
    param->SetType((param->GetType() & ~kTypeFieldClear) | kParamTypeText);
    return 1;
}

BOOL SetParamExtBit(ParamHolder* holder, WORD valueID, BOOL on) {
    if (holder == nullptr) return 0;
    BOOL found = 0;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = LiveParam(holder, i);
        if (param == nullptr || param->GetValueID() != valueID) continue;
        SetExtBit(param, on);
        found = 1;
    }
    return found;
}

BOOL SetParamExtBitByName(ParamHolder* holder, CString name, BOOL on) {
    if (holder == nullptr) return 0;
    BOOL found = 0;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = LiveParam(holder, i);
        if (param == nullptr || param->GetName() != name) continue;
        SetExtBit(param, on);
        found = 1;
    }
    return found;
}

BOOL SetParamExtBitByPtr(ParamHolder* holder, CWizardCopaObject3* param, BOOL on) {
    if (holder == nullptr || param == nullptr) return 0;
    BOOL found = 0;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        if (holder->GetParam(i) != param) continue;
        SetExtBit(param, on);
        found = 1;
    }
    return found;
}

BOOL GetParamExtBit(ParamHolder* holder, WORD valueID, BOOL* out) {
    const CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    if (param == nullptr) return 0;
    if (out != nullptr) *out = (param->GetExtType() & kParamExtUnused) ? 1 : 0;
    return 1;
}

BOOL SetParamOnSheetMode(ParamHolder* holder, WORD valueID, char mode) {
    CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    if (param == nullptr) return 0;
    param->SetOnSheetMode(mode);
    return 1;
}

BOOL GetParamOnSheetMode(ParamHolder* holder, WORD valueID, char* out) {
    if (holder == nullptr) return 0;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        const CWizardCopaObject3* param = LiveParam(holder, i);
        if (param == nullptr || param->GetValueID() != valueID || (param->GetType() & kParamTypeInput) == 0) continue;
        if (out != nullptr) *out = param->GetOnSheetMode();
        return 1;
    }
    return 0;
}

namespace {
CString LanguageText(const CWizardBaseCommon* wizard, ParamHolder* holder, WORD valueID, bool info) {
    const CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    CString text;
    if (wizard == nullptr || param == nullptr) return text;
    wizard->GetLangDependentString(info ? param->GetInfoMap() : param->GetDescriptionMap(), text);
    return text;
}
} // namespace

CString GetParamInfoText(const CWizardBaseCommon* wizard, ParamHolder* holder, WORD valueID) {
    return LanguageText(wizard, holder, valueID, true);
}
CString GetParamDescriptionText(const CWizardBaseCommon* wizard, ParamHolder* holder, WORD valueID) {
    return LanguageText(wizard, holder, valueID, false);
}

BOOL SetSDBOutput(ParamHolder* holder, WORD valueID, BOOL on) {
    CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    if (param == nullptr) return 0;
    SwitchOutputs(holder, param, on != 0);
    return 1;
}

BOOL SetSDBOutputForParam(ParamHolder* holder, CWizardCopaObject3* param, BOOL off) {
    if (IndexOfParam(holder, param) < 0) return 0;
    SwitchOutputs(holder, param, off == 0);
    return 1;
}

BOOL GetSDBOutput(ParamHolder* holder, WORD valueID, BOOL* out) {
    const CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    if (param == nullptr) return 0;
    ReadOutputs(holder, param, out);
    return 1;
}

BOOL GetSDBOutputForParam(ParamHolder* holder, CWizardCopaObject3* param, BOOL* out) {
    if (IndexOfParam(holder, param) < 0) return 0;
    ReadOutputs(holder, param, out);
    return 1;
}

bool qv::pages::IsLiveInput(const CWizardCopaObject3* param) {
    return param != nullptr && !param->IsDeleted() && (param->GetType() & kParamTypeInput) != 0;
}
