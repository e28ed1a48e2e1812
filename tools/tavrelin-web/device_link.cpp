#include "device_link.h"

#include <netinet/in.h>
#include <netinet/tcp.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/write.hpp>

namespace brevanta::web {
namespace {

using boost::system::error_code;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::size_t kReadSize = 64 * 1024;
// Tavrelin reads 1024 bytes at a time; more than this waiting means it has stopped reading, and
// further input is dropped rather than kept.
constexpr std::size_t kMaxQueued = 16 * 1024;
constexpr milliseconds kFirstRetry{100};
constexpr milliseconds kLastRetry{5000};
// A device that vanishes mid-send is given up after this long, not the system's many minutes.
constexpr unsigned kUserTimeoutMs = 10000;

constexpr tavrelin::InputRecord kUpdateRequest =
    tavrelin::EncodeRecord(tavrelin::EventCode::kUpdateRequest);

int Milliseconds(milliseconds wait) {
    return static_cast<int>(wait.count());
}

}  // namespace

DeviceLink::DeviceLink(asio::io_context& io, DeviceConfig config, const LinkSettings& settings)
    : m_config(std::move(config)),
      m_settings(settings),
      m_resolver(io),
      m_socket(io),
      m_pollTimer(io),
      m_retryTimer(io),
      m_connectTimer(io),
      m_lingerTimer(io),
      m_backoff(kFirstRetry, kLastRetry),
      // Every 2 ms after an input: a tap's effect shows within milliseconds of being drawn.
      m_polls(milliseconds(0), Clock::now(), tavrelin::PollSchedule::FollowUps::kEven),
      m_readBuffer(kReadSize) {
    if (m_settings.size) {
        m_lastPicture = tavrelin::Picture(*m_settings.size);
    }
}

WatcherId DeviceLink::Watch(DeviceWatcher* watcher, Pace pace) {
    const WatcherId id = m_fanOut.Join(pace);
    m_watchers[id] = watcher;
    m_lingerTimer.cancel();
    UpdatePace();
    if (!m_busy) {
        // A new watcher does not wait out the back-off of a device nobody looked at.
        m_retryTimer.cancel();
        Connect();
    }
    return id;
}

void DeviceLink::Unwatch(WatcherId id) {
    if (m_watchers.erase(id) == 0) {
        return;
    }
    m_fanOut.Leave(id);
    const std::vector<tavrelin::InputRecord> release = m_arbiter.Release(id);
    for (const tavrelin::InputRecord& record : release) {
        Send(record);
    }
    UpdatePace();
    if (m_watchers.empty()) {
        m_retryTimer.cancel();
        if (!m_busy) {
            SetStatus({LinkState::kIdle, "nobody watches", 0});
        }
        m_lingerTimer.expires_after(m_settings.linger);
        m_lingerTimer.async_wait([this](const error_code& error) {
            if (!error && m_watchers.empty()) {
                CloseSocket();
                SetStatus({LinkState::kIdle, "nobody watches", 0});
            }
        });
    }
}

const tavrelin::Picture& DeviceLink::CurrentPicture() const {
    if (m_decoder && !m_decoder->GetPicture().Empty()) {
        return m_decoder->GetPicture();
    }
    return m_lastPicture;
}

bool DeviceLink::Owes(WatcherId id) const {
    return !CurrentPicture().Empty() && m_fanOut.Owed(id) != 0;
}

std::vector<std::uint8_t> DeviceLink::TakeFrame(WatcherId id) {
    if (CurrentPicture().Empty()) {
        return {};
    }
    return BuildFrameMessage(CurrentPicture(), m_mode, m_fanOut.Take(id));
}

bool DeviceLink::Pointer(WatcherId id, std::span<const std::uint8_t> message) {
    const tavrelin::Picture& picture = CurrentPicture();
    const std::optional<PointerEvent> event =
        ParsePointerMessage(message, picture.Empty() ? tavrelin::ScreenSize{} : picture.Size());
    if (!event) {
        return false;
    }
    if (!m_connected || picture.Empty()) {
        return true;  // nothing to point at yet; the event is dropped
    }
    std::vector<tavrelin::InputRecord> records = m_arbiter.Admit(id, *event);
    if (records.empty()) {
        return true;
    }
    records.push_back(kUpdateRequest);
    // One write: Tavrelin then reads the move, the button and the request at once and answers
    // with one capture, instead of a capture for the move while the button waits behind it.
    std::vector<std::uint8_t> bytes;
    bytes.reserve(records.size() * tavrelin::kRecordSize);
    for (const tavrelin::InputRecord& record : records) {
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    Send(bytes);
    m_polls.InputSent(Clock::now());
    ArmPoll();
    return true;
}

void DeviceLink::Shut() {
    m_watchers.clear();
    m_retryTimer.cancel();
    m_lingerTimer.cancel();
    CloseSocket();
}

void DeviceLink::Connect() {
    CloseSocket();
    m_busy = true;
    const std::uint64_t attempt = ++m_attempt;
    SetStatus({LinkState::kConnecting,
               "connecting to " + m_config.host + ":" + std::to_string(m_config.port), 0});
    m_connectTimer.expires_after(m_settings.connectTimeout);
    m_connectTimer.async_wait([this, attempt](const error_code& error) {
        if (!error && attempt == m_attempt && !m_connected) {
            Drop(LinkState::kUnreachable,
                 "no answer within " + std::to_string(m_settings.connectTimeout.count()) + " ms");
        }
    });
    m_resolver.async_resolve(m_config.host, std::to_string(m_config.port),
                             [this, attempt](const error_code& error,
                                             const asio::ip::tcp::resolver::results_type& results) {
                                 OnResolved(attempt, error, results);
                             });
}

void DeviceLink::OnResolved(std::uint64_t attempt, const error_code& error,
                            const asio::ip::tcp::resolver::results_type& results) {
    if (attempt != m_attempt) {
        return;
    }
    if (error) {
        Drop(LinkState::kUnreachable, "cannot resolve " + m_config.host + ": " + error.message());
        return;
    }
    asio::async_connect(m_socket, results,
                        [this, attempt](const error_code& connectError, const auto&) {
                            OnConnected(attempt, connectError);
                        });
}

void DeviceLink::OnConnected(std::uint64_t attempt, const error_code& error) {
    if (attempt != m_attempt) {
        return;
    }
    if (error == asio::error::connection_refused) {
        Drop(LinkState::kBusy,
             "Tavrelin refused the connection: another viewer has the device, or Tavrelin is "
             "stopped");
        return;
    }
    if (error) {
        Drop(LinkState::kUnreachable, "cannot connect: " + error.message());
        return;
    }
    m_connectTimer.cancel();
    m_connected = true;
    m_served = false;
    error_code ignored;
    m_socket.set_option(asio::ip::tcp::no_delay(true), ignored);
    m_socket.set_option(asio::socket_base::keep_alive(true), ignored);
    const unsigned userTimeout = kUserTimeoutMs;
    setsockopt(m_socket.native_handle(), IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout,
               sizeof userTimeout);
    if (!m_decoder || m_decoder->Failed() || !m_decoder->GetPicture().Empty()) {
        if (m_decoder && !m_decoder->GetPicture().Empty()) {
            m_lastPicture = m_decoder->GetPicture();
        }
        m_decoder.emplace(m_settings.size);
    }
    SetStatus({LinkState::kConnected, "connected", 0});
    // Tavrelin sends nothing until asked.
    Send(kUpdateRequest);
    m_polls.RequestSent(Clock::now());
    UpdatePace();
    Read();
}

void DeviceLink::Read() {
    const std::uint64_t attempt = m_attempt;
    m_socket.async_read_some(asio::buffer(m_readBuffer),
                             [this, attempt](const error_code& error, std::size_t count) {
                                 OnRead(attempt, error, count);
                             });
}

void DeviceLink::OnRead(std::uint64_t attempt, const error_code& error, std::size_t count) {
    if (attempt != m_attempt) {
        return;
    }
    if (error) {
        if (m_served) {
            Drop(LinkState::kReconnecting,
                 "Tavrelin closed the connection (" + error.message() + ")");
        } else {
            // Tavrelin resets a connection that reached its backlog while it took on another
            // viewer, or that came as it restarted.
            Drop(LinkState::kReconnecting,
                 "Tavrelin ended the connection before serving it (" + error.message() + ")");
        }
        return;
    }
    std::vector<tavrelin::DecodedFrame> frames;
    const bool good = m_decoder->Feed(std::span(m_readBuffer).first(count), &frames);
    std::uint64_t changed = 0;
    for (const tavrelin::DecodedFrame& frame : frames) {
        changed |= frame.sizeChanged ? kAllBands : frame.bandMask;
        m_mode = frame.mode;
    }
    if (!frames.empty()) {
        if (!m_served) {
            m_served = true;
            m_backoff.Reset();
        }
        m_fanOut.BandsChanged(changed);
        NotifyPicture();
    }
    if (!good) {
        Drop(LinkState::kReconnecting, "Tavrelin sent a bad frame: " + m_decoder->Error());
        return;
    }
    Read();
}

void DeviceLink::Drop(LinkState state, std::string detail) {
    CloseSocket();
    if (m_watchers.empty()) {
        SetStatus({LinkState::kIdle, "nobody watches", 0});
        return;
    }
    const milliseconds wait = m_backoff.Take();
    SetStatus({state, std::move(detail), Milliseconds(wait)});
    m_retryTimer.expires_after(wait);
    m_retryTimer.async_wait([this](const error_code& error) {
        if (!error && !m_busy && !m_watchers.empty()) {
            Connect();
        }
    });
}

void DeviceLink::CloseSocket() {
    ++m_attempt;
    m_busy = false;
    m_connected = false;
    m_pollArmed = false;
    m_resolver.cancel();
    m_connectTimer.cancel();
    m_pollTimer.cancel();
    error_code ignored;
    m_socket.close(ignored);
    m_queued.clear();
    m_writing.clear();
    m_arbiter = InputArbiter();
}

void DeviceLink::Send(std::span<const std::uint8_t> bytes) {
    if (!m_connected || m_queued.size() + bytes.size() > kMaxQueued) {
        return;
    }
    m_queued.insert(m_queued.end(), bytes.begin(), bytes.end());
    WriteQueued();
}

void DeviceLink::WriteQueued() {
    if (!m_writing.empty() || m_queued.empty()) {
        return;
    }
    m_writing.swap(m_queued);
    const std::uint64_t attempt = m_attempt;
    asio::async_write(
        m_socket, asio::buffer(m_writing), [this, attempt](const error_code& error, std::size_t) {
            if (attempt != m_attempt) {
                return;
            }
            m_writing.clear();
            if (error) {
                Drop(LinkState::kReconnecting, "cannot send to Tavrelin: " + error.message());
                return;
            }
            WriteQueued();
        });
}

void DeviceLink::UpdatePace() {
    milliseconds steady(0);
    if (m_fanOut.Count(Pace::kFull) > 0) {
        steady = m_settings.poll;
    } else if (m_fanOut.Count(Pace::kThumbnail) > 0) {
        steady = m_settings.thumbnail;
    }
    m_polls.SetSteady(steady, Clock::now());
    m_pollTimer.cancel();
    m_pollArmed = false;
    ArmPoll();
}

void DeviceLink::ArmPoll() {
    if (!m_connected || !m_polls.Active()) {
        return;
    }
    if (m_pollArmed && m_pollTimer.expiry() <= m_polls.Next()) {
        return;
    }
    m_pollArmed = true;
    m_pollTimer.expires_at(m_polls.Next());
    const std::uint64_t attempt = m_attempt;
    m_pollTimer.async_wait([this, attempt](const error_code& error) {
        if (!error && attempt == m_attempt) {
            m_pollArmed = false;
            OnPollDue(attempt);
        }
    });
}

void DeviceLink::OnPollDue(std::uint64_t attempt) {
    const Clock::time_point now = Clock::now();
    if (m_polls.Active() && now >= m_polls.Next()) {
        // A device that has not taken the last bytes yet is not asked again meanwhile.
        if (m_queued.empty() && m_writing.empty()) {
            Send(kUpdateRequest);
        }
        m_polls.DueRequestSent(now);
    }
    if (attempt == m_attempt) {
        ArmPoll();
    }
}

void DeviceLink::SetStatus(LinkStatus status) {
    if (status == m_status) {
        return;
    }
    m_status = std::move(status);
    const std::map<WatcherId, DeviceWatcher*> watchers = m_watchers;
    for (const auto& [id, watcher] : watchers) {
        if (m_watchers.contains(id)) {
            watcher->StatusChanged();
        }
    }
}

void DeviceLink::NotifyPicture() {
    const std::map<WatcherId, DeviceWatcher*> watchers = m_watchers;
    for (const auto& [id, watcher] : watchers) {
        if (m_watchers.contains(id)) {
            watcher->PictureChanged();
        }
    }
}

}  // namespace brevanta::web
