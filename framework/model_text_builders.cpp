#include "framework/model_text_builders.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <system_error>

#include "framework/data_classes.h"
#include "framework/param_access.h"
#include "framework/placeholders.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
#include "framework/waveform_ids.h"
#include "toolkit/tb_numbers.h"
#include "toolkit/tb_units.h"
#include "wizard/wizardbase.h"

namespace {

CString WithoutAt(CString name) {
    name.Remove('@');
    return name;
}

// An inductance as the product under the coupling factor's root takes it: what the inductance's
// own entry in the parameter list gives. That is the pin's signal for one taken from a pin (the
// entry's own placeholder, which the editor fills), else its value in the simulator's unit.
CString InductanceOperand(ParamHolder* holder, WORD valueID) {
    const CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    if (param == nullptr) return CString();
    if (param->HasPin()) return "@" + param->GetName();
    return OperandText(ValueInUsedUnit(param));
}

// Fills "@AC_RE" and "@AC_IM" in one forward pass, so that a part which itself holds one
// of the placeholders is inserted as it stands.
CString FillRealImaginary(const CString& expression, const CString& real, const CString& imaginary) {
    static const char kReal[] = "@AC_RE";
    static const char kImaginary[] = "@AC_IM";
    const std::string source = expression.str();
    std::string result;
    size_t i = 0;
    while (i < source.size()) {
        if (source.compare(i, sizeof kReal - 1, kReal) == 0) {
            result += real.str();
            i += sizeof kReal - 1;
        } else if (source.compare(i, sizeof kImaginary - 1, kImaginary) == 0) {
            result += imaginary.str();
            i += sizeof kImaginary - 1;
        } else {
            result += source[i++];
        }
    }
    return CString(std::string_view(result));
}

BOOL BuildACExpression(CCopaObjectCompare* snapshot, ParamHolder* holder, WORD realValueID, WORD imaginaryValueID,
                       CString* modelText, const char* formula) {
    if (snapshot == nullptr || modelText == nullptr) return 0;
    const CWizardCopaObject3* real = FindParamByValueID(holder, realValueID);
    const CWizardCopaObject3* imaginary = FindParamByValueID(holder, imaginaryValueID);
    if (real == nullptr || imaginary == nullptr) return 0;
    const CString name = snapshot->GetName();
    const CString expression =
        FillRealImaginary(WithoutAt(name) + " := " + formula, InputInOwnUnit(holder, real), InputInOwnUnit(holder, imaginary));
    ReplacePlaceholder(*modelText, name, expression, 0);
    return 1;
}

// The source is read in its used unit (null: `text` in the target's) and written in the target's
// unit. A value of another parameter converts as what it is: an absolute temperature taken as an
// AC magnitude keeps its offset (20 degrees Celsius give 293.15 K), so that the magnitude does
// not depend on the unit the value was typed in.
void ReplaceACLine(ParamHolder* holder, CString* modelText, WORD targetValueID, const TypedValue* source,
                   const char* text, const char* placeholder) {
    if (modelText == nullptr) return;
    const CWizardCopaObject3* target = FindParamByValueID(holder, targetValueID);
    if (target == nullptr) return;
    const TypedValue reading = source != nullptr ? *source : TypedValue{text, {}, target->GetUsedUnit(), {}};
    const CString quantity = reading.quantity.IsEmpty() ? target->GetQuantity() : reading.quantity;
    const CString converted = qv::ValueInUnit(quantity, reading.usedUnit, reading.text, target->GetUnit());
    ReplacePlaceholder(*modelText, placeholder, target->GetName() + " := " + converted, 0);
}

bool IsFlag(char c) { return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0'; }
bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }

void SetDescriptions(const CLanguageTextMap* templ, CWizardCopaObject3* target, char kind, int number,
                     const CString& textArgument) {
    if (templ == nullptr || target == nullptr) return;
    CLanguageTextMap descriptions;
    descriptions.InitHashTable(17);
    POSITION pos = templ->GetStartPosition();
    while (pos != nullptr) {
        WORD language = 0;
        CString text;
        templ->GetNextAssoc(pos, language, text);
        descriptions.SetAt(language, FillOneConversion(text, kind, number, textArgument));
    }
    target->SetDescriptionMap(descriptions);
}

} // namespace

CString OperandText(const CString& text) {
    if (text.IsEmpty()) return text;
    const std::string& chars = text.str();
    const auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
    const auto nameStart = [&](char c) { return letter(c) || c == '_'; };
    const auto nameChar = [&](char c) {
        return nameStart(c) || std::isdigit(static_cast<unsigned char>(c)) != 0 || c == '.';
    };
    if (nameStart(chars.front()) && std::all_of(chars.begin(), chars.end(), nameChar)) return text;
    // A number, however large, with a scale prefix or a unit after it ("1e308", "4.7k").
    const char* const begin = chars.data();
    const char* const last = begin + chars.size();
    double ignored = 0.0;
    const std::from_chars_result read = std::from_chars(begin, last, ignored);
    const bool number = read.ptr != begin && (read.ec == std::errc() || read.ec == std::errc::result_out_of_range);
    if (number && std::all_of(read.ptr, last, letter)) return text;
    return "(" + text + ")";
}

