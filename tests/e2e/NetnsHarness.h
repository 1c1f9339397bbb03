// Two network namespaces joined by a veth pair, for tests and benchmarks
// that run the console and the switch simulator against each other over a
// real network stack.
//
// The namespaces have no names: each is held open by a descriptor of this
// process, so they (and the veth pair inside them) vanish when the process
// ends, however it ends. A thread enters one with TNetnsScope; sockets
// created while inside belong to that namespace for good, and so do the
// programs started from that thread (the `ip` commands that configure it).
#pragma once

#include "Intp.h"

#include <sched.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace E2e {

// Runs a shell command line in the calling thread's network namespace.
// Returns its exit status (-1 when it could not run); its output (standard
// output and error) goes to `output` when given.
inline int RunCommand(const std::string& command, std::string* output = nullptr)
{
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[512];
    std::string text;
    while (std::fgets(buffer, sizeof buffer, pipe))
        text += buffer;
    int status = ::pclose(pipe);
    if (output)
        *output = text;
    return status < 0 ? -1 : (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

class TNetns {
public:
    // A new, empty network namespace (only a loopback interface, down).
    // Null, with the reason in `error`, when the system refuses one.
    static std::unique_ptr<TNetns> Create(std::string& error)
    {
        if (::geteuid() != 0) {
            error = "not running as root";
            return nullptr;
        }
        int saved = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        if (saved < 0) {
            error = std::string("cannot open this thread's network namespace: ") + std::strerror(errno);
            return nullptr;
        }
        if (::unshare(CLONE_NEWNET) != 0) {
            error = std::string("unshare(CLONE_NEWNET) refused: ") + std::strerror(errno);
            ::close(saved);
            return nullptr;
        }
        int fd = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        int back = ::setns(saved, CLONE_NEWNET);
        ::close(saved);
        if (back != 0) {
            // The thread would stay in the new namespace: nothing after this
            // could be trusted.
            std::fprintf(stderr, "cannot return to the original network namespace: %s\n", std::strerror(errno));
            std::abort();
        }
        if (fd < 0) {
            error = std::string("cannot open the new network namespace: ") + std::strerror(errno);
            return nullptr;
        }
        return std::unique_ptr<TNetns>(new TNetns(fd));
    }

    ~TNetns() { ::close(m_Fd); }
    TNetns(const TNetns&) = delete;
    TNetns& operator=(const TNetns&) = delete;

    int Fd() const { return m_Fd; }
    // A path that names the namespace for `ip ... netns PATH`.
    std::string Path() const { return "/proc/" + std::to_string(::getpid()) + "/fd/" + std::to_string(m_Fd); }

private:
    explicit TNetns(int fd) : m_Fd(fd) {}
    int m_Fd;
};

// Whether this process may build the test networks: root, a new network
// namespace granted, and the `ip` tool present. `why` tells what is missing.
inline bool NamespacesAvailable(std::string& why)
{
    if (!TNetns::Create(why))
        return false;
    std::string output;
    if (RunCommand("ip -V", &output) != 0) {
        why = "the ip tool (iproute2) is missing: " + output;
        return false;
    }
    return true;
}

// Puts the calling thread into a namespace until the scope ends.
class TNetnsScope {
public:
    explicit TNetnsScope(const TNetns& ns)
    {
        m_Saved = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        m_Entered = m_Saved >= 0 && ::setns(ns.Fd(), CLONE_NEWNET) == 0;
    }
    ~TNetnsScope()
    {
        if (m_Entered && ::setns(m_Saved, CLONE_NEWNET) != 0) {
            std::fprintf(stderr, "cannot return to the original network namespace: %s\n", std::strerror(errno));
            std::abort();
        }
        if (m_Saved >= 0)
            ::close(m_Saved);
    }
    TNetnsScope(const TNetnsScope&) = delete;
    TNetnsScope& operator=(const TNetnsScope&) = delete;
    bool Entered() const { return m_Entered; }

private:
    int m_Saved = -1;
    bool m_Entered = false;
};

// The simulator's namespace (interface "s0", holding every switch address)
// and the console's (interface "c0", holding the console's address), both
// on one subnet.
class TTestNetwork {
public:
    static constexpr const char* SimMac = "02:e2:e0:00:00:01";
    static constexpr const char* ConsoleMac = "02:e2:e0:00:00:02";

    // Builds both namespaces. `prefix` is the subnet's prefix length.
    // `staticNeighbours` enters permanent neighbour entries on both sides,
    // so that a thousand switch addresses need no address resolution (and
    // stay clear of the kernel's neighbour table limits).
    bool Setup(uint32_t consoleIp, const std::vector<uint32_t>& switchIps, int prefix, bool staticNeighbours,
               std::string& error)
    {
        m_Sim = TNetns::Create(error);
        if (!m_Sim)
            return false;
        m_Console = TNetns::Create(error);
        if (!m_Console)
            return false;
        const std::string mask = "/" + std::to_string(prefix);
        std::vector<std::string> sim = {
            "link set lo up",
            std::string("link add s0 address ") + SimMac + " type veth peer name c0 address " + ConsoleMac +
                " netns " + m_Console->Path(),
        };
        for (uint32_t ip : switchIps)
            sim.push_back("addr add " + Intp::IpToText(ip) + mask + " dev s0");
        if (staticNeighbours)
            sim.push_back("neigh replace " + Intp::IpToText(consoleIp) + " lladdr " + ConsoleMac +
                          " dev s0 nud permanent");
        sim.push_back("link set s0 up");
        std::vector<std::string> console = {
            "link set lo up",
            "addr add " + Intp::IpToText(consoleIp) + mask + " dev c0",
        };
        if (staticNeighbours)
            for (uint32_t ip : switchIps)
                console.push_back("neigh replace " + Intp::IpToText(ip) + " lladdr " + SimMac +
                                  " dev c0 nud permanent");
        console.push_back("link set c0 up");
        if (!Batch(*m_Sim, sim, error) || !Batch(*m_Console, console, error))
            return false;
        return WaitUntilUp(error);
    }

    TNetns& Sim() { return *m_Sim; }
    TNetns& Console() { return *m_Console; }

    // Runs a command in one of the namespaces.
    static int RunIn(const TNetns& ns, const std::string& command, std::string* output = nullptr)
    {
        TNetnsScope scope(ns);
        if (!scope.Entered())
            return -1;
        return RunCommand(command, output);
    }

private:
    static bool Batch(const TNetns& ns, const std::vector<std::string>& lines, std::string& error)
    {
        char path[] = "/tmp/intp-netns-XXXXXX";
        int fd = ::mkstemp(path);
        if (fd < 0) {
            error = std::string("mkstemp: ") + std::strerror(errno);
            return false;
        }
        ::close(fd);
        {
            std::ofstream out(path);
            for (const auto& line : lines)
                out << line << "\n";
        }
        std::string output;
        int status = RunIn(ns, std::string("ip -batch ") + path, &output);
        ::unlink(path);
        if (status != 0) {
            error = "ip -batch failed (" + std::to_string(status) + "): " + output;
            return false;
        }
        return true;
    }

    // Both ends report carrier once both are up; until then datagrams are
    // dropped.
    bool WaitUntilUp(std::string& error)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (;;) {
            std::string s, c;
            RunIn(*m_Sim, "ip -o link show dev s0", &s);
            RunIn(*m_Console, "ip -o link show dev c0", &c);
            if (s.find("LOWER_UP") != std::string::npos && c.find("LOWER_UP") != std::string::npos)
                return true;
            if (std::chrono::steady_clock::now() > deadline) {
                error = "the veth pair did not come up: " + s + c;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    std::unique_ptr<TNetns> m_Sim;
    std::unique_ptr<TNetns> m_Console;
};

} // namespace E2e
