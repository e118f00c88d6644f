// Fixture for IncludeLayers.CatchesUnknownFolder: a file that keeps to the
// layer order, so only the unplaced folder beside it can fail. Never compiled.
#pragma once

#include "framework/String.h"
