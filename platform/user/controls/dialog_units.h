// Dialog units: templates place controls in quarters of the font's average character width and
// eighths of its height, so a dialog keeps its proportions with whatever font it gets.
#pragma once

#include "ce/resources.h"
#include "winuser.h"

namespace ce::user {

struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};

// The template's own font (DS_SETFONT: its face at its point size on a 96 dpi screen), or null
// when the dialog uses the system font. The caller owns it.
HFONT CreateTemplateFont(const DialogTemplate& dialogTemplate);

// Base units of a font (null: the system font): the average width of the 52 Latin letters,
// rounded, and the character height.
DialogBaseUnits MeasureBaseUnits(HFONT font);

RECT DialogUnitsToPixels(const RECT& rect, DialogBaseUnits units);

LONG_PTR PackBaseUnits(DialogBaseUnits units);
DialogBaseUnits UnpackBaseUnits(LONG_PTR packed);

}  // namespace ce::user
