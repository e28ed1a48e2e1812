// One tab's WebSocket to one device. The first message the tab sends is the access token (empty
// when the gateway has none); until it matches, the tab is told nothing. Then the tab gets the
// device's status and picture, and sends pointer events. One write is in flight at a time; what
// changed meanwhile is taken from the device when that write is done (see FanOut).
//
// Close codes: 4001 the token is wrong or missing in time, 1003 a message that is not a
// pointer event, 1009 (by the WebSocket layer) a message of more than kMaxMessage bytes.
#pragma once

#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access.h"
#include "device_link.h"
#include "gateway_state.h"

namespace brevanta::web {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;

constexpr std::size_t kMaxMessage = 1024;
constexpr std::uint16_t kCloseWrongToken = 4001;
constexpr auto kTokenTimeout = std::chrono::seconds(10);

template <class Stream>
class SocketSession final : public DeviceWatcher,
                            public std::enable_shared_from_this<SocketSession<Stream>> {
public:
    // The session keeps the gateway's state alive: a session still owned by the I/O context
    // when the gateway ends leaves its device on its way out.
    SocketSession(Stream&& stream, std::shared_ptr<GatewayState> state, std::size_t device,
                  Pace pace, ConnectionSlot slot)
        : m_socket(std::move(stream)),
          m_slot(std::move(slot)),
          m_state(std::move(state)),
          m_device(m_state->Device(device)),
          m_pace(pace),
          m_policy(m_state->Policy()),
          m_tokenTimer(m_socket.get_executor()),
          m_paceTimer(m_socket.get_executor()) {}

    ~SocketSession() { Leave(); }

    void Run(http::request<http::string_body> request) {
        beast::get_lowest_layer(m_socket).expires_never();
        m_socket.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
        m_socket.set_option(websocket::stream_base::decorator([](websocket::response_type& answer) {
            answer.set(http::field::server, "tavrelin-web");
        }));
        m_socket.read_message_max(kMaxMessage);
        m_socket.auto_fragment(false);
        m_socket.async_accept(request, [self = this->shared_from_this()](beast::error_code error) {
            if (!error) {
                self->AwaitToken();
            }
        });
    }

    void PictureChanged() override { WriteNext(); }
    void StatusChanged() override {
        m_statusOwed = true;
        WriteNext();
    }

private:
    void AwaitToken() {
        m_tokenTimer.expires_after(kTokenTimeout);
        m_tokenTimer.async_wait([weak = this->weak_from_this()](beast::error_code error) {
            if (auto self = weak.lock(); self && !error && !self->m_id) {
                self->Close(kCloseWrongToken, "no token in time");
            }
        });
        Read();
    }

    void Read() {
        m_socket.async_read(
            m_input, [self = this->shared_from_this()](beast::error_code error, std::size_t) {
                self->OnRead(error);
            });
    }

    void OnRead(beast::error_code error) {
        if (error) {
            Leave();
            m_tokenTimer.cancel();
            m_paceTimer.cancel();
            return;
        }
        const auto data = m_input.cdata();
        const std::span<const std::uint8_t> message(static_cast<const std::uint8_t*>(data.data()),
                                                    data.size());
        if (!m_id) {
            const std::string_view given(reinterpret_cast<const char*>(message.data()),
                                         message.size());
            if (!m_socket.got_text() || (m_policy.token && !TokenMatches(*m_policy.token, given))) {
                Close(kCloseWrongToken, "wrong token");
                return;
            }
            m_tokenTimer.cancel();
            m_id = m_device.Watch(this, m_pace);
            m_statusOwed = true;
            WriteNext();
        } else if (m_socket.got_text() || !m_device.Pointer(*m_id, message)) {
            Close(websocket::close_code::unknown_data, "not a pointer event");
            return;
        }
        m_input.consume(m_input.size());
        Read();
    }

    void WriteNext() {
        if (m_writing || m_closing || !m_id) {
            return;
        }
        if (m_statusOwed) {
            m_statusOwed = false;
            m_text = StatusMessage(m_device.Config().name, m_device.Status());
            m_writing = true;
            m_socket.text(true);
            m_socket.async_write(boost::asio::buffer(m_text), Written());
            return;
        }
        if (!m_device.Owes(*m_id)) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (m_pace == Pace::kThumbnail && now < m_nextThumbnail) {
            if (!m_paceArmed) {
                m_paceArmed = true;
                m_paceTimer.expires_at(m_nextThumbnail);
                m_paceTimer.async_wait([weak = this->weak_from_this()](beast::error_code error) {
                    if (auto self = weak.lock(); self && !error) {
                        self->m_paceArmed = false;
                        self->WriteNext();
                    }
                });
            }
            return;
        }
        m_frame = m_device.TakeFrame(*m_id);
        if (m_frame.empty()) {
            return;
        }
        m_nextThumbnail = now + m_device.Settings().thumbnail;
        m_writing = true;
        m_socket.binary(true);
        m_socket.async_write(boost::asio::buffer(m_frame), Written());
    }

    auto Written() {
        return [self = this->shared_from_this()](beast::error_code error, std::size_t) {
            self->m_writing = false;
            if (error) {
                self->Leave();
                return;
            }
            self->WriteNext();
        };
    }

    void Close(std::uint16_t code, const char* reason) {
        if (m_closing) {
            return;
        }
        m_closing = true;
        Leave();
        m_tokenTimer.cancel();
        m_paceTimer.cancel();
        m_socket.async_close(
            websocket::close_reason(static_cast<websocket::close_code>(code), reason),
            [self = this->shared_from_this()](beast::error_code) {});
    }

    void Leave() {
        if (m_id) {
            m_device.Unwatch(*m_id);
            m_id.reset();
        }
    }

    websocket::stream<Stream> m_socket;
    ConnectionSlot m_slot;
    std::shared_ptr<GatewayState> m_state;
    DeviceLink& m_device;
    Pace m_pace;
    const AccessPolicy& m_policy;
    boost::asio::steady_timer m_tokenTimer;
    boost::asio::steady_timer m_paceTimer;
    beast::flat_buffer m_input;
    std::optional<WatcherId> m_id;
    bool m_writing = false;
    bool m_closing = false;
    bool m_statusOwed = false;
    bool m_paceArmed = false;
    std::chrono::steady_clock::time_point m_nextThumbnail{};
    std::string m_text;
    std::vector<std::uint8_t> m_frame;
};

}  // namespace brevanta::web
