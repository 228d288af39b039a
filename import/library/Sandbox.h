// Sandbox: what the library's reader may still do once it has the model: read files in the
// model's folder and below (Landlock), and nothing of the network, of other programs or of other
// processes (seccomp). Entered once, after every library is loaded, for the rest of the process.
//
// - capabilities are dropped, so that a reader running as root cannot raise its own limits;
// - Landlock: reading files and listing folders under the folder only; no file written, made or
//   removed anywhere. A kernel without Landlock leaves landlocked false, and ConfinedFiles' own
//   checks stand alone;
// - seccomp: the process is killed (SIGSYS) when it makes a socket, runs a program (execve),
//   starts a process, traces or signals another, or reaches for the kernel's rarer doors
//   (io_uring, bpf, mounts, namespaces, keys, modules); everything else is allowed.
#pragma once

#include <string>

namespace kalderino {

class Sandbox {
public:
    // folder: absolute, resolved; empty for none. False, with error set, when a step the
    // kernel offers fails.
    bool enter(const std::string& folder);

    bool landlocked = false;
    std::string error;

private:
    bool dropCapabilities();
    bool restrictFiles(const std::string& folder);
    bool restrictCalls();
};

}  // namespace kalderino
