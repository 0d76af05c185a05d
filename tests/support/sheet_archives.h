// A wizard's archive at any sheet version and a wizard loaded from bytes at one, for the tests
// that store or read older sheet versions too.
#pragma once

#include "tests/support/archive_bytes.h"

namespace qv_test {

template <class Wizard>
Bytes StoredAt(Wizard& wizard, ESheetVersion version) {
    return Stored([&](CArchive& ar) { wizard.Serialize(ar, version); });
}

template <class Wizard>
void LoadedAt(Wizard& wizard, const Bytes& bytes, ESheetVersion version = eSheetVersion4) {
    Loaded(bytes, [&](CArchive& ar) { wizard.Serialize(ar, version); });
}

} // namespace qv_test
