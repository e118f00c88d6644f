// Fixture for IncludeLayers.CatchesUpwardInclude: downward and same-folder
// includes, which the checker has to let through. Never compiled.
#pragma once

#include "Tokens.h"
#include "text/Reader.h"
