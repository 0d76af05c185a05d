// The core of the framework stand-in: strings, collections, runtime classes, archives,
// files, exceptions and module state.
#pragma once

#include "win32/wintypes.h"

#include "afx/cstring.h"
#include "afx/object.h"
#include "afx/exceptions.h"
#include "afx/collections.h"
#include "afx/file.h"
#include "afx/archive.h"
#include "afx/module_state.h"
