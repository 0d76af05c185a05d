// Small steps that the element pages of every family take alike: the name, the "Show Name"
// check and the symbol they show first (and the name and check they give back), the caption of a parameter with its unit, and
// enabling or showing one control of the dialog by its ID.
#pragma once

#include "afx/afxwin.h"
#include "formula/grammar.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_edit_list.h"
#include "wizard/paramholder.h"
#include "wizard/wizardbase.h"

#include <initializer_list>
#include <utility>

namespace qv::pages {

// The element's name and "Show Name" check from the parameter set (left as they are without
// one) and the symbol's text in the current language (only with a wizard). The symbol drawer
// is made with the library's resources on first use and then kept by the page.
void LoadNameAndSymbol(const ParamHolder* params, const CWizardBaseCommon* wizard, CString& name, BOOL& showName,
                       CString& symbolText, CTBDrawSymbol*& symbol);

// The name and "Show Name" check a page gives back to the parameter set on apply.
void StoreNameAndShowName(ParamHolder& params, const CString& name, BOOL showName);

// The name field and the "Show Name" check exchanged with the page's members.
void ExchangeNameAndShowName(CDataExchange* pDX, CString& name, BOOL& showName);
// The opening of OnApply on every page that gives back its name: without a parameter set (or
// data-exchange object), or with a blank value field (RefuseBlankValueField below), nothing is
// written (false); else the controls are read and the name and "Show Name" go to the set.
bool StoreNameOnApply(CPropertyPage& page, ParamHolder* params, const CString& name, const BOOL& showName);

// The opening of OnApply on the pages that give the editor the name before their values:
// without a parameter set nothing is written (false); else the controls are read, the name and
// "Show Name" go to the set and the editor takes it (request 25); false when it refuses.
bool ApplyNameFirst(CPropertyPage& page, const CWizardBaseCommon* wizard, ParamHolder* params, const CString& name,
                    const BOOL& showName);

// OK's rule for the value fields of every page: a field whose control ID is the value ID of a
// parameter that the page writes (qv::pages::IsLiveInput, not on a pin, not text-valued and
// not marked unused),
// shown and enabled on an enabled page, an edit or a combo box typed into, must not be blank: its
// parameter would give the model text an assignment without a value. The first such field
// gets the focus, "Invalid value!" is shown (not on a hidden page) and FALSE is given; TRUE
// when every field holds a value. A page calls it in its OnApply before it commits.
// `otherFields` names the fields whose control ID is not their parameter's value ID, each as
// {control ID, value ID}; such a field may edit an output's value (a result's name) or a
// parameter marked unused until the page is left.
// The same walk refuses a sample time (the list 2183 or the field 2202, or a field named apart
// for one) whose text is no number while its unit list 2400 shows a unit other than the
// parameter's own (RefuseNameInOtherUnit).
BOOL RefuseBlankValueField(CWnd& page, const ParamHolder* params,
                           std::initializer_list<std::pair<int, WORD>> otherFields = {});
// OK's rule for a value typed with a unit list: the description gives the simulator every value
// in the parameter's own unit and converts only numbers, so a name or a formula ("TX", "2*0.5")
// shown in another unit ("ms") would be read in the parameter's unit, a thousand times too long.
// Such a text gives the focus to `control`, shows "Invalid value!" (not on a hidden page) and
// gives FALSE. A number, "System" chosen in a sample-time list, an empty unit list, a hidden or
// disabled field or unit list pass.
BOOL RefuseNameInOtherUnit(CWnd& page, int control, int unitList, const CWizardCopaObject3* param);
// The same rule for one field of the page that is no parameter's (a filter's cut-off, from
// which the page works out its coefficients).
BOOL RefuseBlankField(CWnd& page, int control);
// OK's rule for a field that names a data file the element references (a table given by
// reference): blank, it is refused as RefuseBlankField refuses; a name the model text cannot
// quote (qv::files::IsQuotableDataFileName) gets the focus and a message that says why (not on
// a hidden page), and FALSE is given. A field not shown or not enabled passes.
BOOL RefuseFileReferenceField(CWnd& page, int control);
// OK's refusal of the value in `control` (when it is the page's): it gets the focus,
// "Invalid value!" is shown (not on a hidden page) and FALSE is given.
BOOL RefuseField(CWnd& page, int control);

// Whether `text` is a name the element may give one of its results: a letter or "_", then
// letters, digits and "_" (the expression language's plain name, docs/formula-language.md),
// and not one of its keywords "IF" and "ELSE". The model text declares the result under that
// name, so anything else would be another text there, or none.
bool IsResultName(const CString& text);
// OK's rule for a field that gives a result its name (a measurement's output name): a field
// shown and enabled on an enabled page whose text is no name (IsResultName, blank included)
// gets the focus, "Invalid value!" is shown (not on a hidden page) and FALSE is given.
BOOL RefuseFieldWithoutName(CWnd& page, int control);

// Whether the expression language reads `text` as the model text needs it (formula::Parse in
// `mode`, every number in it finite), as describe reads it: a blank text is read as nothing.
bool ReadsAsExpression(const CString& text, formula::ParseMode mode);
// Whether `text` reads as statements of an equation list (formula::Parse in the mode Block,
// every number finite) that define or decide something: a text with a bare expression among
// its statements, or none at all, is no equation ("1+2", "VAL[1]"), and the pre-compiler
// refuses it as such. A blank text is read as nothing.
bool ReadsAsStatements(const CString& text);
// OK's rule for a field or list cell whose text the model text carries as an expression (a
// transition's condition, an equation row, a source's quantity): a text the language does not
// read (ReadsAsExpression) gives the focus to `control` (when it is the page's), shows
// "Invalid value!" (not on a hidden page) and gives FALSE; TRUE when the text reads.
BOOL RefuseUnreadableExpression(CWnd& page, int control, const CString& text, formula::ParseMode mode);
// The same rule for one column of a list whose cells the model text carries as values (the
// page's list `list`, control ID `control`): any edit open on it is taken first; a row whose
// `pinColumn` is ticked takes its value from the pin and is passed over (-1: no such column).
// The first refused row is selected.
BOOL RefuseUnreadableCells(CWnd& page, CTBEditListCtrl& list, int control, int column, int pinColumn = -1);
// What a field holds that the page, its design or the model text's families count or compute
// with. Each kind is one number as the toolkit reads it (qv::ParsePrefixedNumber: an optional
// sign, digits, an optional scale prefix, blanks around it and nothing else), finite, and:
enum class NumberNeeded {
    Count,          // a whole number from 0 to qv::family::kMaxMembers (samples, points, rows)
    PositiveCount,  // a whole number from 1 to qv::family::kMaxMembers (a dimension, samples)
    Order,          // a whole number from 0 to qv::family::kMaxMembers - 1 (index 0 to the order)
    Positive,       // a number above 0 (a delay time, a sample time a design divides by)
    Number,         // any number (a value a data file holds)
};
// Whether `text` reads as one number of that kind; the number goes to *value when given.
bool ReadsAsNumber(const CString& text, NumberNeeded kind, double* value = nullptr);
// OK's rule for such a field: a text that is not a number of the kind (ReadsAsNumber) gives the
// focus to `control`, shows "Invalid value!" (not on a hidden page) and gives FALSE. A field the
// page hides or disables (its value comes from a pin, or the mode does not use it) is passed
// over, as the user cannot change it; TRUE when the text reads.
BOOL RefuseUnlessNumber(CWnd& page, int control, const CString& text, NumberNeeded kind);
// The same rule for one column of a list whose cells a data file or a design takes as numbers:
// any edit open on it is taken first, and the first refused row is selected.
BOOL RefuseUnlessNumberCells(CWnd& page, CTBEditListCtrl& list, int control, int column, NumberNeeded kind);

// A field that shows a value derived from the stored one (a frequency for a stored period).
// While the field still shows what was derived, the stored text goes back unchanged, so that
// opening and applying the page changes nothing: a derivation there and back need not give the
// same digits (the period 0.07 shows 14.2857142857143, which gives 0.0699999999999999).
struct DerivedFieldText {
    CString stored;
    CString shown;
    void Load(const CString& storedText, const CString& shownText) {
        stored = storedText;
        shown = shownText;
    }
    CString ToStore(const CString& fieldText, const CString& derived) const { return fieldText == shown ? stored : derived; }
};

// A limit field of a page: the parameter's value ID (the field's control ID), the text typed
// and the unit list beside it (null: none).
struct LimitField {
    WORD valueID;
    const CString* text;
    const CComboBox* units;
};
// OK's rule for the upper and lower limit of an input: when both read as numbers (each in the
// unit its list shows), an upper limit below the lower one gives the focus to the upper field,
// shows "Error : The Upper Limit must be greater than the Lower Limit!" (not on a hidden page)
// and gives FALSE. A limit given as a name or a formula, or taken from a pin, is not compared,
// as only the simulator knows its value; equal limits pass (both 0 leave the input unlimited).
BOOL RefuseUpperBelowLower(CWnd& page, ParamHolder* params, const LimitField& upper, const LimitField& lower);

// OK's rule for a table whose rows the model text reads from a data file the page writes: with
// every row deleted (`empty`) the file would hold no value, so "Error : No data available -
// block length = 0" is shown (not on a hidden page) and FALSE given; TRUE otherwise.
BOOL RefuseEmptyTable(CWnd& page, bool empty);

// The editor's description of the parameter followed by its unit, as a check box's caption.
CString ParamDescriptionWithUnit(const CWizardBaseCommon* wizard, ParamHolder* params, WORD valueID);

// The caption of control `controlID` (an output switch) followed by the unit of its parameter;
// a parameter without a unit (or no such parameter) leaves the caption as it is.
void AppendUnitToCaption(CWnd& page, ParamHolder* params, int controlID, WORD valueID);

// A control the dialog does not have is passed over.
// The unit of the parameter after the caption of the page's control with the same ID
// ("Voltage [V]"); a parameter without a unit leaves the caption as it is.
void AppendParamUnitToCaption(CWnd& page, ParamHolder* params, WORD valueID);
void EnableDlgControl(CWnd& page, int id, BOOL enable);
void ShowDlgControl(CWnd& page, int id, BOOL show);

// An output box was clicked: the page reads its controls and is marked modified; the output
// takes the opposite of the state the page showed before the click, whatever the box did
// itself, is switched in the element at once and shown ticked or clear in the box.
void ClickOutputBox(CPropertyPage& page, ParamHolder* params, BOOL& flag, int controlID, WORD valueID);

} // namespace qv::pages
