// One browser connection before it becomes a WebSocket: HTTP requests in, the page's files and
// the device list out (see routes.h), capped in size and time. An upgrade to /ws/NAME hands the
// connection to a SocketSession.
#pragma once

#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <chrono>
#include <memory>
#include <optional>

#include "gateway_state.h"
#include "page_assets.h"
#include "routes.h"
#include "socket_session.h"

namespace brevanta::web {

constexpr std::size_t kMaxHeader = 8 * 1024;
constexpr std::size_t kMaxBody = 1024;
constexpr auto kRequestTimeout = std::chrono::seconds(30);

template <class Stream>
class HttpSession : public std::enable_shared_from_this<HttpSession<Stream>> {
public:
    HttpSession(Stream&& stream, std::shared_ptr<GatewayState> state)
        : m_stream(std::move(stream)), m_state(std::move(state)), m_slot(m_state->TakeSlot()) {}

    void Run() { ReadRequest(); }

private:
    void ReadRequest() {
        m_parser.emplace();
        m_parser->header_limit(kMaxHeader);
        m_parser->body_limit(kMaxBody);
        beast::get_lowest_layer(m_stream).expires_after(kRequestTimeout);
        http::async_read(m_stream, m_buffer, *m_parser,
                         [self = this->shared_from_this()](beast::error_code error, std::size_t) {
                             self->OnRequest(error);
                         });
    }

    void OnRequest(beast::error_code error) {
        if (error == http::error::end_of_stream || error == beast::error::timeout ||
            error == boost::asio::error::operation_aborted || error == boost::asio::error::eof ||
            error == boost::asio::error::connection_reset) {
            Shutdown();
            return;
        }
        if (error) {
            const int status = error == http::error::header_limit ? 431
                               : error == http::error::body_limit ? 413
                                                                  : 400;
            WebResponse refusal;
            refusal.status = status;
            refusal.contentType = "text/plain; charset=utf-8";
            refusal.body = error.message() + "\n";
            Send(refusal, false);
            return;
        }
        http::request<http::string_body> request = m_parser->release();
        WebRequest view;
        view.method = request.method_string();
        view.target = request.target();
        view.host = request[http::field::host];
        view.authorization = request[http::field::authorization];
        view.ifNoneMatch = request[http::field::if_none_match];
        view.origin = request[http::field::origin];
        if (websocket::is_upgrade(request)) {
            UpgradeDecision decision =
                DecideUpgrade(view, m_state->Policy(), m_state->DeviceConfigs());
            if (decision.status == 0 && !m_slot.Held()) {
                decision.status = 503;
                decision.reason = "too many connections";
            }
            if (decision.status != 0) {
                WebResponse refusal;
                refusal.status = decision.status;
                refusal.contentType = "text/plain; charset=utf-8";
                refusal.body = decision.reason + "\n";
                Send(refusal, false);
                return;
            }
            auto socket = std::make_shared<SocketSession<Stream>>(
                std::move(m_stream), m_state, decision.device, decision.pace, std::move(m_slot));
            socket->Run(std::move(request));
            return;
        }
        if (!m_slot.Held()) {
            WebResponse refusal;
            refusal.status = 503;
            refusal.contentType = "text/plain; charset=utf-8";
            refusal.body = "too many connections\n";
            Send(refusal, false);
            return;
        }
        Send(Respond(view, m_state->Policy(), m_state->DeviceConfigs()), request.keep_alive());
    }

    void Send(const WebResponse& answer, bool keepAlive) {
        auto response = std::make_shared<http::response<http::buffer_body>>();
        response->result(static_cast<http::status>(answer.status));
        response->version(11);
        response->set(http::field::server, "tavrelin-web");
        for (const auto& [name, value] : SecurityHeaders()) {
            response->set(name, value);
        }
        if (!answer.contentType.empty()) {
            response->set(http::field::content_type, answer.contentType);
        }
        for (const auto& [name, value] : answer.headers) {
            response->set(name, value);
        }
        m_body = answer.body;
        const std::span<const std::uint8_t> bytes =
            answer.fixedBody.empty()
                ? std::span<const std::uint8_t>(
                      reinterpret_cast<const std::uint8_t*>(m_body.data()), m_body.size())
                : answer.fixedBody;
        const bool noBody = answer.status == 304;
        if (!noBody) {
            response->content_length(bytes.size());
        }
        // HEAD: the headers of the GET answer, without its body.
        const bool sendBody = !answer.headOnly && !noBody;
        response->body().data = sendBody ? const_cast<std::uint8_t*>(bytes.data()) : nullptr;
        response->body().size = sendBody ? bytes.size() : 0;
        response->body().more = false;
        response->keep_alive(keepAlive);
        m_response = response;
        http::async_write(
            m_stream, *response,
            [self = this->shared_from_this(), keepAlive](beast::error_code error, std::size_t) {
                self->m_response.reset();
                if (error || !keepAlive) {
                    self->Shutdown();
                    return;
                }
                self->ReadRequest();
            });
    }

    void Shutdown();

    Stream m_stream;
    std::shared_ptr<GatewayState> m_state;
    ConnectionSlot m_slot;
    beast::flat_buffer m_buffer;
    std::optional<http::request_parser<http::string_body>> m_parser;
    std::shared_ptr<void> m_response;
    std::string m_body;
};

}  // namespace brevanta::web
