// The two wizard bases the editor drives, the node-wizard base, and the editor's document.
//
// The virtual operations keep the order in which the editor calls through them. The
// default implementations are the ones a wizard gets when it does not override an
// operation; each says in one line what it does.
#pragma once

#include "afx/afx.h"
#include "afx/afxwin.h"
#include "wizard/environment.h"
#include "wizard/paramholder.h"

class CFile;
class CArchive;
class CPropertySheet;

// Version of the schematic sheet that the editor passes to Serialize; wizard data exists
// only for version 4.
enum ESheetVersion {
    eSheetVersion1 = 1,
    eSheetVersion2 = 2,
    eSheetVersion3 = 3,
    eSheetVersion4 = 4,
};

// The editor's document as the wizards see it: its full file name and its name.
class CQuorvatixDocument : public CObject {
public:
    CQuorvatixDocument() = default;
    CQuorvatixDocument(LPCTSTR pathName, LPCTSTR title) : m_strPathName(pathName), m_strTitle(title) {}
    const CString& GetPathName() const { return m_strPathName; }
    void SetPathName(LPCTSTR path) { m_strPathName = path; }
    const CString& GetTitle() const { return m_strTitle; }
    void SetTitle(LPCTSTR title) { m_strTitle = title; }

private:
    CString m_strPathName;
    CString m_strTitle;
};

// What both bases share: the request members the editor fills, the editor's objects, the
// non-virtual helpers and the four virtual operations both bases open with. Not a base the
// editor knows; it only keeps the two bases' code single.
class CWizardBaseCommon : public CWnd {
public:
    CWnd* m_pCommandReceiver = nullptr;      // the editor's window that answers requests
    UINT m_nMessageNumber = 0;               // the message number of every request
    DWORD m_dwElementHandle = 0;             // the element every request is about
    // Three objects the base keeps for the wizard; EndEditProperties overrides delete them
    // (DeleteOwnedObjects does it for them).
    CObject* m_pOwnedObject[3] = {nullptr, nullptr, nullptr};

    // The editor's installation folder.
    CString GetQuorvatixPath() const;

    // Picks the text for the current language from a language map, else the English one
    // (0x409), else the entry with the lowest language ID. Returns the language it picked;
    // an empty map gives empty text and 0.
    WORD GetLangDependentString(const CMap<WORD, WORD, CString, LPCTSTR>& map, CString& out) const;

    // Replaces "@DocumentFile" by the document's full file name and "@DocumentName" by its
    // name, in one forward pass (inserted text is not searched again). Without a document
    // both become empty text. Returns TRUE when anything was replaced.
    BOOL ReplacePlaceHolders(CString* text) const;

    // Deletes the three owned objects and clears their pointers.
    void DeleteOwnedObjects();

    // The first virtual operations of both bases, at the same slots in each.
    virtual void SetCommandReceiver(CWnd* receiver);      // stores the receiver
    virtual CWnd* GetCommandReceiver();                   // returns the stored receiver
    virtual void SetModel(CObject* model);                // stores the model
    virtual CObject* GetModel();                          // returns the stored model

protected:
    CWizardBaseCommon() = default;
    // Copies what the editor filled in; owned objects are not shared with the copy.
    explicit CWizardBaseCommon(const CWizardBaseCommon* other);
    ~CWizardBaseCommon() override;

    CObject* m_pModel = nullptr;
    CQuorvatixDocument* m_pDocument = nullptr;
    CObject* m_pDatabase = nullptr;
};

class CWizardBase3 : public CWizardBaseCommon {
    DECLARE_DYNAMIC(CWizardBase3)
public:
    CWizardBase3();
    explicit CWizardBase3(const CWizardBase3* other);
    ~CWizardBase3() override;

