// Feeds arbitrary template files to the section reader; the first line of the input is the
// key that is looked for.
#include "framework/placeholders.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    size_t keyLength = 0;
    while (keyLength < size && keyLength < 16 && text[keyLength] != '\n') ++keyLength;
    const CString key(text, static_cast<int>(keyLength));
    const size_t rest = keyLength < size ? keyLength + 1 : size;
    const CString section = ExtractTemplateSection(text + rest, size - rest, key);
    (void)section;
    CString copy(text, static_cast<int>(size));
    ReplacePlaceholder(copy, "@A", "x@A", 1);
    ReplaceEveryOccurrence(copy, "@", "@@");
    return 0;
}
