// One accepted transfer connection, driven by the event loop: reads requests and answers each
// with the file, misbehaving as the options say, until the peer closes or a request is bad.
// Every line it reports names the device's address.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "event_loop.h"
#include "file_store.h"
#include "log_format.h"
#include "misbehaviour.h"
#include "protocol.h"
#include "response_run.h"
#include "common/unique_fd.h"

namespace brevanta::server {

using tools::UniqueFd;

class Connection {
public:
    Connection(EventLoop& loop, UniqueFd socket, int id, std::string peer, const FileStore& files,
               const Misbehaviour& faults);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    // Puts the socket on the loop with the callback that leads to OnWake; false when the loop
    // refuses it (the connection is then finished).
    bool Start(EventLoop::Callback callback);
    void OnWake(EventLoop::Wake wake);
    // Ends the connection at once because the program stops.
    void Abandon();

    // Closed and reported; the owner may destroy it.
    bool Finished() const { return m_state == State::kFinished; }

private:
    enum class State { kReading, kResponding, kLingering, kFinished };

    // Each returns whether the connection can go on at once; false when it waits for the socket
    // or the clock, or is finished.
    bool AnswerBufferedRequest();
    bool Receive(std::uint64_t* budget);
    bool Respond(std::uint64_t* budget);

    void Answer(const Request& request);
    void ReportResponse();
    // Closes our side first and lets the peer read what it was sent before the socket goes.
    void BeginLinger();
    void Linger(EventLoop::Wake wake);
    void Finish();
    // "EVENT #ID DETAIL peer=ADDR:PORT"
    std::string Line(std::string_view event, std::string_view detail) const;
    void Emit(std::string_view event, std::string_view detail,
              Severity severity = Severity::kInfo) const;
    // A line about the response under way: its name after the event, its time at the end.
    void EmitResponse(std::string_view event, std::string_view detail,
                      Severity severity = Severity::kInfo) const;

    EventLoop& m_loop;
    UniqueFd m_socket;
    int m_id;
    std::string m_peer;
    const FileStore& m_files;
    const Misbehaviour& m_faults;
    EventLoop::Token m_token = 0;
    State m_state = State::kReading;
    RequestReader m_reader;

    // The response under way.
    std::unique_ptr<ResponseRun> m_response;
    std::string m_responseName;  // as shown in lines
    std::uint64_t m_responseFileSize = 0;
    EventLoop::Clock::time_point m_responseStart{};

    EventLoop::Clock::time_point m_lingerEnd{};
};

}  // namespace brevanta::server
