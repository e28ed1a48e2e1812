#include "keypad/keypad_layout.h"

namespace {

// The grid's columns and rows: inclusive pixel ranges.
struct Range {
    LONG first;
    LONG last;
};
constexpr Range kColumns[] = {{17, 96}, {97, 176}, {177, 256}};
constexpr Range kRows[] = {{128, 207}, {208, 287}, {288, 367}, {368, 447}};
constexpr RECT kBackspace{217, 71, 257, 111};
constexpr char16_t kKeyCharacters[] = u"7894561230.";

template <std::size_t N>
int IndexOf(const Range (&ranges)[N], LONG value) {
    for (std::size_t i = 0; i < N; ++i) {
        if (value >= ranges[i].first && value <= ranges[i].last) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

int KeypadKeyAt(POINT point) {
    const int column = IndexOf(kColumns, point.x);
    const int row = IndexOf(kRows, point.y);
    if (column >= 0 && row >= 0) {
        return row * 3 + column;
    }
    if (point.x >= kBackspace.left && point.x <= kBackspace.right && point.y >= kBackspace.top &&
        point.y <= kBackspace.bottom) {
        return kBackspaceKey;
    }
    return kNoKey;
}

CString ApplyEditingKey(int key, const CString& text) {
    if (key >= 0 && key < kEnterKey) {
        CString result = text;
        result += static_cast<TCHAR>(kKeyCharacters[key]);
        return result;
    }
    if (key == kBackspaceKey) {
        return text.IsEmpty() ? text : text.Left(text.GetLength() - 1);
    }
    return text;
}

bool IsValidServerAddress(const CString& text) {
    const int length = text.GetLength();
    int parts = 0;
    int position = 0;
    while (parts < 4) {
        int digits = 0;
        int value = 0;
        while (position < length && text[position] >= TEXT('0') && text[position] <= TEXT('9')) {
            if (digits == 1 && value == 0) {
                return false;  // a leading zero
            }
            value = value * 10 + (text[position] - TEXT('0'));
            ++digits;
            ++position;
            if (digits > 3) {
                return false;
            }
        }
        if (digits == 0 || value > 255) {
            return false;
        }
        ++parts;
        if (parts < 4) {
            if (position >= length || text[position] != TEXT('.')) {
                return false;
            }
            ++position;
        }
    }
    return position == length && text != CString(TEXT("255.255.255.255"));
}
