// Fixture for IncludeLayers.CatchesUnknownFolder: widgets/ is in no layer,
// so the checker has to refuse it even though it includes only downward.
// Never compiled.
#pragma once

#include "text/Reader.h"