CString FillOneConversion(const CString& text, char kind, int number, const CString& textArgument) {
    const std::string& source = text.str();
    std::string result;
    result.reserve(source.size() + 8);
    bool filled = false;
    size_t i = 0;
    while (i < source.size()) {
        // The literal text up to the next '%' goes over in one piece.
        const size_t percent = std::min(source.find('%', i), source.size());
        result.append(source, i, percent - i);
        i = percent;
        if (i == source.size()) break;
        if (i + 1 < source.size() && source[i + 1] == '%') {
            result += '%';
            i += 2;
            continue;
        }
        // A conversion: flags, width, precision, conversion character.
        size_t j = i + 1;
        while (j < source.size() && IsFlag(source[j])) ++j;
        const size_t widthStart = j;
        while (j < source.size() && IsDigitChar(source[j])) ++j;
        const size_t widthDigits = j - widthStart;
        size_t precisionDigits = 0;
        if (j < source.size() && source[j] == '.') {
            ++j;
            const size_t start = j;
            while (j < source.size() && IsDigitChar(source[j])) ++j;
            precisionDigits = j - start;
        }
        const char conversion = j < source.size() ? source[j] : '\0';
        const bool wanted = kind == 'd' ? (conversion == 'd' || conversion == 'i') : conversion == kind;
        // Widths and precisions of up to three digits keep the output small.
        if (!filled && wanted && widthDigits <= 3 && precisionDigits <= 3) {
            const std::string spec = source.substr(i, j + 1 - i);
            char buffer[2048];
            int written = 0;
            if (kind == 'd' && spec.size() == 2) {  // a bare "%d" or "%i"
                result += std::to_string(number);
            } else if (kind == 'd') {
                written = std::snprintf(buffer, sizeof buffer, spec.c_str(), number);
                if (written >= 0) result.append(buffer, std::min<size_t>(static_cast<size_t>(written), sizeof buffer - 1));
            } else {
                // The text argument may be longer than any buffer: format its padding only.
                const int needed = std::snprintf(nullptr, 0, spec.c_str(), static_cast<const char*>(textArgument));
                if (needed >= 0) {
                    std::string out(static_cast<size_t>(needed) + 1, '\0');
                    std::snprintf(out.data(), out.size(), spec.c_str(), static_cast<const char*>(textArgument));
                    out.resize(static_cast<size_t>(needed));
                    result += out;
                }
            }
            filled = true;
            i = j + 1;
            continue;
        }
        // Anything else is not ours to interpret: copied as it stands.
        result += source[i++];
    }
    return CString(std::string_view(result));
}

CString FileReferenceEntry(const CString& fileName) { return "FILE := \"" + fileName + "\""; }

void BuildInternXYTable(CString* modelText, CCopaObjectCompare* snapshot, ParamHolder* holder,
                        const CWizardBaseCommon* wizard, int noQuotes, CString tableName, CString newPlaceholderName,
                        CString fileName, int valueReference) {
    if (modelText == nullptr || snapshot == nullptr) return;
    const CString placeholder = snapshot->GetName();
    const CString bareName = WithoutAt(placeholder);
    snapshot->SetName(newPlaceholderName.IsEmpty() ? bareName : newPlaceholderName);

    const CString fromParam = GetParamValueBySnapshot(snapshot, holder);
    if (!fromParam.IsEmpty()) fileName = fromParam;

    *modelText += "\nINTERN\tXY ";
    CString name = tableName;
    if (name.IsEmpty()) name = "XY_" + (holder ? holder->m_strElementName : CString()) + "_" + bareName;
    MakeUniqueName(RequestTarget(wizard), name);

    *modelText += name + "( FILE := " + (noQuotes ? fileName : "\"" + fileName + "\"") + " );";
    const CString replacement = valueReference ? bareName + " := " + name + ".VAL" : name;
    ReplaceEveryOccurrence(*modelText, placeholder, replacement);
}

void BuildCouplingFactorText(CString* modelText, ParamHolder* holder, CCopaObjectCompare* snapshot) {
    if (modelText == nullptr || snapshot == nullptr) return;
    const CString placeholder = snapshot->GetName();
    snapshot->SetName(WithoutAt(placeholder));
    const CWizardCopaObject3* mutual = FindParamByValueID(holder, kValueIdMutualInductance);
    const CString line = "K := (" + (mutual ? "@" + mutual->GetName() : CString()) + ")/sqrt( " +
                         InductanceOperand(holder, kValueIdFirstInductance) + " * " +
                         InductanceOperand(holder, kValueIdSecondInductance) + ")";
    ReplaceEveryOccurrence(*modelText, placeholder, line);
}

