// The only source that compiles Boost.Beast: the listener, and the HTTP and WebSocket sessions
// over plain TCP and over TLS.
#include "web_server.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket/ssl.hpp>

#include <csignal>
#include <cstdio>
#include <memory>

#include "gateway_state.h"
#include "http_session.h"

namespace brevanta::web {

namespace ssl = boost::asio::ssl;
using PlainStream = beast::tcp_stream;
using SecureStream = beast::ssl_stream<beast::tcp_stream>;

template <>
void HttpSession<PlainStream>::Shutdown() {
    beast::error_code ignored;
    m_stream.socket().shutdown(boost::asio::ip::tcp::socket::shutdown_send, ignored);
}

// The fuzz build leaves TLS out: its target speaks plain HTTP, and the sessions over TLS would
// double what this file costs to compile there.
#ifndef TAVRELIN_WEB_WITHOUT_TLS
template <>
void HttpSession<SecureStream>::Shutdown() {
    beast::get_lowest_layer(m_stream).expires_after(std::chrono::seconds(5));
    m_stream.async_shutdown([self = shared_from_this()](beast::error_code) {});
}
#endif

namespace {

class Listener {
public:
    Listener(boost::asio::io_context& io, std::shared_ptr<GatewayState> state, ssl::context* tls)
        : m_acceptor(io), m_state(std::move(state)), m_tls(tls) {}

    bool Open(const boost::asio::ip::tcp::endpoint& endpoint, std::string* error) {
        beast::error_code code;
        m_acceptor.open(endpoint.protocol(), code);
        if (!code) {
            m_acceptor.set_option(boost::asio::socket_base::reuse_address(true), code);
        }
        if (!code) {
            m_acceptor.bind(endpoint, code);
        }
        if (!code) {
            m_acceptor.listen(boost::asio::socket_base::max_listen_connections, code);
        }
        if (code) {
            *error = code.message();
            return false;
        }
        return true;
    }

    boost::asio::ip::tcp::endpoint LocalEndpoint() const {
        beast::error_code ignored;
        return m_acceptor.local_endpoint(ignored);
    }

    void Accept() {
        m_acceptor.async_accept(
            [this](beast::error_code error, boost::asio::ip::tcp::socket socket) {
                if (error == boost::asio::error::operation_aborted) {
                    return;
                }
                if (!error) {
                    Serve(std::move(socket));
                }
                Accept();
            });
    }

    void Close() {
        beast::error_code ignored;
        m_acceptor.close(ignored);
    }

private:
    void Serve(boost::asio::ip::tcp::socket socket) {
        // A frame's last segment goes out at once rather than after the previous one's
        // acknowledgement: the picture is what the person waits for.
        beast::error_code ignored;
        socket.set_option(boost::asio::ip::tcp::no_delay(true), ignored);
        beast::tcp_stream stream(std::move(socket));
        if (!m_tls) {
            std::make_shared<HttpSession<PlainStream>>(std::move(stream), m_state)->Run();
            return;
        }
#ifndef TAVRELIN_WEB_WITHOUT_TLS
        constexpr auto kHandshakeTimeout = std::chrono::seconds(10);
        auto secure = std::make_shared<SecureStream>(std::move(stream), *m_tls);
        beast::get_lowest_layer(*secure).expires_after(kHandshakeTimeout);
        secure->async_handshake(ssl::stream_base::server, [this, secure](beast::error_code error) {
            if (error) {
                return;
            }
            std::make_shared<HttpSession<SecureStream>>(std::move(*secure), m_state)->Run();
        });
#endif
    }

    boost::asio::ip::tcp::acceptor m_acceptor;
    std::shared_ptr<GatewayState> m_state;
    ssl::context* m_tls;
};

std::unique_ptr<ssl::context> MakeTls(const Options& options, std::string* error) {
#ifdef TAVRELIN_WEB_WITHOUT_TLS
    *error = "this build of the gateway serves no TLS";
    return nullptr;
#endif
    auto context = std::make_unique<ssl::context>(ssl::context::tls_server);
    context->set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                         ssl::context::no_sslv3 | ssl::context::no_tlsv1 |
                         ssl::context::no_tlsv1_1 | ssl::context::single_dh_use);
    beast::error_code code;
    context->use_certificate_chain_file(*options.certFile, code);
    if (code) {
        *error = "cannot use the certificate " + *options.certFile + ": " + code.message();
        return nullptr;
    }
    context->use_private_key_file(*options.keyFile, ssl::context::pem, code);
    if (code) {
        *error = "cannot use the key " + *options.keyFile + ": " + code.message();
        return nullptr;
    }
    return context;
}

std::string UrlOf(const boost::asio::ip::tcp::endpoint& endpoint, bool secure) {
    const std::string address = endpoint.address().to_string();
    const std::string host = endpoint.address().is_v6() ? "[" + address + "]" : address;
    return std::string(secure ? "https://" : "http://") + host + ":" +
           std::to_string(endpoint.port()) + "/";
}

}  // namespace

int RunGateway(const Options& options, const std::optional<std::string>& token) {
    boost::asio::io_context io(1);
    std::string error;
    std::unique_ptr<ssl::context> tls;
    if (options.certFile) {
        tls = MakeTls(options, &error);
        if (!tls) {
            std::fprintf(stderr, "tavrelin-web: %s\n", error.c_str());
            return 1;
        }
    }
    beast::error_code code;
    const boost::asio::ip::address address =
        boost::asio::ip::make_address(options.listen.host, code);
    if (code) {
        std::fprintf(stderr, "tavrelin-web: cannot listen on \"%s\": not an IP address\n",
                     options.listen.host.c_str());
        return 2;
    }

    AccessPolicy policy;
    policy.token = token;
    policy.secure = tls != nullptr;
    policy.allowedOrigins = options.allowedOrigins;
    auto state = std::make_shared<GatewayState>(policy, options.devices,
                                                static_cast<std::size_t>(options.maxClients));
    LinkSettings settings;
    settings.poll = std::chrono::milliseconds(options.pollMs);
    settings.thumbnail = std::chrono::milliseconds(options.thumbnailMs);
    settings.size = options.size;
    for (const DeviceConfig& device : options.devices) {
        state->AddDevice(std::make_unique<DeviceLink>(io, device, settings));
    }

    Listener listener(io, state, tls.get());
    if (!listener.Open({address, options.listen.port}, &error)) {
        std::fprintf(stderr, "tavrelin-web: cannot listen on %s:%u: %s\n",
                     options.listen.host.c_str(), options.listen.port, error.c_str());
        return 1;
    }
    listener.Accept();
    std::printf("listening %s\n", UrlOf(listener.LocalEndpoint(), tls != nullptr).c_str());
    std::fflush(stdout);

    boost::asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](beast::error_code, int) {
        listener.Close();
        for (auto& device : state->Devices()) {
            device->Shut();
        }
        io.stop();
    });
    io.run();
    return 0;
}

}  // namespace brevanta::web
