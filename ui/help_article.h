// The address of the pairing guide that the help link opens. The device's
// maker owns the pairing procedure, so its address is a setting: a string
// resource, which a one-line file beside the program can override to name
// the maker's own page.
#pragma once

#include "platform/system.h"

// The file that overrides the address: its first line, in the working folder.
inline constexpr char kHelpAddressFile[] = "pairing_address.txt";

// True for an address the shell may be asked to open: an http or https
// address, or the name of an .html or .htm page beside the program. Nothing
// else (no program, no other folder, no blanks or quotes).
bool IsHelpAddress(const char* address);

// The address the help link opens: the first line of `overrideFile` when it
// is an acceptable address, else `fromResource` when it is, else the page we
// ship.
void ChooseHelpArticle(const char* fromResource, const char* overrideFile, char (&out)[kPathChars]);
