#include "drivers/kms/kms_keys.h"

#include <linux/input-event-codes.h>

#include <array>

#include "winuser.h"

namespace ce::drivers::kms {
namespace {

// Virtual keys that the layer's winuser.h does not name.
constexpr UINT kVkNumpad0 = 0x60u;
constexpr UINT kVkDecimal = 0x6Eu;
constexpr UINT kVkOemPeriod = 0xBEu;

struct KeyEntry {
    std::uint32_t code;
    UINT virtualKey;
    char16_t plain;
    char16_t shifted;
};

// The kernel numbers the letter keys row by row as they lie on a QWERTY keyboard.
constexpr std::array<std::uint32_t, 26> kLetterKeys = {
    KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K, KEY_L, KEY_M,
    KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};

// By the digit they type (the kernel numbers the top row KEY_1 to KEY_9, then KEY_0).
constexpr std::array<std::uint32_t, 10> kDigitKeys = {KEY_0, KEY_1, KEY_2, KEY_3, KEY_4,
                                                      KEY_5, KEY_6, KEY_7, KEY_8, KEY_9};
constexpr char16_t kShiftedDigits[] = u")!@#$%^&*(";

constexpr std::array<std::uint32_t, 10> kKeypadDigitKeys = {
    KEY_KP0, KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP4, KEY_KP5, KEY_KP6, KEY_KP7, KEY_KP8, KEY_KP9};

constexpr KeyEntry kOtherKeys[] = {
    {KEY_ENTER, VK_RETURN, u'\r', u'\r'},
    {KEY_KPENTER, VK_RETURN, u'\r', u'\r'},
    {KEY_ESC, VK_ESCAPE, 0x1B, 0x1B},
    {KEY_BACKSPACE, VK_BACK, u'\b', u'\b'},
    {KEY_TAB, VK_TAB, u'\t', u'\t'},
    {KEY_SPACE, VK_SPACE, u' ', u' '},
    // Delete types nothing on the device.
    {KEY_DELETE, VK_DELETE, 0, 0},
    {KEY_LEFT, VK_LEFT, 0, 0},
    {KEY_RIGHT, VK_RIGHT, 0, 0},
    {KEY_UP, VK_UP, 0, 0},
    {KEY_DOWN, VK_DOWN, 0, 0},
    {KEY_HOME, VK_HOME, 0, 0},
    {KEY_END, VK_END, 0, 0},
    {KEY_DOT, kVkOemPeriod, u'.', u'>'},
    {KEY_KPDOT, kVkDecimal, u'.', u'.'},
};

}  // namespace

std::optional<KeyMeaning> MeaningOfKey(std::uint32_t code, bool shift) {
    for (std::size_t i = 0; i < kLetterKeys.size(); ++i) {
        if (kLetterKeys[i] == code) {
            const char16_t letter = static_cast<char16_t>((shift ? u'A' : u'a') + i);
            return KeyMeaning{static_cast<UINT>('A' + i), letter};
        }
    }
    for (std::size_t i = 0; i < kDigitKeys.size(); ++i) {
        if (kDigitKeys[i] == code) {
            const char16_t digit = static_cast<char16_t>(u'0' + i);
            return KeyMeaning{static_cast<UINT>('0' + i), shift ? kShiftedDigits[i] : digit};
        }
        if (kKeypadDigitKeys[i] == code) {
            return KeyMeaning{static_cast<UINT>(kVkNumpad0 + i), static_cast<char16_t>(u'0' + i)};
        }
    }
    for (const KeyEntry& entry : kOtherKeys) {
        if (entry.code == code) {
            return KeyMeaning{entry.virtualKey, shift ? entry.shifted : entry.plain};
        }
    }
    return std::nullopt;
}

}  // namespace ce::drivers::kms
