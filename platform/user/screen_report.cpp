#include "user/screen_report.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "gdi/surface_dc.h"
#include "user/desktop.h"
#include "gdi/rect_math.h"

namespace ce::user {

namespace {

// Taken when the program's static objects are made, as close to its start as the layer gets.
const auto g_layerStart = std::chrono::steady_clock::now();

bool TracingFrames() {
    static const bool tracing = [] {
        const char* value = std::getenv("CE_TRACE_FRAMES");
        return value != nullptr && std::string_view(value) == "1";
    }();
    return tracing;
}

void TraceFrame() {
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - g_layerStart;
    std::fprintf(stderr, "frame %.3f\n", elapsed.count());
}

drivers::WindowId IdOf(HWND window) {
    return reinterpret_cast<drivers::WindowId>(window);
}

}  // namespace

void ReportWindow(Desktop& desktop, HWND window) {
    drivers::TopLevelWindow report;
    std::shared_ptr<const gdi::Surface> surface;
    desktop.Windows().With(window, [&](const Window& record) {
        if (record.m_parent != nullptr) {
            return;
        }
        report.id = IdOf(window);
        report.rect = record.m_rect;
        report.visible = (record.m_style & WS_VISIBLE) != 0;
        report.className = record.m_class->m_name;
        report.title = record.m_text;
        surface = record.m_surface;
    });
    if (surface) {
        desktop.Driver().UpdateWindow(report, std::move(surface));
    }
}

void ReportRemoved(Desktop& desktop, HWND window) {
    desktop.Driver().RemoveWindow(IdOf(window));
}

void ReportStacking(Desktop& desktop) {
    const auto shown = desktop.Windows().Locked([](const WindowTable::View& view) {
        std::vector<HWND> windows;
        for (HWND handle : view.TopLevel()) {
            const Window* window = view.Find(handle);
            if (window != nullptr && (window->m_style & WS_VISIBLE) != 0) {
                windows.push_back(handle);
            }
        }
        return windows;
    });
    desktop.ReportStacking(shown);
}

void PresentDrawn(Desktop& desktop, HWND window, HDC dc) {
    const RECT drawn = gdi::DrawnBounds(dc);
    if (IsEmpty(drawn)) {
        return;
    }
    HWND root = desktop.Windows().RootOf(window);
    if (root == nullptr) {
        return;
    }
    desktop.Driver().Present(IdOf(root), drawn);
    if (TracingFrames()) {
        TraceFrame();
    }
}

}  // namespace ce::user
