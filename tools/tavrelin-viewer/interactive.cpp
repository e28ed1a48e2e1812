#include "interactive.h"

#include <poll.h>

#include <cstdio>

#include "exit_codes.h"
#include "output.h"
#include "x_view.h"

namespace brevanta::viewer {
namespace {

using std::chrono::milliseconds;

constexpr auto kTitlePeriod = std::chrono::seconds(1);

EventCode CodeFor(ViewEvent::Kind kind) {
    switch (kind) {
        case ViewEvent::Kind::kLeftDown:
            return EventCode::kLeftDown;
        case ViewEvent::Kind::kLeftUp:
            return EventCode::kLeftUp;
        case ViewEvent::Kind::kRightDown:
            return EventCode::kRightDown;
        case ViewEvent::Kind::kRightUp:
            return EventCode::kRightUp;
        default:
            return EventCode::kMove;
    }
}

// The figures of the last period, kept to show rates rather than averages since the start.
class TitleMaker {
public:
    explicit TitleMaker(std::string where) : m_where(std::move(where)) {}

    std::string Make(const Session& session, Clock::time_point now) {
        const double seconds = std::chrono::duration<double>(now - m_last).count();
        const std::uint64_t frames = session.Stats().Frames();
        const std::uint64_t bytes = session.Stats().Bytes();
        const double fps = seconds > 0 ? static_cast<double>(frames - m_frames) / seconds : 0;
        const double kbps = seconds > 0 ? static_cast<double>(bytes - m_bytes) / seconds / 1024 : 0;
        m_last = now;
        m_frames = frames;
        m_bytes = bytes;

        const Picture& picture = session.GetPicture();
        char text[256];
        std::snprintf(text, sizeof text, "tavrelin-viewer %s", m_where.c_str());
        std::string title = text;
        if (!picture.Empty()) {
            std::snprintf(text, sizeof text, " %dx%d", picture.Size().width, picture.Size().height);
            title += text;
        }
        if (session.LastMode()) {
            std::snprintf(text, sizeof text, " mode 0x%02x", *session.LastMode());
            title += text;
        }
        if (session.Connected()) {
            std::snprintf(text, sizeof text, " %.1f fps %.1f kB/s", fps, kbps);
            title += text;
        } else if (session.Open()) {
            title += session.RetryReason().empty()
                         ? " (connecting...)"
                         : " (reconnecting: " + session.RetryReason() + ")";
        } else {
            title += session.GetState() == Session::State::kClosed ? " (closed)"
                                                                   : " (" + session.Error() + ")";
        }
        return title;
    }

private:
    std::string m_where;
    Clock::time_point m_last = Clock::now();
    std::uint64_t m_frames = 0;
    std::uint64_t m_bytes = 0;
};

}  // namespace

int RunInteractive(Session& session, const Options& options) {
    std::string error;
    std::unique_ptr<XView> view =
        XView::Open(options.display, options.scale, options.size.value_or(ScreenSize{}), &error);
    if (!view) {
        EmitLine("error " + error);
        return kExitFailed;
    }
    TitleMaker titles(options.host + ":" + std::to_string(options.port));
    view->SetTitle(titles.Make(session, Clock::now()));
    view->Show(session.GetPicture());

    const milliseconds moveGap(options.moveMs);
    // The latest pointer position not sent yet, if any.
    bool movePending = false;
    ViewEvent pendingMove;
    Clock::time_point lastMove;
    Clock::time_point nextTitle = Clock::now() + kTitlePeriod;
    bool endReported = false;
    for (;;) {
        for (const ViewEvent& event : view->TakeEvents()) {
            if (event.kind == ViewEvent::Kind::kQuit) {
                EmitLine(session.Stats().Summary(Clock::now()));
                return session.GetState() == Session::State::kBadFrame ? kExitBadFrame : 0;
            }
            if (event.kind == ViewEvent::Kind::kMove) {
                pendingMove = event;
                movePending = true;
                continue;
            }
            // A button carries its own position, which makes a waiting move pointless.
            movePending = false;
            const InputRecord record =
                EncodeRecord(CodeFor(event.kind), static_cast<std::uint16_t>(event.x),
                             static_cast<std::uint16_t>(event.y));
            session.SendInput(std::span(&record, 1));
        }
        Clock::time_point now = Clock::now();
        if (movePending && now >= lastMove + moveGap) {
            const InputRecord record =
                EncodeRecord(EventCode::kMove, static_cast<std::uint16_t>(pendingMove.x),
                             static_cast<std::uint16_t>(pendingMove.y));
            session.SendInput(std::span(&record, 1));
            movePending = false;
            lastMove = now;
        }
        if (now >= nextTitle) {
            view->SetTitle(titles.Make(session, now));
            nextTitle = now + kTitlePeriod;
        }

        Clock::time_point wake = nextTitle;
        if (movePending) {
            wake = std::min(wake, lastMove + moveGap);
        }
        if (session.Open()) {
            if (!session.Step(wake, view->Fd()).frames.empty()) {
                view->Show(session.GetPicture());
            }
        } else {
            if (!endReported) {
                endReported = true;
                EmitLine(session.GetState() == Session::State::kClosed
                             ? "closed"
                             : "error " + session.Error());
                view->SetTitle(titles.Make(session, Clock::now()));
            }
            pollfd entry{view->Fd(), POLLIN, 0};
            const auto waitMs = std::chrono::ceil<milliseconds>(wake - Clock::now()).count();
            poll(&entry, 1, static_cast<int>(std::max<long long>(0, waitMs)));
        }
    }
}

}  // namespace brevanta::viewer
