#include "user/controls/edit_control_state.h"

#include <climits>
#include <memory>
#include <unordered_map>

#include "user/controls/dialog_measure_dc.h"

namespace ce::user {

namespace {

thread_local std::unordered_map<HWND, std::unique_ptr<EditState>> t_editStates;

}  // namespace

EditState::EditState(bool autoScroll) : m_model(MeasureWithFont(nullptr), autoScroll) {}

EditState* FindEditState(HWND window) {
    auto found = t_editStates.find(window);
    return found == t_editStates.end() ? nullptr : found->second.get();
}

EditState& CreateEditState(HWND window, bool autoScroll) {
    auto& slot = t_editStates[window];
    slot = std::make_unique<EditState>(autoScroll);
    return *slot;
}

void DeleteEditState(HWND window) {
    t_editStates.erase(window);
}

EditModel::Measure MeasureWithFont(HFONT font) {
    return [font](std::u16string_view text) {
        std::vector<int> extents(text.size());
        if (!text.empty()) {
            MeasureDc dc(font);
            int fit = 0;
            SIZE size{};
            GetTextExtentExPointW(dc.Get(), text.data(), static_cast<int>(text.size()), INT_MAX,
                                  &fit, extents.data(), &size);
        }
        return extents;
    };
}

}  // namespace ce::user
