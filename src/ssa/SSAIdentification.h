// What the SSA/ASS container recognises by name alone: the rule is shared
// with the hosts.
#pragma once

#include "rules/ScriptName.h"
