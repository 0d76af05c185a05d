// Writing characteristics and tables to ".mdx" data files, the wizard-level wrappers that
// take the file name from a parameter and report a failure to the editor, and the readers
// of the point blocks kept in wizards' additional data.
#pragma once

#include <cstddef>

#include "afx/afx.h"
#include "wizard/paramholder.h"

class CWizardBase3;
class CWizardBaseCommon;

// Two channels from a list of CDataPoint pointers: x, then y. Texts A and B of a channel
// are the two texts the data file keeps for it (name and unit). A path without a folder
// goes to the document directory, else the first non-empty search directory, else the
// model-output directory; an extension other than a three-letter one becomes ".mdx".
// Returns 0 (with a message box showing the file layer's error text when the write itself
// failed) or 1.
BOOL WriteCharacteristicMdx(CString path, const CPtrArray* points, CString textA0, CString textA1, CString textB0,
                            CString textB1);
// Three channels from three CArray<double, double> columns, as many items as the shortest
// column has; element i of each text array belongs to channel i.
BOOL WriteTableMdx3(CString path, const CPtrArray* columns, const CStringArray* textsA, const CStringArray* textsB);
// Three channels from a list of C3DDataPoint pointers, in the order x, z, y; the texts are
// given for x, y, z.
BOOL WriteTableMdx3D(CString path, const CPtrArray* points, CString textAx, CString textAy, CString textAz,
                     CString textBx, CString textBy, CString textBz);

// The same, to the file named by the value of the parameter with the value ID (a wildcard in
// it replaced as the pages replace it: "*.mdx" of M1 is "M1.mdx"). A missing parameter or a
// failed write sends "Error while writing <%s>!" to the editor (request 8).
void WriteParamCharacteristicFile(ParamHolder* holder, const CWizardBaseCommon* wizard, WORD valueID,
                                  const CPtrArray* points, CString textA0, CString textA1, CString textB0,
                                  CString textB1);
void WriteParamTableFile3(ParamHolder* holder, const CWizardBaseCommon* wizard, WORD valueID, const CPtrArray* columns,
                          const CStringArray* textsA, const CStringArray* textsB);
void WriteParamTableFile3D(ParamHolder* holder, const CWizardBaseCommon* wizard, WORD valueID, const CPtrArray* points,
                           CString textAx, CString textAy, CString textAz, CString textBx, CString textBy,
                           CString textBz);

// Whether two tables of one element, written by the wrappers above under the names `first`
// and `second` (an empty name is the element's default one), end in files of their own. When
// both would be written to one file (also where a link leads one name to the other's file),
// the second replacing the first, the editor is told in a
// text that names both tables and the file (request 8), and the answer is false: neither may
// be written.
bool TablesHaveFilesOfTheirOwn(const CWizardBaseCommon* wizard, const CString& firstTable, const CString& first,
                               const CString& secondTable, const CString& second);

// Point blocks: DWORD n, n points (x, y as doubles; x, z, y for 3D points), then up to four
// (3D: six) texts, each a DWORD length and that many bytes. The readers advance the cursor
// and decrease the remaining count by what they consume. A block with fewer than four bytes
// reads nothing; a block that holds only n leaves the list as it was. Every count and
// length is checked against what remains before it is used: a block whose points or texts
// do not fit is malformed, and then nothing is changed (list, texts, cursor) and the result
// is 0. Otherwise the old points are deleted, the new ones appended, and the result is 1.
// Text pointers may be null.
BOOL ReadDataPointsFromBuffer(const BYTE** cursor, size_t* remaining, CPtrArray* points, CString* text1,
                              CString* text2, CString* text3, CString* text4);
BOOL Read3DDataPointsFromBuffer(const BYTE** cursor, size_t* remaining, CPtrArray* points, CString* text1,
                                CString* text2, CString* text3, CString* text4, CString* text5, CString* text6);

// The 3D block as Read3DDataPointsFromBuffer reads it. Writes nothing and returns 0 for a
// null cursor or list, a null entry, or a block that does not fit in what remains.
size_t DataPoints3DBufferSize(const CPtrArray* points, const CString* texts6);
BOOL Write3DDataPointsToBuffer(BYTE** cursor, size_t* remaining, const CPtrArray* points, CString text1,
                               CString text2, CString text3, CString text4, CString text5, CString text6);

// Older-base wrappers: the characteristics are taken from the wizard's additional data,
// laid out as two DWORDs, three texts (DWORD length and bytes), then per characteristic a
// DWORD block length L (positive) and an L-byte point block. Each is written to the file
// named by its parameter; failures are reported as above, and a block that ends early or
// is malformed writes nothing.
void WriteCharacteristicFileFromWizardData(CWizardBase3* wizard, ParamHolder* holder, WORD valueID);
void WriteTwoCharacteristicFilesFromWizardData(CWizardBase3* wizard, ParamHolder* holder, WORD firstValueID,
                                               WORD secondValueID);
