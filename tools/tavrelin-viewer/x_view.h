// The interactive window: shows the picture scaled by a whole factor and turns the pointer and
// keys into events in device coordinates. Works with any TrueColor visual, whatever its depth.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "wire.h"

namespace brevanta::viewer {

struct ViewEvent {
    enum class Kind { kMove, kLeftDown, kLeftUp, kRightDown, kRightUp, kQuit };
    Kind kind = Kind::kMove;
    int x = 0;
    int y = 0;
};

class XView {
public:
    // Nothing, with the reason, when the display cannot be opened or offers no TrueColor visual.
    static std::unique_ptr<XView> Open(const std::string& displayName, int scale,
                                       ScreenSize initialSize, std::string* error);
    XView(const XView&) = delete;
    XView& operator=(const XView&) = delete;
    ~XView();

    int Fd() const { return ConnectionNumber(m_display); }
    // Converts the whole picture and puts it on the window, resized first when the size changed.
    void Show(const Picture& picture);
    void SetTitle(const std::string& title);
    // Handles every event that is waiting, without blocking.
    std::vector<ViewEvent> TakeEvents();

private:
    struct Channel {
        int shift = 0;
        unsigned max = 0;  // the channel's largest value
    };

    XView() = default;
    bool CreateWindow(const XVisualInfo& visual, std::string* error);
    void Resize(ScreenSize size);
    void Redraw();
    std::uint32_t PixelFor(std::uint16_t rgb565) const;
    void ToDevice(int windowX, int windowY, int* x, int* y) const;

    Display* m_display = nullptr;
    Visual* m_visual = nullptr;
    int m_depth = 0;
    Colormap m_colormap = 0;  // ours only when the visual is not the default one
    Window m_window = 0;
    GC m_gc = nullptr;
    XImage* m_image = nullptr;
    Atom m_deleteWindow = 0;
    Channel m_red;
    Channel m_green;
    Channel m_blue;
    std::vector<std::uint32_t> m_pixelOf565;  // window pixel value for every RGB565 word
    ScreenSize m_size;
    int m_scale = 1;
};

}  // namespace brevanta::viewer
