// Property sheets that the library opens itself.
#include "toolkit/tb_sheet.h"

IMPLEMENT_DYNAMIC(CTBPropertySheet, CPropertySheet)
