#include "drivers/x11/x11_foreign_windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <string>
#include <string_view>
#include <vector>

#include "drivers/x11/x11_connection.h"
#include "kernel/utf.h"

namespace ce::drivers::x11 {
namespace {

bool SameIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

std::u16string FromLatin1(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

std::vector<Window> ChildrenTopFirst(Display* display, Window window) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, window, &root, &parent, &children, &count) != 0 &&
        children != nullptr) {
        // XQueryTree lists bottom first.
        result.assign(children, children + count);
        XFree(children);
    }
    return {result.rbegin(), result.rend()};
}

// The window's class parts, or nothing when it has none.
std::vector<std::u16string> ClassesOf(Display* display, Window window) {
    XClassHint hint{};
    if (XGetClassHint(display, window, &hint) == 0) {
        return {};
    }
    std::vector<std::u16string> classes;
    for (char* part : {hint.res_name, hint.res_class}) {
        if (part != nullptr) {
            classes.push_back(kernel::Utf8ToUtf16Lossy(part));
            XFree(part);
        }
    }
    return classes;
}

// _NET_WM_NAME (UTF-8), else WM_NAME (Latin-1, or UTF-8 when typed so).
std::u16string TitleOf(Display* display, Window window) {
    const Atom utf8String = XInternAtom(display, "UTF8_STRING", False);
    for (const Atom property : {XInternAtom(display, "_NET_WM_NAME", False), Atom{XA_WM_NAME}}) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type,
                               &format, &count, &remaining, &data) != Success) {
            continue;
        }
        std::string text;
        if (data != nullptr) {
            if (format == 8) {
                text.assign(reinterpret_cast<const char*>(data), count);
            }
            XFree(data);
        }
        if (type == None || format != 8) {
            continue;
        }
        return type == utf8String ? kernel::Utf8ToUtf16Lossy(text) : FromLatin1(text);
    }
    return {};
}

bool Matches(Display* display, Window window, const std::vector<std::u16string>& classes,
             const char16_t* className, const char16_t* title) {
    if (className != nullptr) {
        bool found = false;
        for (const std::u16string& part : classes) {
            found = found || SameIgnoringAsciiCase(part, className);
        }
        if (!found) {
            return false;
        }
    }
    return title == nullptr || SameIgnoringAsciiCase(TitleOf(display, window), title);
}

}  // namespace

Window FindTopLevelWindow(Display* display, const char16_t* className, const char16_t* title,
                          const std::function<bool(Window)>& skip) {
    // Windows may go away while they are looked at; their errors are no failure.
    ErrorTrap trap(display);
    for (const Window window : ChildrenTopFirst(display, DefaultRootWindow(display))) {
        if (skip(window)) {
            continue;
        }
        const auto classes = ClassesOf(display, window);
        if (Matches(display, window, classes, className, title)) {
            return window;
        }
        if (!classes.empty()) {
            continue;
        }
        for (const Window client : ChildrenTopFirst(display, window)) {
            const auto clientClasses = ClassesOf(display, client);
            if (!clientClasses.empty() &&
                Matches(display, client, clientClasses, className, title)) {
                return client;
            }
        }
    }
    return 0;
}

bool RaiseTopLevelWindow(Display* display, Window window) {
    ErrorTrap trap(display);
    XRaiseWindow(display, window);
    return trap.Succeeded();
}

}  // namespace ce::drivers::x11