    // Takes over a block allocated with new BYTE[] (null or size 0 clears the data).
    virtual void SetAdditionalWizardData(BYTE* data, DWORD size);
    // The editor's form: the block to save with a sheet of the given version (null when none).
    virtual DWORD GetAdditionalWizardData(ESheetVersion version, BYTE** data);
    // The wizards' form: size of the block, the block itself (still the wizard's) in *data.
    virtual DWORD GetAdditionalWizardData(BYTE** data);
    virtual void SetDocument(CQuorvatixDocument* document);  // stores the document
    virtual CQuorvatixDocument* GetDocument();               // returns the stored document
    virtual void SetDatabase(CObject* database);             // stores the database
    virtual CObject* GetDatabase();                          // returns the stored database
    virtual int GetWizardKind();                              // 0: a wizard of no kind
    // Adds nothing to the sheet and returns FALSE: the base handles no mode itself.
    virtual BOOL DoEditProperties(CPropertySheet& sheet, CWizardSchematicDataExchange3* exchange, UINT mode);
    virtual void EndEditProperties();                    // deletes the owned objects
    virtual CWizardBase3* Clone();                       // null: the base cannot be cloned
    virtual BOOL DoPropertyDlg(CWizardSchematicDataExchange3* exchange);  // no dialog: FALSE
    virtual BOOL DoOutputDlg(CWizardSchematicDataExchange3* exchange);    // no dialog: FALSE
    // Leaves the model text as the editor made it and returns 4.
    virtual int WriteSimDescr(CFile* file, const CString& templ, CWizardSchematicDataExchange3* exchange);
    virtual BOOL DoConversionFrom4x(CWizardSchematicDataExchange3* exchange);  // nothing to convert: TRUE
    virtual BOOL WantChangeNotification();               // 0: no notifications wanted
    // Ignores the change.
    virtual void NotifyChanged(CWizardSchematicDataExchange3* exchange, int changeType, CWizardCopaObject3* param);
    virtual BOOL Initialize(CWizardSchematicDataExchange3* exchange);  // nothing to do: TRUE
    virtual BOOL AcceptConnection(CObject* connection);  // every connection is accepted: TRUE
    virtual BOOL CanHandleModelAgentRequests();          // 0: no model-agent support
    virtual BOOL MADoEditProperties(CPropertySheet& sheet, CWizardSchematicDataExchange3* exchange);  // FALSE
    virtual void MAEndEditProperties();                  // nothing to end
    virtual BOOL MADoPropertyDlg(CWizardSchematicDataExchange3* exchange);  // FALSE
    virtual BOOL MACopyInDB(CObject* database);          // FALSE
    virtual int MAGetParamSets(CStringArray& names);     // no parameter sets: 0
    virtual BOOL MAGetValuesForParamset(const CString& paramSet, CStringArray& values);  // FALSE
    virtual BOOL MAGetCallNameForParamset(const CString& paramSet, CString& callName);  // FALSE

private:
    BYTE* m_pAdditionalData = nullptr;
    DWORD m_dwAdditionalDataSize = 0;
};

class CWizardBase4 : public CWizardBaseCommon {
    DECLARE_DYNAMIC(CWizardBase4)
public:
    CWizardBase4();
    explicit CWizardBase4(const CWizardBase4* other);
    ~CWizardBase4() override;

    virtual void SetDocument(CQuorvatixDocument* document);  // stores the document
    virtual CQuorvatixDocument* GetDocument();               // returns the stored document
    virtual void SetDatabase(CObject* database);             // stores the database
    virtual CObject* GetDatabase();                          // returns the stored database
    virtual int GetWizardKind();                              // 0: a wizard of no kind
    // Adds nothing to the sheet and returns FALSE: the base handles no mode itself.
    virtual BOOL DoEditProperties(CPropertySheet& sheet, UINT mode);
    // Deletes the owned objects and gives the editor data handle back.
    virtual void EndEditProperties();
    virtual CWizardBase4* Clone();                        // null: the base cannot be cloned
    // Leaves the model text as the editor made it and returns 4.
    virtual int WriteSimDescr(CFile* file, const CString& templ, CString& modelText);
    virtual BOOL WantChangeNotification();               // 0: no notifications wanted
    virtual void NotifyChanged(int changeType, CWizardCopaObject3* param);  // ignores the change
    virtual BOOL Initialize(int argument);               // nothing to do: TRUE
    // Stores and loads nothing: the base has no data of its own. The editor's operation takes
    // the sheet version and deliberately stands beside the object's own Serialize(CArchive&).
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Woverloaded-virtual"
#endif
    virtual void Serialize(CArchive& ar, ESheetVersion version);
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
    virtual BOOL DoConvertWizard3Data(const void* data, long length);  // nothing to convert: TRUE
    virtual BOOL DoConversionFrom4x(void* data, long length);          // nothing to convert: TRUE
    virtual BOOL DoConversionFrom4x();                                 // nothing to convert: TRUE
    virtual BOOL WantConnectionNotification();           // 0: no notifications wanted
    virtual BOOL AcceptConnection(CObject* connection);  // every connection is accepted: TRUE
    virtual BOOL CanHandleModelAgentRequests();          // 0: no model-agent support
    virtual BOOL MADoPropertyDlg();                      // FALSE

    // The nodes a wizard could connect to; the stand-in editor offers none. Returns the count.
    int GetPossibleNodes(CPtrArray& nodes);
    // The same, narrowed as the expression pages ask: the node kinds (a mask) and whether
    // signals, parameters and the element's own nodes count. Each entry is a parameter
    // (CWizardCopaObject3) naming the node, with its Type; the stand-in editor offers none.
    int GetPossibleNodes(CPtrArray& nodes, int kinds, BOOL signals, BOOL parameters, BOOL ownNodes);
    // Deletes the entries GetPossibleNodes put in the array and empties it.
    void FreeNodeArray(CPtrArray& nodes);

    // A cookie of the editor's (request 23) that the base holds for the wizard; given back
    // with request 24 by EndEditProperties. Pointer-sized, like every cookie here.
    DWORD_PTR m_EditorDataHandle = 0;

    // Gives the editor data handle back (request 24) when it is set and a receiver exists,
    // then clears it.
    void ReleaseEditorDataHandle();
};

// Base of the node wizards; it only keeps a command receiver.
class CNodeWizBase : public CObject {
public:
    CNodeWizBase() = default;
    ~CNodeWizBase() override = default;
    virtual void SetCommandReceiver(CWnd* receiver) { m_pCommandReceiver = receiver; }
    virtual CWnd* GetCommandReceiver() { return m_pCommandReceiver; }

protected:
    CWnd* m_pCommandReceiver = nullptr;
};
