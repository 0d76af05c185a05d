// Everything the system takes from the Win32 part of the platform stand-in.
#pragma once

#include "wintypes.h"
#include "winuser.h"
#include "module.h"
#include "window_handle.h"
#include "profile.h"
#include "paths.h"
#include "resources.h"
