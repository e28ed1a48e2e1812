// The state of one edit control. It belongs to the control's thread, the only one that runs its
// procedure, and ends with the window (WM_NCDESTROY) or with the thread, whichever comes first.
#pragma once

#include "winuser.h"

#include "user/controls/edit_control_model.h"

namespace ce::user {

struct EditState {
    explicit EditState(bool autoScroll);

    EditModel m_model;
    HFONT m_font = nullptr;
    bool m_focused = false;
    bool m_caretShown = false;
};

// The state of an edit control of the calling thread; null when it has none.
EditState* FindEditState(HWND window);
// Makes a fresh state for the window (replacing any left by an earlier window of the handle).
EditState& CreateEditState(HWND window, bool autoScroll);
void DeleteEditState(HWND window);

// Text widths of a font as the model wants them.
EditModel::Measure MeasureWithFont(HFONT font);

void PaintEdit(HWND window, const EditState& state);

}  // namespace ce::user
