// The control socket of the headless driver, for tests of whole programs: a UNIX stream socket
// that takes line commands, one client at a time, on a thread of its own. The program never waits
// for it: input goes to the window system's queues, and a screenshot copies the screen under the
// driver's lock only for as long as the copy takes.
//
// Commands (numbers in decimal) and answers, each answer line ending in "\n":
//   tap X Y            pointer down then up at screen point (X, Y)      -> ok
//   down X Y | move X Y | up X Y                                        -> ok
//   key VK CHAR        key down then up; CHAR is what it types, 0 none  -> ok
//   screenshot PATH    writes the screen to PATH as a binary PPM        -> ok (once written)
//   windows            ok, then one line per visible top-level window, top first:
//                      "ID CLASS|TITLE|LEFT TOP RIGHT BOTTOM", then an empty line
//   children ID        the same for the descendants of that window (parents first), with
//                      their texts and screen rectangles
//   screen [WxH] [orientation 0|90|180|270]
//                      gives the screen a new size and/or rotation, as a rotated display
//                      would; the program's top-level windows get WM_SETTINGCHANGE  -> ok
// Anything that fails is answered "error REASON" instead of "ok".
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace ce::drivers {

class HeadlessDriver;

// The answer to one command line (without its "\n").
std::string RunControlCommand(HeadlessDriver& driver, std::string_view line);

class ControlServer {
public:
    // Listens on path (a stale socket file there is replaced); null with the reason in *error.
    static std::unique_ptr<ControlServer> Start(const std::string& path, HeadlessDriver& driver,
                                                std::string* error);
    // Ends the thread and removes the socket file.
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

private:
    ControlServer(std::string path, HeadlessDriver& driver, int listener, int stopEvent);
    void Serve();
    // Runs the commands of one client until it goes or the server stops; false when stopping.
    bool ServeClient(int client);

    const std::string m_path;
    HeadlessDriver& m_driver;
    const int m_listener;
    const int m_stopEvent;
    std::thread m_thread;
};

}  // namespace ce::drivers
