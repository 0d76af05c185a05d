// Helpers of the parameter-service tests: parameters and sets built in one line.
#pragma once

#include "wizard/wizard.h"

#include <memory>

namespace services_test {

inline CWizardCopaObject3* MakeParam(ParamHolder& holder, WORD valueID, const char* name, const char* value,
                                     DWORD type = 0x4) {
    auto* param = new CWizardCopaObject3;
    param->SetValueID(valueID);
    param->SetName(name);
    param->SetValue(value);
    param->SetType(type);
    holder.AddParam(param);
    return param;
}

inline CWizardCopaObject3* MakeOutputTemplate(ParamHolder& holder, const char* name) {
    auto* templ = new CWizardCopaObject3;
    templ->SetName(name);
    holder.AddOutputTemplate(templ);
    return templ;
}

} // namespace services_test

#include "framework/data_classes.h"
#include "tests/support/archive_bytes.h"

#include <cstring>
#include <vector>

namespace services_test {

using qv_test::Bytes;
using qv_test::Double;
using qv_test::Dword;
using qv_test::Dwords;
using qv_test::Loaded;
using qv_test::Stored;
// A text with a DWORD length in front.
inline void AppendText(Bytes& out, const std::string& text) { qv_test::OldText(out, text); }

// The archive bytes of snapshots stored one after another.
inline Bytes ArchivedSnapshots(const std::vector<CCopaObjectCompare*>& snapshots) {
    return Stored([&](CArchive& ar) {
        for (CCopaObjectCompare* s : snapshots) s->Serialize(ar);
    });
}

// Hands a copy of the bytes to the older base as its additional data.
inline void SetWizardData(CWizardBase3& wizard, const Bytes& bytes) {
    BYTE* block = new BYTE[bytes.size() + 1];
    if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
    wizard.SetAdditionalWizardData(block, static_cast<DWORD>(bytes.size()));
}

inline CCopaObjectCompare* Snapshot(const char* name, DWORD type = 0x4) {
    auto* snapshot = new CCopaObjectCompare;
    snapshot->SetName(name);
    snapshot->SetType(type);
    return snapshot;
}

} // namespace services_test
