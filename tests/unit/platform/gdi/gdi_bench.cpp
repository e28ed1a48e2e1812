// Times a full-screen StretchBlt of the 272x480 background and the drawing of a 20-character
// string. Prints microseconds per call.
#include <chrono>
#include <cstdio>
#include <functional>

#include "windows.h"

namespace {

double MicrosecondsPerCall(int calls, const std::function<void()>& call) {
    call();  // warm caches (glyphs, allocations)
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) {
        call();
    }
    const std::chrono::duration<double, std::micro> elapsed =
        std::chrono::steady_clock::now() - start;
    return elapsed.count() / calls;
}

}  // namespace

int main() {
    const HDC screen = CreateCompatibleDC(nullptr);
    const HDC background = CreateCompatibleDC(nullptr);
    const HBITMAP backgroundBitmap = CreateCompatibleBitmap(background, 272, 480);
    SelectObject(background, backgroundBitmap);
    for (const SIZE size : {SIZE{272, 480}, SIZE{480, 272}}) {
        const HBITMAP screenBitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
        const HGDIOBJ previous = SelectObject(screen, screenBitmap);
        const double us = MicrosecondsPerCall(500, [&] {
            StretchBlt(screen, 0, 0, size.cx, size.cy, background, 0, 0, 272, 480, SRCCOPY);
        });
        std::printf("StretchBlt 272x480 -> %ldx%ld: %.1f us\n", static_cast<long>(size.cx),
                    static_cast<long>(size.cy), us);
        SelectObject(screen, previous);
        DeleteObject(screenBitmap);
    }
    LOGFONTW logFont{};
    logFont.lfHeight = -13;
    std::u16string_view(u"Tahoma").copy(logFont.lfFaceName, 6);
    const HFONT font = CreateFontIndirectW(&logFont);
    const HBITMAP textBitmap = CreateCompatibleBitmap(screen, 272, 40);
    SelectObject(screen, textBitmap);
    SelectObject(screen, font);
    SetBkMode(screen, TRANSPARENT);
    RECT rect{0, 0, 272, 40};
    const double us = MicrosecondsPerCall(2000, [&] {
        DrawTextW(screen, u"Last updated: 12:30!", 20, &rect, DT_RIGHT | DT_VCENTER);
    });
    std::printf("DrawTextW of 20 characters: %.1f us\n", us);
    DeleteDC(screen);
    DeleteDC(background);
    DeleteObject(font);
    DeleteObject(textBitmap);
    DeleteObject(backgroundBitmap);
    return 0;
}
