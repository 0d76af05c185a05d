// Pieces of model text that several element families write beyond the plain parameter
// list: an inline XY table, the coupling factor of two inductances, AC magnitude and phase
// lines, reciprocal and sum texts, and per-language descriptions of indexed parameters.
#pragma once

#include "afx/afx.h"
#include "wizard/copa.h"
#include "wizard/paramholder.h"

class CCopaObjectCompare;
class CWizardBaseCommon;

// Value IDs the coupling factor reads: the mutual inductance and the two self inductances.
constexpr WORD kValueIdMutualInductance = 2056;
constexpr WORD kValueIdFirstInductance = 2102;
constexpr WORD kValueIdSecondInductance = 2103;

// Appends "\nINTERN\tXY <name>( FILE := <file> );" to the model text and replaces every
// occurrence of the snapshot's placeholder (its name, "@N") by "N := <name>.VAL" (value
// reference) or by the bare name. The snapshot is renamed to newPlaceholderName (or N);
// the first parameter it then matches supplies the file name when its value is not empty.
// The table name is tableName, or "XY_<element name>_N", made unique with the editor
// (request 14). The file name is quoted unless noQuotes is set.
void BuildInternXYTable(CString* modelText, CCopaObjectCompare* snapshot, ParamHolder* holder,
                        const CWizardBaseCommon* wizard, int noQuotes, CString tableName, CString newPlaceholderName,
                        CString fileName, int valueReference);

// A value as one factor of a product: a number or a name as it stands, any other text (an
// expression, "LA+LB") in parentheses, so that the product stays the product of the two
// values. An empty text stays empty.
CString OperandText(const CString& text);

// Replaces every occurrence of the snapshot's placeholder by
// "K := (@<name of 2056>)/sqrt( <2102> * <2103>)", each inductance as its own entry of the
// parameter list gives it: the placeholder "@<name>" of one taken from a pin, else its value
// converted from its used unit (an expression in parentheses, OperandText); the snapshot loses
// its "@".
void BuildCouplingFactorText(CString* modelText, ParamHolder* holder, CCopaObjectCompare* snapshot);

// Replace the first occurrence of the snapshot's placeholder by "N := <expression>" with
// the real and imaginary parts (in their used units) in place of "@AC_RE" and "@AC_IM":
// the phase in degrees with the quadrant-correct two-argument arc tangent, the magnitude
// as the root of the sum of squares. 0 (nothing changed) when a part is missing.
BOOL BuildACPhaseExpr(CCopaObjectCompare* snapshot, ParamHolder* holder, WORD realValueID, WORD imaginaryValueID,
                      CString* modelText);
BOOL BuildACMagnitudeExpr(CCopaObjectCompare* snapshot, ParamHolder* holder, WORD realValueID,
                          WORD imaginaryValueID, CString* modelText);

// Replace the first "@AC_MAG_VAL" / "@AC_PHASE_VAL" by "<target name> := <value>", the
// value converted into the target's unit: the source parameter's value for the magnitude,
// always 0 for the phase. Nothing is written when the target is missing.
void ReplaceACMagnitude(ParamHolder* holder, CString* modelText, WORD targetValueID, WORD sourceValueID);
void ReplaceACPhase(ParamHolder* holder, CString* modelText, WORD targetValueID, WORD sourceValueID);

// The value a list entry of the model text gives a parameter of a row list (an input of the
// sum block or the equation block, a quantity of the polynomial source): the signal at the
// element's pin of the parameter's name ("<element>.<parameter>") when the row is taken from a
// pin, as the editor completes any parameter on a pin; otherwise the row's text without
// leading blanks.
CString ListEntryValue(const ParamHolder* holder, const CWizardCopaObject3* param);

// 1/x as a number when the text is a non-zero number, else the formula "1/(<text>)".
CString MakeReciprocalText(CString value);
// a + b + c as a number when all three are numbers (and the sum is finite), else the
// formula " <a> + <b> + <c>".
CString MakeSumText(CString a, CString b, CString c);

// A parameter's text as typed, in the unit it is shown in, with the parameter's quantity and
// the unit in which the simulator reads it.
struct TypedValue {
    CString text;
    CString quantity;
    CString usedUnit;
    CString unit;
};

