#include "script_runner.h"

#include <cstdio>

#include "exit_codes.h"
#include "output.h"
#include "png_writer.h"

namespace brevanta::viewer {
namespace {

using std::chrono::milliseconds;

std::string FrameLine(const DecodedFrame& frame) {
    char text[100];
    std::snprintf(text, sizeof text, "frame mode=0x%02x bytes=%u bands=%d", frame.mode,
                  frame.totalLength, frame.bandCount);
    return text;
}

std::string HexWord(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*x", digits, value);
    return text;
}

std::array<InputRecord, 3> TapRecords(EventCode down, EventCode up, Point point) {
    return {EncodeRecord(EventCode::kMove, point.x, point.y), EncodeRecord(down, point.x, point.y),
            EncodeRecord(up, point.x, point.y)};
}

}  // namespace

int ScriptRunner::Run(const std::vector<Command>& commands) {
    bool ok = true;
    for (const Command& command : commands) {
        std::string failure;
        if (!Execute(command, &failure)) {
            ReportEnd();
            EmitLine("fail " + command.text + ": " + failure);
            ok = false;
            break;
        }
    }
    EmitLine(m_session.Stats().Summary(Clock::now()));
    if (m_session.GetState() == Session::State::kBadFrame) {
        return kExitBadFrame;
    }
    if (!ok) {
        return kExitFailed;
    }
    EmitLine("done");
    return 0;
}

std::size_t ScriptRunner::Pump(Clock::time_point deadline) {
    Session::StepResult step = m_session.Step(deadline);
    for (const DecodedFrame& frame : step.frames) {
        if (frame.sizeChanged) {
            EmitLine("size " + std::to_string(frame.size.width) + "x" +
                     std::to_string(frame.size.height));
        }
        if (!m_options.quietFrames) {
            EmitLine(FrameLine(frame));
        }
    }
    ReportEnd();
    return step.frames.size();
}

void ScriptRunner::ReportEnd() {
    if (!m_session.Open() && !m_endReported) {
        m_endReported = true;
        EmitLine(m_session.GetState() == Session::State::kClosed ? "closed"
                                                                 : "error " + m_session.Error());
    }
}

bool ScriptRunner::NeedOpen(std::string* failure) const {
    if (m_session.Open()) {
        return true;
    }
    *failure =
        m_session.GetState() == Session::State::kClosed ? "connection closed" : m_session.Error();
    return false;
}

milliseconds ScriptRunner::Timeout(const Command& command) const {
    return milliseconds(command.timeoutMs.value_or(m_options.timeoutMs));
}

bool ScriptRunner::Execute(const Command& command, std::string* failure) {
    const Point point = command.points.empty() ? Point{} : command.points.front();
    switch (command.kind) {
        case CommandKind::kWaitFrame:
            return WaitFrame(command, failure);
        case CommandKind::kWaitUpdate:
            return WaitUpdate(command, false, failure);
        case CommandKind::kExpectUpdate:
            return WaitUpdate(command, true, failure);
        case CommandKind::kWaitIdle:
            return WaitIdle(milliseconds(command.durationMs), Timeout(command), failure);
        case CommandKind::kWait: {
            const Clock::time_point deadline = Clock::now() + milliseconds(command.durationMs);
            do {
                Pump(deadline);
            } while (m_session.Open() && Clock::now() < deadline);
            return true;
        }
        case CommandKind::kWaitClosed:
            return WaitClosed(command, failure);
        case CommandKind::kSnapshot:
            if (!WritePng(command.path, m_session.GetPicture(), failure)) {
                return false;
            }
            EmitLine("snapshot " + command.path);
            return true;
        case CommandKind::kTap:
            return SendInput(TapRecords(EventCode::kLeftDown, EventCode::kLeftUp, point), failure);
        case CommandKind::kRightTap:
            return SendInput(TapRecords(EventCode::kRightDown, EventCode::kRightUp, point),
                             failure);
        case CommandKind::kMove:
        case CommandKind::kDown:
        case CommandKind::kUp:
        case CommandKind::kRightDown:
        case CommandKind::kRightUp: {
            const EventCode code = command.kind == CommandKind::kMove        ? EventCode::kMove
                                   : command.kind == CommandKind::kDown      ? EventCode::kLeftDown
                                   : command.kind == CommandKind::kUp        ? EventCode::kLeftUp
                                   : command.kind == CommandKind::kRightDown ? EventCode::kRightDown
                                                                             : EventCode::kRightUp;
            const InputRecord record = EncodeRecord(code, point.x, point.y);
            return SendInput(std::span(&record, 1), failure);
        }
        case CommandKind::kDrag:
            return Drag(command, failure);
        case CommandKind::kRequest:
            if (!NeedOpen(failure)) {
                return false;
            }
            m_session.SendRequest();
            return NeedOpen(failure);
        case CommandKind::kRaw:
            if (!NeedOpen(failure)) {
                return false;
            }
            m_session.SendRaw(command.bytes);
            return NeedOpen(failure);
        case CommandKind::kExpectMode:
            if (!m_session.LastMode()) {
                *failure = "no frame yet";
                return false;
            }
            if (*m_session.LastMode() != command.value) {
                *failure = "mode is " + HexWord(*m_session.LastMode(), 2);
                return false;
            }
            return true;
        case CommandKind::kExpectSize: {
            const ScreenSize size = m_session.GetPicture().Size();
            if (size != command.size) {
                *failure = m_session.GetPicture().Empty()
                               ? std::string("no picture yet")
                               : "size is " + std::to_string(size.width) + "x" +
                                     std::to_string(size.height);
                return false;
            }
            return true;
        }
        case CommandKind::kExpectPixel:
            return ExpectPixel(command, failure);
        case CommandKind::kTapLatency:
            return TapLatency(command, failure);
        case CommandKind::kStats:
            EmitLine(m_session.Stats().Summary(Clock::now()));
            return true;
    }
    return true;
}

bool ScriptRunner::WaitFrame(const Command& command, std::string* failure) {
    const Clock::time_point deadline = Clock::now() + Timeout(command);
    while (m_session.Open()) {
        if (Pump(deadline) > 0) {
            return true;
        }
        if (Clock::now() >= deadline) {
            *failure = "no frame within " + std::to_string(Timeout(command).count()) + " ms";
            return false;
        }
    }
    return NeedOpen(failure);
}

// The first frame shows that something changed; the frames after it, until a quiet spell, finish
// the change (an application often repaints in several steps).
bool ScriptRunner::WaitUpdate(const Command& command, bool mustChange, std::string* failure) {
    if (!NeedOpen(failure)) {
        return false;
    }
    const milliseconds settle(m_options.settleMs);
    const Clock::time_point deadline = Clock::now() + Timeout(command);
    std::size_t frames = 0;
    Clock::time_point lastFrame;
    while (m_session.Open()) {
        const Clock::time_point now = Clock::now();
        if (frames > 0 && now >= lastFrame + settle) {
            break;
        }
        if (now >= deadline) {
            break;
        }
        const std::size_t got =
            Pump(frames == 0 ? deadline : std::min(deadline, lastFrame + settle));
        if (got > 0) {
            frames += got;
            lastFrame = Clock::now();
        }
    }
    if (frames > 0) {
        EmitLine("update frames=" + std::to_string(frames));
        return true;
    }
    if (!NeedOpen(failure)) {
        return false;
    }
    EmitLine("no-update");
    if (mustChange) {
        *failure = "no frame within " + std::to_string(Timeout(command).count()) + " ms";
        return false;
    }
    return true;
}

bool ScriptRunner::WaitIdle(milliseconds quiet, milliseconds timeout, std::string* failure) {
    const Clock::time_point deadline = Clock::now() + timeout;
    Clock::time_point lastFrame = Clock::now();
    while (m_session.Open()) {
        const Clock::time_point now = Clock::now();
        if (now >= lastFrame + quiet) {
            return true;
        }
        if (now >= deadline) {
            *failure = "frames kept coming for " + std::to_string(timeout.count()) + " ms";
            return false;
        }
        if (Pump(std::min(deadline, lastFrame + quiet)) > 0) {
            lastFrame = Clock::now();
        }
    }
    return NeedOpen(failure);
}

bool ScriptRunner::WaitClosed(const Command& command, std::string* failure) {
    const Clock::time_point deadline = Clock::now() + Timeout(command);
    while (m_session.Open() && Clock::now() < deadline) {
        Pump(deadline);
    }
    if (m_session.Open()) {
        *failure = "still open after " + std::to_string(Timeout(command).count()) + " ms";
        return false;
    }
    if (m_session.GetState() == Session::State::kBadFrame) {
        *failure = m_session.Error();
        return false;
    }
    return true;
}

bool ScriptRunner::SendInput(std::span<const InputRecord> records, std::string* failure) {
    if (!NeedOpen(failure)) {
        return false;
    }
    m_session.SendInput(records);
    return NeedOpen(failure);
}

// Spaced by --move-ms like a hand on the screen, taking frames meanwhile.
bool ScriptRunner::Drag(const Command& command, std::string* failure) {
    const Point from = command.points[0];
    const Point to = command.points[1];
    const InputRecord down = EncodeRecord(EventCode::kLeftDown, from.x, from.y);
    std::array<InputRecord, 2> start = {EncodeRecord(EventCode::kMove, from.x, from.y), down};
    if (!SendInput(start, failure)) {
        return false;
    }
    for (int step = 1; step <= command.count; ++step) {
        const Clock::time_point next = Clock::now() + milliseconds(m_options.moveMs);
        while (m_session.Open() && Clock::now() < next) {
            Pump(next);
        }
        const auto along = [&](int a, int b) {
            return static_cast<std::uint16_t>(a + (b - a) * step / command.count);
        };
        const InputRecord move =
            EncodeRecord(EventCode::kMove, along(from.x, to.x), along(from.y, to.y));
        if (!SendInput(std::span(&move, 1), failure)) {
            return false;
        }
    }
    const InputRecord up = EncodeRecord(EventCode::kLeftUp, to.x, to.y);
    return SendInput(std::span(&up, 1), failure);
}

bool ScriptRunner::TapLatency(const Command& command, std::string* failure) {
    std::vector<double> samples;
    int missed = 0;
    const milliseconds timeout(m_options.timeoutMs);
    for (int tap = 0; tap < command.count; ++tap) {
        // Frames still answering earlier input would be taken for this tap's answer.
        if (!WaitIdle(milliseconds(m_options.settleMs), timeout, failure)) {
            return false;
        }
        const Point point = command.points[static_cast<std::size_t>(tap) % command.points.size()];
        const Clock::time_point sent = Clock::now();
        if (!SendInput(TapRecords(EventCode::kLeftDown, EventCode::kLeftUp, point), failure)) {
            return false;
        }
        const Clock::time_point deadline = sent + timeout;
        bool answered = false;
        while (!answered && m_session.Open() && Clock::now() < deadline) {
            answered = Pump(deadline) > 0;
        }
        if (answered) {
            samples.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
        } else if (!NeedOpen(failure)) {
            return false;
        } else {
            ++missed;
        }
    }
    EmitLine(LatencyLine(samples, missed));
    if (samples.empty()) {
        *failure = "no tap was answered";
        return false;
    }
    return true;
}

bool ScriptRunner::ExpectPixel(const Command& command, std::string* failure) {
    const Picture& picture = m_session.GetPicture();
    const Point point = command.points.front();
    if (picture.Empty()) {
        *failure = "no picture yet";
        return false;
    }
    if (point.x >= picture.Size().width || point.y >= picture.Size().height) {
        *failure = "outside the picture";
        return false;
    }
    const std::uint16_t pixel = picture.PixelAt(point.x, point.y);
    if (pixel != command.value) {
        *failure = "pixel is " + HexWord(pixel, 4);
        return false;
    }
    return true;
}

}  // namespace brevanta::viewer
