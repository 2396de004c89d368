// SPDX-License-Identifier: MIT
// Linked into every program of a sanitizer build (MERO_SANITIZE): shared
// libraries are never unloaded. LeakSanitizer reports at exit; a leak inside
// a library unloaded before then (Mesa's driver after the last GL context,
// plugins) has lost its module name, and no suppression can tell it from
// ours. Kept loaded, it is named, and tests/lsan.supp can judge it.
//
// The programs' own definition of dlclose takes the place of the C
// library's for every library, those loaded later included.
extern "C" int dlclose(void*)
{
    return 0;
}
