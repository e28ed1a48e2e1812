// One device as the gateway holds it: its one connection to Tavrelin, its current picture, the
// tabs that watch it, and the requests that keep the picture fresh while anybody watches.
// Everything runs on the gateway's one I/O thread.
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/tavrelin/backoff.h"
#include "common/tavrelin/frame_decoder.h"
#include "common/tavrelin/poll_schedule.h"
#include "fan_out.h"
#include "link_status.h"
#include "options.h"
#include "pointer_input.h"

namespace brevanta::web {

namespace asio = boost::asio;

// A tab's side of a device: told when the picture or the connection state changed.
class DeviceWatcher {
public:
    virtual void PictureChanged() = 0;
    virtual void StatusChanged() = 0;

protected:
    ~DeviceWatcher() = default;
};

struct LinkSettings {
    std::chrono::milliseconds poll{8};
    std::chrono::milliseconds thumbnail{500};
    // Unwatched, the connection stays this long (a reload comes back to it), then it is closed
    // so that another viewer may have the device.
    std::chrono::milliseconds linger{10000};
    std::chrono::milliseconds connectTimeout{3000};
    std::optional<tavrelin::ScreenSize> size;
};

class DeviceLink {
public:
    DeviceLink(asio::io_context& io, DeviceConfig config, const LinkSettings& settings);
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    const DeviceConfig& Config() const { return m_config; }
    const LinkStatus& Status() const { return m_status; }
    const LinkSettings& Settings() const { return m_settings; }

    WatcherId Watch(DeviceWatcher* watcher, Pace pace);
    void Unwatch(WatcherId id);
    // Whether a frame message is owed to the watcher and can be built now.
    bool Owes(WatcherId id) const;
    // The message of every band owed to the watcher, from the current picture.
    std::vector<std::uint8_t> TakeFrame(WatcherId id);
    // A tab's pointer message; false when it is not one.
    bool Pointer(WatcherId id, std::span<const std::uint8_t> message);

    // Ends the connection and every timer, for the gateway's end.
    void Shut();

private:
    const tavrelin::Picture& CurrentPicture() const;
    void Connect();
    void OnResolved(std::uint64_t attempt, const boost::system::error_code& error,
                    const asio::ip::tcp::resolver::results_type& results);
    void OnConnected(std::uint64_t attempt, const boost::system::error_code& error);
    void Read();
    void OnRead(std::uint64_t attempt, const boost::system::error_code& error, std::size_t count);
    // Ends the connection; retries after a wait while anybody watches.
    void Drop(LinkState state, std::string detail);
    void CloseSocket();
    void Send(std::span<const std::uint8_t> bytes);
    void WriteQueued();
    void UpdatePace();
    void ArmPoll();
    void OnPollDue(std::uint64_t attempt);
    void SetStatus(LinkStatus status);
    void NotifyPicture();

    DeviceConfig m_config;
    LinkSettings m_settings;
    asio::ip::tcp::resolver m_resolver;
    asio::ip::tcp::socket m_socket;
    asio::steady_timer m_pollTimer;
    asio::steady_timer m_retryTimer;
    asio::steady_timer m_connectTimer;
    asio::steady_timer m_lingerTimer;

    FanOut m_fanOut;
    InputArbiter m_arbiter;
    std::map<WatcherId, DeviceWatcher*> m_watchers;
    LinkStatus m_status;
    tavrelin::Backoff m_backoff;
    tavrelin::PollSchedule m_polls;

    // Each connection attempt has a number: handlers of an earlier one find theirs outdated.
    std::uint64_t m_attempt = 0;
    bool m_busy = false;  // resolving, connecting or connected
    bool m_connected = false;
    bool m_served = false;  // a frame came on this connection
    bool m_pollArmed = false;
    std::optional<tavrelin::FrameDecoder> m_decoder;
    tavrelin::Picture m_lastPicture;  // what the previous connection showed last
    std::uint8_t m_mode = 0;
    std::vector<std::uint8_t> m_readBuffer;
    std::vector<std::uint8_t> m_queued;
    std::vector<std::uint8_t> m_writing;
};

}  // namespace brevanta::web
