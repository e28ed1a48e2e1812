// The editing model of a single-line edit control: its text, caret, selection, limit and
// horizontal scroll, and what each key and tap does to them. No window and no device context:
// text widths come from a measure function, so the rules can be checked with made-up widths.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ce::user {

class EditModel {
public:
    // For each character of the text, the width in pixels of the text up to and including it.
    using Measure = std::function<std::vector<int>(std::u16string_view text)>;

    // As on the device, a limit of 0 means as much text as memory holds.
    static constexpr std::size_t kNoLimit = 0x7FFFFFFE;

    EditModel(Measure measure, bool autoScroll);

    // The width in pixels the text is shown in. Keeps the caret in view.
    void SetViewWidth(int width);
    void SetMeasure(Measure measure);

    const std::u16string& Text() const { return m_text; }
    std::size_t Caret() const { return m_caret; }
    // The selection as a range; empty when it is only the caret.
    std::size_t SelectionStart() const { return std::min(m_anchor, m_caret); }
    std::size_t SelectionEnd() const { return std::max(m_anchor, m_caret); }
    // Pixels of text hidden on the left.
    int Scroll() const { return m_scroll; }
    // Where the caret is drawn, in pixels from the left of the view.
    int CaretX() const { return Extent(m_caret) - m_scroll; }
    // Where the character at index starts, in pixels from the left of the view.
    int XOf(std::size_t index) const { return Extent(index) - m_scroll; }

    // Each returns whether the text changed.
    // Replaces the text and puts the caret at its start, ignoring the limit as the device does.
    bool SetText(std::u16string_view text);
    // A typed character: printable ones replace the selection, backspace (8) deletes the
    // selection or the character before the caret; other control characters do nothing.
    bool TypeCharacter(char16_t character);
    // Replaces the selection, cutting what exceeds the limit or (without automatic scrolling)
    // what would not fit the view.
    bool ReplaceSelection(std::u16string_view text);
    // Deletes the selection or the character after the caret.
    bool DeleteForward();

    void MoveLeft();
    void MoveRight();
    void MoveHome();
    void MoveEnd();
    // Selects from start to end (the caret goes to end); an end of -1 means the end of the text
    // and a start of -1 removes the selection, leaving the caret where it is.
    void Select(long start, long end);
    // The caret goes to the character boundary nearest to x (pixels from the left of the view).
    void PlaceCaretAt(int x);

    void SetLimit(std::size_t limit);
    std::size_t Limit() const { return m_limit; }

private:
    // Width of the first count characters.
    int Extent(std::size_t count) const;
    int TextWidth(std::u16string_view text) const;
    void CollapseTo(std::size_t index);
    void KeepCaretInView();

    Measure m_measure;
    bool m_autoScroll;
    int m_viewWidth = 0;
    std::u16string m_text;
    std::vector<int> m_extents;
    std::size_t m_caret = 0;
    std::size_t m_anchor = 0;
    std::size_t m_limit = kNoLimit;
    int m_scroll = 0;
};

}  // namespace ce::user
