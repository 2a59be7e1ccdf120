// Turns the shared dialog tables into in-memory Windows dialog templates
// (DLGTEMPLATEEX), so that every control sits at its rectangle in dialog
// units in "MS Shell Dlg" 8 pt, as a dialog resource would place it.
#pragma once

#include "ui/dialogtemplates.h"

#include <windows.h>

#include <cstdint>
#include <vector>

// The template's bytes, DWORD-aligned as DialogBoxIndirectParamW wants them.
// Controls with the id CTL_STATIC get ids of their own (0xFFFF, as a
// resource compiler gives unnamed statics); a control hosted by another is
// left out, for the dialog to make itself.
std::vector<DWORD> buildDialogTemplate(const DialogTemplate& dialog);

// Runs the dialog modally over the owner and returns what EndDialog was given.
INT_PTR runDialogTemplate(const DialogTemplate& dialog, HWND owner, DLGPROC procedure, LPARAM parameter);