// A parameter's value and used unit as they stand in the parameter set.
TypedValue TypedValueOf(const CWizardCopaObject3* param);
// An input as a value derived from it reads it: taken from a pin, it is the pin's signal in the
// parameter's own unit (PinSignalOf), and the text stored behind the pin is never read; else
// as above.
TypedValue TypedInputOf(const ParamHolder* holder, const CWizardCopaObject3* param);

// The text as the simulator reads it: a number converted from its used unit into the
// parameter's unit, any other text (a name, a formula) with the conversion around it
// (qv::ValueInUnit).
CString InSimulatorUnit(const TypedValue& value);

// The reciprocal and the sum of typed values (a frequency, or rise, width and fall), written in
// the used unit of `result` (a period; its text is not read). A number result is converted into
// that unit; a formula gets the conversion into it around it (qv::ValueInUnit), so that it
// means in the unit shown what it means to the simulator. The sum adds the values in the unit
// shown. With every unit the parameter's own, the texts are those of the plain forms above.
CString MakeReciprocalText(const TypedValue& value, const TypedValue& result);
CString MakeSumText(const TypedValue& a, const TypedValue& b, const TypedValue& c, const TypedValue& result);

// A time the simulator reads in the result's own unit (a table's last t, in seconds) written
// in the used unit of `result`, as the forms above write theirs: a number converted; a formula,
// and a number that the used unit cannot hold, with the conversion into it around it.
CString FromSimulatorUnit(const CString& text, const TypedValue& result);

// The amplitude of a sine given by its RMS value: the RMS value times the square root of 2 as
// a number, or the formula "<rms> * sqrt(2.0)" when the text is no number or the product is not
// finite (an expression in parentheses, OperandText). FALSE for an RMS text that is blank: such
// a text gives no amplitude, and the amplitude keeps what it holds rather than becoming a
// product with nothing in front of it.
bool AmplitudeOfRMSText(const CString& rms, CString* amplitude);

// The period a page shows for a frequency: MakeReciprocalText above; FALSE for a frequency
// that is the number 0, which leaves the period as it stands.
bool PeriodOfFrequencyText(const TypedValue& frequency, const TypedValue& period, CString* text);

// The period that a wave's parameters give: the sum of rise (2051), width (2055) and fall
// (2053) when `fromTimes`, else the reciprocal of the frequency (2036), each value read in its
// used unit and the period (2038) written in its own, as the forms above write them. FALSE
// when a parameter it needs, the period among them, is missing, and for a frequency that is
// the number 0, whose period stays as it stands, as on the pages: "1/(0)" would divide by zero
// in the model text.
BOOL DerivePeriodFromParams(ParamHolder* holder, bool fromTimes, CString* period);

// The bracket indexes ("A[3]") that occur more than once among the parameters with the
// value ID, ascending, one per line; empty when there are none.
CString ListDuplicateIndexes(ParamHolder* holder, WORD valueID);

// Give the target a description per language from the template's descriptions, each with
// its one conversion filled: the bracket index of the target's name (an integer
// conversion), the target's name, or its value (a text conversion). The templates are not
// printf formats: a conversion of another kind, and every conversion after the first, is
// copied as it stands. A null map or target does nothing.
void SetParamDescriptionsByIndex(const CLanguageTextMap* templateDescriptions, CWizardCopaObject3* target);
void SetParamDescriptionsByName(const CLanguageTextMap* templateDescriptions, CWizardCopaObject3* target);
void SetParamDescriptionsByValue(const CLanguageTextMap* templateDescriptions, CWizardCopaObject3* target);

// The model text's entry of a data file the element references by name: "FILE := "<name>"".
// The name is quoted, as the names of the files the elements write are, so that any name
// (one with a blank, a "-" or a ",") stays one value; pages refuse a name that holds a quote.
CString FileReferenceEntry(const CString& fileName);

// The text with its first conversion of the given kind ('d' for an integer, 's' for a
// text) filled from the argument; "%%" becomes "%"; everything else is copied literally.
CString FillOneConversion(const CString& text, char kind, int number, const CString& textArgument);
