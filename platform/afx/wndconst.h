// Constants of the windows layer that the Win32 part of the platform does not define:
// message reflection, image lists and file dialogs.
#pragma once

#include "win32/winuser.h"

#ifndef WM_REFLECT_BASE
#define WM_REFLECT_BASE 0xBC00
#endif
#ifndef LVSIL_NORMAL
#define LVSIL_NORMAL 0
#endif
#ifndef LVSIL_SMALL
#define LVSIL_SMALL 1
#endif
#ifndef LVSIL_STATE
#define LVSIL_STATE 2
#endif
#ifndef ILC_MASK
#define ILC_MASK 0x0001
#endif
#ifndef ILC_COLOR
#define ILC_COLOR 0x0000
#endif
#ifndef ILC_COLOR4
#define ILC_COLOR4 0x0004
#endif
#ifndef ILC_COLOR8
#define ILC_COLOR8 0x0008
#endif
#ifndef ILC_COLOR16
#define ILC_COLOR16 0x0010
#endif
#ifndef ILC_COLOR24
#define ILC_COLOR24 0x0018
#endif
#ifndef ILC_COLOR32
#define ILC_COLOR32 0x0020
#endif
#ifndef ILD_NORMAL
#define ILD_NORMAL 0x0000
#endif
#ifndef ILD_TRANSPARENT
#define ILD_TRANSPARENT 0x0001
#endif
#ifndef OFN_READONLY
#define OFN_READONLY 0x00000001
#endif
#ifndef OFN_OVERWRITEPROMPT
#define OFN_OVERWRITEPROMPT 0x00000002
#endif
#ifndef OFN_HIDEREADONLY
#define OFN_HIDEREADONLY 0x00000004
#endif
#ifndef OFN_NOCHANGEDIR
#define OFN_NOCHANGEDIR 0x00000008
#endif
#ifndef OFN_ALLOWMULTISELECT
#define OFN_ALLOWMULTISELECT 0x00000200
#endif
#ifndef OFN_PATHMUSTEXIST
#define OFN_PATHMUSTEXIST 0x00000800
#endif
#ifndef OFN_FILEMUSTEXIST
#define OFN_FILEMUSTEXIST 0x00001000
#endif
#ifndef OFN_CREATEPROMPT
#define OFN_CREATEPROMPT 0x00002000
#endif
#ifndef OFN_NOREADONLYRETURN
#define OFN_NOREADONLYRETURN 0x00008000
#endif
#ifndef OFN_EXPLORER
#define OFN_EXPLORER 0x00080000
#endif
#ifndef OFN_ENABLESIZING
#define OFN_ENABLESIZING 0x00800000
#endif
