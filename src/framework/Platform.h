// Build-wide macros for the plug-in boundary: the export attribute of the one
// entry point and the calling convention of interface operations.
#pragma once

#if defined(_WIN32)
#define QUARN_EXPORT __declspec(dllexport)
#else
#define QUARN_EXPORT __attribute__((visibility("default")))
#endif
