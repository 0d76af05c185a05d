// The wizard framework of the editor: bases, parameter objects and sets, requests,
// environment.
#pragma once

#include "wizard/copa.h"
#include "wizard/environment.h"
#include "wizard/paramholder.h"
#include "wizard/requests.h"
#include "wizard/wizardbase.h"
