// The edit control counts its limit (EM_SETLIMITTEXT) in UTF-16 units, so a
// name of letters beyond the Basic Multilingual Plane would stop at half
// its length. This holds an edit to the template's limit in characters.
#pragma once

#include "ui/dialogtemplates.h"

#include <windows.h>

// control must outlive the edit; a change that would leave too many
// characters is undone, with the beep the edit gives at its own limit.
void limitToCharacters(HWND edit, const DialogControl& control);