BOOL BuildACPhaseExpr(CCopaObjectCompare* snapshot, ParamHolder* holder, WORD realValueID, WORD imaginaryValueID,
                      CString* modelText) {
    // The two-argument arc tangent is right in every quadrant and defined for a zero real part.
    return BuildACExpression(snapshot, holder, realValueID, imaginaryValueID, modelText,
                             "ATAN2((@AC_IM),(@AC_RE))*(180/PI)");
}

BOOL BuildACMagnitudeExpr(CCopaObjectCompare* snapshot, ParamHolder* holder, WORD realValueID,
                          WORD imaginaryValueID, CString* modelText) {
    return BuildACExpression(snapshot, holder, realValueID, imaginaryValueID, modelText,
                             "SQRT((@AC_RE)^2+(@AC_IM)^2)");
}

void ReplaceACMagnitude(ParamHolder* holder, CString* modelText, WORD targetValueID, WORD sourceValueID) {
    const CWizardCopaObject3* source = FindParamByValueID(holder, sourceValueID);
    // The value is typed in its own used unit ("2" in kV), not in the AC parameter's; a value
    // taken from a pin is the pin's signal, in the parameter's own unit.
    const TypedValue read = TypedInputOf(holder, source);
    ReplaceACLine(holder, modelText, targetValueID, source != nullptr ? &read : nullptr, "", "@AC_MAG_VAL");
}

void ReplaceACPhase(ParamHolder* holder, CString* modelText, WORD targetValueID, WORD) {
    ReplaceACLine(holder, modelText, targetValueID, nullptr, "0", "@AC_PHASE_VAL");
}

CString MakeReciprocalText(CString value) {
    double x = 0.0;
    if (ParseValueWithPrefix(value, &x) && x != 0.0) {
        const double reciprocal = 1.0 / x;
        if (std::isfinite(reciprocal)) return TBExtended_ftoa(reciprocal, -1, 0, "");
    }
    return "1/(" + value + ")";
}

CString MakeSumText(CString a, CString b, CString c) {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    if (ParseValueWithPrefix(a, &x) && ParseValueWithPrefix(b, &y) && ParseValueWithPrefix(c, &z)) {
        const double sum = x + y + z;
        // A sum beyond the double range is no number to write: the formula stands instead.
        if (std::isfinite(sum)) return TBExtended_ftoa(sum, -1, 0, "");
    }
    return " " + a + " + " + b + " + " + c;
}

TypedValue TypedValueOf(const CWizardCopaObject3* param) {
    if (param == nullptr) return {};
    return {param->GetValue(), param->GetQuantity(), param->GetUsedUnit(), param->GetUnit()};
}

TypedValue TypedInputOf(const ParamHolder* holder, const CWizardCopaObject3* param) {
    if (param == nullptr || !param->HasPin()) return TypedValueOf(param);
    return {PinSignalOf(holder, param), param->GetQuantity(), param->GetUnit(), param->GetUnit()};
}

CString InSimulatorUnit(const TypedValue& value) {
    return qv::ValueInUnit(value.quantity, value.usedUnit, value.text, value.unit);
}

namespace {

// A derived text, made in the simulator's unit, in the used unit of `result`: a number is
// converted; a formula, and `formula` in place of a number the used unit cannot hold, gets
// the conversion around it.
CString InUsedUnit(const CString& derived, const TypedValue& result, const CString& formula) {
    double number = 0.0;
    const bool isNumber = ParseValueWithPrefix(derived, &number);
    CString converted;
    if (isNumber && TBConvertUnits(result.quantity, result.unit, derived, result.usedUnit, converted)) return converted;
    return qv::ValueInUnit(result.quantity, result.unit, isNumber ? formula : derived, result.usedUnit);
}

} // namespace

CString MakeReciprocalText(const TypedValue& value, const TypedValue& result) {
    const CString read = InSimulatorUnit(value);
    return InUsedUnit(MakeReciprocalText(read), result, "1/(" + read + ")");
}

