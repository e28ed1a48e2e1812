#include "load_run.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "common/unique_fd.h"

namespace brevanta::bench {
namespace {

using tools::UniqueFd;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kReceiveSize = 256 * 1024;
constexpr int kEventsPerWait = 256;

struct Download {
    explicit Download(DownloadCheck fresh) : check(std::move(fresh)) {}

    UniqueFd socket;
    bool connected = false;
    std::size_t requestSent = 0;
    DownloadCheck check;
    bool finished = false;
};

class Load {
public:
    Load(const LoadOptions& options, std::string_view reference)
        : m_options(options),
          m_reference(reference),
          m_request(RequestFor(options.protocol, options.name, options.address)),
          m_receive(kReceiveSize, '\0') {}

    LoadResult Run();

private:
    void Open(std::size_t index, const sockaddr_in& server);
    void Service(std::size_t index, std::uint32_t events);
    bool SendRequest(Download& download);
    void Finish(std::size_t index);

    const LoadOptions& m_options;
    std::string_view m_reference;
    std::string m_request;
    std::string m_receive;
    UniqueFd m_epoll;
    std::vector<Download> m_downloads;
    std::size_t m_unfinished = 0;
    Clock::time_point m_start;
    Clock::time_point m_lastEnd;
    LoadResult m_result;
};

std::string ErrorText(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

LoadResult Load::Run() {
    m_epoll = UniqueFd(epoll_create1(EPOLL_CLOEXEC));
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(m_options.port);
    if (!m_epoll.IsValid() || inet_pton(AF_INET, m_options.address.c_str(), &server.sin_addr) != 1) {
        m_result.failures["cannot start: no epoll or not an IPv4 address"] = 1;
        m_result.failed = m_options.connections;
        return m_result;
    }
    m_downloads.reserve(static_cast<std::size_t>(m_options.connections));
    m_start = Clock::now();
    m_lastEnd = m_start;
    for (int i = 0; i < m_options.connections; ++i) {
        m_downloads.emplace_back(DownloadCheck(m_options.protocol, m_reference));
        ++m_unfinished;
        Open(m_downloads.size() - 1, server);
    }

    const Clock::time_point deadline = m_start + m_options.timeout;
    epoll_event events[kEventsPerWait];
    while (m_unfinished > 0) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            break;
        }
        int count =
            epoll_wait(m_epoll.Get(), events, kEventsPerWait, static_cast<int>(left.count()));
        if (count < 0 && errno != EINTR) {
            break;
        }
        for (int i = 0; i < count; ++i) {
            Service(events[i].data.u64, events[i].events);
        }
    }
    for (std::size_t i = 0; i < m_downloads.size(); ++i) {
        Download& download = m_downloads[i];
        if (!download.finished) {
            download.check.Fail("unfinished after " + std::to_string(m_options.timeout.count()) +
                                " ms, with " + std::to_string(download.check.BodyReceived()) +
                                " of " + std::to_string(m_reference.size()) + " body bytes");
            Finish(i);
        }
    }
    m_result.seconds = std::chrono::duration<double>(m_lastEnd - m_start).count();
    return m_result;
}

void Load::Open(std::size_t index, const sockaddr_in& server) {
    Download& download = m_downloads[index];
    download.socket = UniqueFd(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!download.socket.IsValid()) {
        download.check.Fail(ErrorText("socket", errno));
        Finish(index);
        return;
    }
    if (m_options.receiveBuffer > 0) {
        setsockopt(download.socket.Get(), SOL_SOCKET, SO_RCVBUF, &m_options.receiveBuffer,
                   sizeof m_options.receiveBuffer);
    }
    if (connect(download.socket.Get(), reinterpret_cast<const sockaddr*>(&server), sizeof server) !=
            0 &&
        errno != EINPROGRESS) {
        download.check.Fail(ErrorText("connect", errno));
        Finish(index);
        return;
    }
    epoll_event event{};
    event.events = EPOLLIN | EPOLLOUT | EPOLLRDHUP | EPOLLET;
    event.data.u64 = index;
    if (epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, download.socket.Get(), &event) != 0) {
        download.check.Fail(ErrorText("epoll", errno));
        Finish(index);
    }
}

bool Load::SendRequest(Download& download) {
    while (download.requestSent < m_request.size()) {
        ssize_t sent = send(download.socket.Get(), m_request.data() + download.requestSent,
                            m_request.size() - download.requestSent, MSG_NOSIGNAL);
        if (sent > 0) {
            download.requestSent += static_cast<std::size_t>(sent);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return false;
        } else if (errno != EINTR) {
            download.check.Fail(ErrorText("send", errno));
            return false;
        }
    }
    return true;
}

void Load::Service(std::size_t index, std::uint32_t events) {
    Download& download = m_downloads[index];
    if (download.finished) {
        return;
    }
    if (!download.connected) {
        if ((events & (EPOLLOUT | EPOLLERR | EPOLLHUP)) == 0) {
            return;
        }
        int error = 0;
        socklen_t size = sizeof error;
        getsockopt(download.socket.Get(), SOL_SOCKET, SO_ERROR, &error, &size);
        if (error != 0) {
            download.check.Fail(ErrorText("connect", error));
            Finish(index);
            return;
        }
        download.connected = true;
    }
    if (!SendRequest(download)) {
        if (download.check.Current() == DownloadCheck::State::kFailed) {
            Finish(index);
        }
        return;
    }
    for (;;) {
        ssize_t got = recv(download.socket.Get(), m_receive.data(), m_receive.size(), 0);
        if (got > 0) {
            download.check.Feed(std::string_view(m_receive.data(), static_cast<std::size_t>(got)));
        } else if (got == 0) {
            download.check.PeerClosed();
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return;
        } else if (errno != EINTR) {
            download.check.Fail(ErrorText("receive", errno) + " after " +
                                std::to_string(download.check.BodyReceived()) + " body bytes");
        }
        const DownloadCheck::State state = download.check.Current();
        if (state == DownloadCheck::State::kComplete || state == DownloadCheck::State::kFailed) {
            Finish(index);
            return;
        }
    }
}

void Load::Finish(std::size_t index) {
    Download& download = m_downloads[index];
    download.finished = true;
    --m_unfinished;
    download.socket.Reset();
    const Clock::time_point now = Clock::now();
    m_lastEnd = now;
    if (download.check.Current() == DownloadCheck::State::kComplete) {
        ++m_result.completed;
        m_result.bodyBytes += download.check.BodyReceived();
        m_result.downloadMs.push_back(
            std::chrono::duration<double, std::milli>(now - m_start).count());
    } else {
        ++m_result.failed;
        ++m_result.failures[download.check.Failure()];
    }
}

}  // namespace

LoadResult RunLoad(const LoadOptions& options, std::string_view reference) {
    return Load(options, reference).Run();
}

}  // namespace brevanta::bench
