#include "sources_support.h"
