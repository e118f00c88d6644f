// Fixture for IncludeLayers.CatchesUpwardInclude: text/ reaching up into ssa/
// is the one include the checker has to refuse in this tree. Never compiled.
#pragma once

#include <string>

#include "ssa/Scanner.h"
