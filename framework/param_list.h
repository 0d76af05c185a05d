// The element's parameter list in the simulator's "name := value" syntax, which replaces
// "@PARAMLIST" in the model text, and the module-wide list of pending placeholders that the
// model-text writers fill afterwards.
#pragma once

#include "afx/afx.h"
#include "wizard/paramholder.h"

class CCopaObjectCompare;
class CWizardBase3;
class CWizardBaseCommon;

// The pending placeholders of the model text being written: CCopaObjectCompare snapshots
// owned by the list. A writer that processes an entry removes it and then deletes it
// (Discard does both). Entries still in the list when it is emptied or destroyed are
// deleted with it.
class CPlaceholderList : public CPtrArray {
public:
    CPlaceholderList() = default;
    ~CPlaceholderList();
    CPlaceholderList(const CPlaceholderList&) = delete;
    CPlaceholderList& operator=(const CPlaceholderList&) = delete;

    CCopaObjectCompare* GetEntry(int index) const { return static_cast<CCopaObjectCompare*>(GetAt(index)); }
    // Removes the entry at index from the list, then deletes it.
    void DiscardAt(int index);
    // Removes the given entry (when it is in the list), then deletes it. FALSE when absent.
    BOOL Discard(CCopaObjectCompare* entry);
    // Deletes every entry and empties the list.
    void DeleteAll();
};

extern CPlaceholderList g_PlaceholderList;

// Mode-word bit: text values are never quoted.
constexpr DWORD kModeNoQuotes = 0x4000;

// Builds the list from the input snapshots (CCopaObjectCompare pointers, in writing order):
// a name N gives "N := @N" (quoted for text values unless the mode word forbids it); a
// name "@N" whose parameter N is taken from a pin gives "N := @N" and the snapshot is
// renamed N; any other "@" name stays in the list as it is and a copy of its snapshot goes
// to g_PlaceholderList (and to *lastPending). Entries are separated by ", " (the last
// snapshot of the list gets " " alone). Replaces the first "@PARAMLIST" of the model text.
void BuildPinAssignmentList(CString& modelText, CPtrArray* snapshots, DWORD modeWord, ParamHolder* holder,
                            CCopaObjectCompare** lastPending);

// "name := value " for each parameter whose value ID is in the array (in the holder's
// order; a value that already holds ":=" stands alone), separated by the separator;
// replaces the first "@PARAMLIST" and returns the list. Nothing happens for a null array.
CString ReplaceParamList(const CWizardBaseCommon* wizard, ParamHolder* holder, const CUIntArray* valueIDs,
                         CString& modelText, CString separator);
// The same with the values alone.
CString ReplaceParamList2(const CWizardBaseCommon* wizard, ParamHolder* holder, const CUIntArray* valueIDs,
                          CString& modelText, CString separator);

// Forms for the older base: the model text is the exchange object's. The snapshot list and
// the mode word come from the wizard's additional data, laid out as DWORD mode word, DWORD
// snapshot count, DWORD archive length L, L bytes of archived snapshots; the values are
// written in their used units instead of as placeholders.
void BuildPinAssignmentList(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange,
                            CCopaObjectCompare** lastPending);
CString ReplaceParamList(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange, const CUIntArray* valueIDs,
                         CString separator);
CString ReplaceParamList2(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange, const CUIntArray* valueIDs,
                          CString separator);
// The snapshots of additional data laid out as DWORD mode word, DWORD count, then the
// archived snapshots up to the end of the block. A new array of new snapshots (the caller
// owns both); a block that ends early or holds bad data gives the snapshots read before.
CPtrArray* ReadSnapshotListFromWizardData(CWizardBase3* wizard);
// Empties g_PlaceholderList and returns the first DWORD of the wizard's additional data,
// or 0xFFFFFFFF when there is none.
DWORD ResetPlaceholdersAndGetModeWord(CWizardBase3* wizard);
