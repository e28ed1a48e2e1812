// One accepted transfer connection: reads requests and answers each with the file, misbehaving
// as the options say, until the peer closes, a request is bad or the program stops.
#pragma once

#include <cstdint>
#include <string>

#include "file_store.h"
#include "misbehaviour.h"
#include "protocol.h"
#include "stop_signal.h"
#include "common/unique_fd.h"

namespace brevanta::server {

using tools::UniqueFd;

class Connection {
public:
    Connection(UniqueFd socket, int id, const FileStore& files, const Misbehaviour& faults,
               const StopSignal& stop)
        : m_socket(std::move(socket)), m_id(id), m_files(files), m_faults(faults), m_stop(stop) {}

    // Serves the connection to its end, then closes it and reports "closed".
    void Run();

private:
    enum class Outcome { kKeepOpen, kClose };
    enum class Ending { kPeerClosed, kWeClose, kStopping };

    Ending Serve();
    Outcome Answer(const Request& request);
    // Closes our side first and lets the peer read what it was sent before the socket goes.
    void CloseGracefully();
    void Emit(std::string_view event, std::string_view detail) const;

    UniqueFd m_socket;
    int m_id;
    const FileStore& m_files;
    const Misbehaviour& m_faults;
    const StopSignal& m_stop;
    RequestReader m_reader;
};

}  // namespace brevanta::server