CString MakeSumText(const TypedValue& a, const TypedValue& b, const TypedValue& c, const TypedValue& result) {
    // Summed in the unit shown, so that times typed in it stand as typed (" tr + 8 + 2" ms).
    const CString shown = result.usedUnit.IsEmpty() ? result.unit : result.usedUnit;
    bool fits = true;
    const auto inShown = [&](const TypedValue& v) {
        const CString used = v.usedUnit.IsEmpty() ? v.unit : v.usedUnit;
        double value = 0.0;
        if (!ParseValueWithPrefix(v.text, &value)) return qv::ValueInUnit(v.quantity, used, v.text, shown);
        CString number;
        if (!TBConvertUnits(v.quantity, used, v.text, shown, number)) fits = false;
        return number;
    };
    const CString inA = inShown(a);
    const CString inB = inShown(b);
    const CString inC = inShown(c);
    if (fits) return MakeSumText(inA, inB, inC);
    // A number the shown unit cannot hold: summed in the simulator's unit.
    const CString x = InSimulatorUnit(a);
    const CString y = InSimulatorUnit(b);
    const CString z = InSimulatorUnit(c);
    return InUsedUnit(MakeSumText(x, y, z), result, " " + x + " + " + y + " + " + z);
}

CString FromSimulatorUnit(const CString& text, const TypedValue& result) {
    return InUsedUnit(text, result, "(" + text + ")");
}

bool AmplitudeOfRMSText(const CString& rms, CString* amplitude) {
    CString trimmed = rms;
    if (trimmed.Trim().IsEmpty()) return false;
    double value = 0.0;
    const double root = std::sqrt(2.0);
    const bool number = ParseValueWithPrefix(rms, &value) && std::isfinite(value) && std::isfinite(value * root);
    if (number) {
        *amplitude = TBExtended_ftoa(value * root, -1, 0, "");
        return true;
    }
    // A name keeps the text as typed; an expression is put in parentheses as one factor.
    const CString operand = OperandText(trimmed);
    *amplitude = (operand == trimmed ? rms : operand) + " * sqrt(2.0)";
    return true;
}

bool PeriodOfFrequencyText(const TypedValue& frequency, const TypedValue& period, CString* text) {
    double value = 0.0;
    if (ParseValueWithPrefix(InSimulatorUnit(frequency), &value) && value == 0.0) return false;
    *text = MakeReciprocalText(frequency, period);
    return true;
}

BOOL DerivePeriodFromParams(ParamHolder* holder, bool fromTimes, CString* period) {
    using namespace qv::waveform;
    const CWizardCopaObject3* shown = FindParamByValueID(holder, kIdPeriod);
    if (shown == nullptr) return FALSE;
    if (fromTimes) {
        const CWizardCopaObject3* rise = FindParamByValueID(holder, kIdRise);
        const CWizardCopaObject3* width = FindParamByValueID(holder, kIdWidth);
        const CWizardCopaObject3* fall = FindParamByValueID(holder, kIdFall);
        if (rise == nullptr || width == nullptr || fall == nullptr) return FALSE;
        *period = MakeSumText(TypedInputOf(holder, rise), TypedInputOf(holder, width), TypedInputOf(holder, fall),
                              TypedValueOf(shown));
        return TRUE;
    }
    const CWizardCopaObject3* frequency = FindParamByValueID(holder, kIdFrequency);
    if (frequency == nullptr) return FALSE;
    return PeriodOfFrequencyText(TypedInputOf(holder, frequency), TypedValueOf(shown), period) ? TRUE : FALSE;
}

CString ListDuplicateIndexes(ParamHolder* holder, WORD valueID) {
    std::map<int, int> seen;
    const int count = holder ? holder->GetParamCount() : 0;
    for (int i = 0; i < count; ++i) {
        const CWizardCopaObject3* param = holder->GetParam(i);
        // Entries marked deleted are not present any more and duplicate nothing.
        if (param == nullptr || param->IsDeleted() || param->GetValueID() != valueID) continue;
        const int index = GetBracketIndex(param->GetName());
        if (index == -1) continue;
        ++seen[index];
    }
    CString list;
    for (const auto& [index, times] : seen) {
        if (times < 2) continue;
        if (!list.IsEmpty()) list += "\n";
        list += TBExtended_itoa(index);
    }
    return list;
}

void SetParamDescriptionsByIndex(const CLanguageTextMap* templateDescriptions, CWizardCopaObject3* target) {
    if (target == nullptr) return;
    SetDescriptions(templateDescriptions, target, 'd', GetBracketIndex(target->GetName()), CString());
}

void SetParamDescriptionsByName(const CLanguageTextMap* templateDescriptions, CWizardCopaObject3* target) {
    if (target == nullptr) return;
    SetDescriptions(templateDescriptions, target, 's', 0, target->GetName());
}

void SetParamDescriptionsByValue(const CLanguageTextMap* templateDescriptions, CWizardCopaObject3* target) {
    if (target == nullptr) return;
    SetDescriptions(templateDescriptions, target, 's', 0, target->GetValue());
}

CString ListEntryValue(const ParamHolder* holder, const CWizardCopaObject3* param) {
    if (param == nullptr) return CString();
    if (param->HasPin() && holder != nullptr) return PinSignalOf(holder, param);
    CString value = param->GetValue();
    value.TrimLeft();
    return value;
}
