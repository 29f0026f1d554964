#pragma once
// A fake POP3 server on 127.0.0.1 that plays a written transcript, for the
// faults a real server can't be made to produce (odd replies, silence,
// resets). It serves one connection on a thread of its own; a test reads like
// the dialogue it checks:
//
//   ScriptedServer server({"S: +OK ready", "C: USER joe", "S: +OK", ...});
//
// Steps:
//   "S: text"      send text + CR LF
//   "C: text"      read one line from the client and compare it with text
//                  ("C: *" takes any line); a mismatch is recorded
//   "S< text"      send text with \r \n \t \\ \xHH escapes, nothing appended
//   "WAIT ms"      pause
//   "CLOSE"        close the connection normally (FIN)
//   "RESET"        abort the connection (RST)
//   "SILENT"       send nothing more; read until the client closes
//   "DRIP ms text" send text + CR LF one byte every ms milliseconds
// Raw(bytes) makes a step that sends bytes as they are (large or binary data).
// When the transcript ends, the server keeps reading (and recording) lines
// until the client closes.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

class ScriptedServer {
public:
    explicit ScriptedServer(std::vector<std::string> transcript);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    static std::string Raw(std::string bytes);

    int Port() const;
    // Lines the client sent, without their CR LF, in order.
    std::vector<std::string> Received() const;
    // "step N: expected X, got Y" for every "C:" step that did not match.
    std::vector<std::string> Mismatches() const;
    // Waits until the connection has ended on both sides; false on time-out.
    bool WaitFinished(std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    struct State;
    std::shared_ptr<State> state_;
};
