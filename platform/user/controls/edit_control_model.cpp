#include "user/controls/edit_control_model.h"

#include <cstdlib>
#include <utility>

namespace ce::user {

EditModel::EditModel(Measure measure, bool autoScroll)
    : m_measure(std::move(measure)), m_autoScroll(autoScroll) {}

void EditModel::SetViewWidth(int width) {
    m_viewWidth = std::max(width, 0);
    KeepCaretInView();
}

void EditModel::SetMeasure(Measure measure) {
    m_measure = std::move(measure);
    m_extents = m_measure(m_text);
    KeepCaretInView();
}

bool EditModel::SetText(std::u16string_view text) {
    const bool changed = m_text != text;
    m_text.assign(text);
    m_extents = m_measure(m_text);
    m_caret = 0;
    m_anchor = 0;
    m_scroll = 0;
    KeepCaretInView();
    return changed;
}

bool EditModel::TypeCharacter(char16_t character) {
    constexpr char16_t kBackspace = 8;
    if (character == kBackspace) {
        if (m_anchor == m_caret) {
            if (m_caret == 0) {
                return false;
            }
            m_anchor = m_caret - 1;
        }
        return ReplaceSelection(u"");
    }
    if (character < u' ' || character == 0x7F) {
        return false;
    }
    return ReplaceSelection(std::u16string_view(&character, 1));
}

bool EditModel::ReplaceSelection(std::u16string_view text) {
    const std::size_t start = SelectionStart();
    const std::size_t end = SelectionEnd();
    const std::size_t kept = m_text.size() - (end - start);
    const std::size_t room = kept < m_limit ? m_limit - kept : 0;
    std::u16string_view inserted = text.substr(0, std::min(text.size(), room));
    std::u16string result;
    // Without automatic scrolling the text has to fit the view with the caret after it.
    for (;;) {
        result = m_text;
        result.replace(start, end - start, inserted);
        if (m_autoScroll || inserted.empty() || TextWidth(result) < m_viewWidth) {
            break;
        }
        inserted.remove_suffix(1);
    }
    if (inserted.empty() && start == end) {
        return false;
    }
    m_text = std::move(result);
    m_extents = m_measure(m_text);
    CollapseTo(start + inserted.size());
    return true;
}

bool EditModel::DeleteForward() {
    if (m_anchor == m_caret) {
        if (m_caret == m_text.size()) {
            return false;
        }
        m_anchor = m_caret + 1;
    }
    return ReplaceSelection(u"");
}

void EditModel::MoveLeft() {
    CollapseTo(m_caret == 0 ? 0 : m_caret - 1);
}

void EditModel::MoveRight() {
    CollapseTo(std::min(m_caret + 1, m_text.size()));
}

void EditModel::MoveHome() {
    CollapseTo(0);
}

void EditModel::MoveEnd() {
    CollapseTo(m_text.size());
}

void EditModel::Select(long start, long end) {
    if (start == -1) {
        m_anchor = m_caret;
        return;
    }
    auto clamp = [this](long index) {
        return index < 0 ? m_text.size() : std::min(static_cast<std::size_t>(index), m_text.size());
    };
    m_anchor = clamp(start);
    m_caret = clamp(end);
    KeepCaretInView();
}

void EditModel::PlaceCaretAt(int x) {
    const int target = x + m_scroll;
    std::size_t best = 0;
    for (std::size_t index = 1; index <= m_text.size(); ++index) {
        if (std::abs(Extent(index) - target) < std::abs(Extent(best) - target)) {
            best = index;
        }
    }
    CollapseTo(best);
}

void EditModel::SetLimit(std::size_t limit) {
    m_limit = limit == 0 ? kNoLimit : limit;
}

int EditModel::Extent(std::size_t count) const {
    return count == 0 || m_extents.size() < count ? 0 : m_extents[count - 1];
}

int EditModel::TextWidth(std::u16string_view text) const {
    if (text.empty()) {
        return 0;
    }
    const auto extents = m_measure(text);
    return extents.empty() ? 0 : extents.back();
}

void EditModel::CollapseTo(std::size_t index) {
    m_caret = index;
    m_anchor = index;
    KeepCaretInView();
}

// Scrolls as little as shows the caret (one pixel wide), and never further than needed to show
// the end of the text, so deleting at the end brings hidden text back into view.
void EditModel::KeepCaretInView() {
    if (!m_autoScroll) {
        m_scroll = 0;
        return;
    }
    const int lastColumn = std::max(m_viewWidth - 1, 0);
    const int caret = Extent(m_caret);
    if (caret < m_scroll) {
        m_scroll = caret;
    } else if (caret > m_scroll + lastColumn) {
        m_scroll = caret - lastColumn;
    }
    m_scroll = std::max(std::min(m_scroll, Extent(m_text.size()) - lastColumn), 0);
}

}  // namespace ce::user
