// switchsim: simulated switches answering the management protocol over UDP.
#include "Simulator.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

std::atomic<bool> g_Stop{false};
void OnSignal(int) { g_Stop = true; }

void Usage()
{
    std::cout <<
        "usage: switchsim [options]\n"
        "  --count N          number of switches (default 3)\n"
        "  --base-ip A        address of the first switch (default 127.0.0.2)\n"
        "  --netmask M        netmask of the switches (default 255.255.255.0)\n"
        "  --switches FILE    switch list, one per line: mac ip model [user [password]]\n"
        "  --unknown          also add one switch of an unknown model\n"
        "  --bind A           address to listen on (default 0.0.0.0)\n"
        "  --port P           UDP port (default 1638; 0 = any free port)\n"
        "  --drop-rate R      drop each reply with chance R (0..1)\n"
        "  --drop-next N      drop the next N replies\n"
        "  --delay MS         delay every reply\n"
        "  --status S         answer every request with status S\n"
        "  --truncate N       cut every reply body to N bytes\n"
        "  --seed N           random seed for the drop rate\n"
        "  --reboot-ms MS     how long a rebooting switch stays silent (default 3000)\n"
        "  --log FILE         append every request to FILE\n"
        "  --duration S       stop after S seconds (default: until interrupted)\n";
}

bool ParseIpArg(const char* text, uint32_t& out)
{
    if (!Intp::ParseIp(text, out)) {
        std::cerr << "switchsim: not an IPv4 address: " << text << "\n";
        return false;
    }
    return true;
}

bool LoadSwitches(const std::string& path, uint32_t netmask, Sim::TSimulator& sim)
{
    std::ifstream in(path);
    if (!in) {
        std::cerr << "switchsim: cannot read " << path << "\n";
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string mac, ip;
        uint32_t model = 0;
        Sim::TSimSwitch sw;
        if (!(fields >> mac >> ip >> model)) {
            std::cerr << "switchsim: " << path << ":" << number << ": expected mac ip model\n";
            return false;
        }
        std::string user, password;
        if (fields >> user)
            sw.User = user;
        if (fields >> password)
            sw.Password = password;
        std::string hex;
        for (char c : mac)
            if (c != ':' && c != '-')
                hex += c;
        uint8_t bytes[6];
        if (!Intp::ParseMac(hex, bytes) || !Intp::ParseIp(ip, sw.Ip) || model > 6) {
            std::cerr << "switchsim: " << path << ":" << number << ": bad mac, address or model\n";
            return false;
        }
        sw.Mac = Intp::TMacAddr(bytes);
        sw.Model = model;
        sw.Netmask = netmask;
        sw.Name = "Switch-" + std::to_string(number);
        sim.AddSwitch(sw);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    size_t count = 3;
    uint32_t baseIp = 0x7F000002u, netmask = 0xFFFFFF00u, bindIp = 0;
    unsigned port = Intp::IntpPort;
    std::string listFile, logFile;
    bool unknown = false;
    long duration = 0;
    Sim::TSimFaults faults;
    uint32_t seed = 1;
    long rebootMs = -1;

    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::cerr << "switchsim: " << a << " needs a value\n";
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            Usage();
            return 0;
        } else if (a == "--count") {
            count = std::strtoul(value(), nullptr, 10);
        } else if (a == "--base-ip") {
            if (!ParseIpArg(value(), baseIp)) return 2;
        } else if (a == "--netmask") {
            if (!ParseIpArg(value(), netmask) || !Intp::IsValidNetmask(netmask)) return 2;
        } else if (a == "--bind") {
            if (!ParseIpArg(value(), bindIp)) return 2;
        } else if (a == "--port") {
            port = unsigned(std::strtoul(value(), nullptr, 10));
        } else if (a == "--switches") {
            listFile = value();
        } else if (a == "--unknown") {
            unknown = true;
        } else if (a == "--drop-rate") {
            faults.DropRate = std::strtod(value(), nullptr);
        } else if (a == "--drop-next") {
            faults.DropNext = uint32_t(std::strtoul(value(), nullptr, 10));
        } else if (a == "--delay") {
            faults.DelayMs = uint32_t(std::strtoul(value(), nullptr, 10));
        } else if (a == "--status") {
            faults.ForceStatus = int(std::strtol(value(), nullptr, 0));
        } else if (a == "--truncate") {
            faults.TruncateBody = int(std::strtol(value(), nullptr, 10));
        } else if (a == "--seed") {
            seed = uint32_t(std::strtoul(value(), nullptr, 10));
        } else if (a == "--reboot-ms") {
            rebootMs = std::strtol(value(), nullptr, 10);
        } else if (a == "--log") {
            logFile = value();
        } else if (a == "--duration") {
            duration = std::strtol(value(), nullptr, 10);
        } else {
            std::cerr << "switchsim: unknown option " << a << "\n";
            Usage();
            return 2;
        }
    }
    if (port > 65535) {
        std::cerr << "switchsim: bad port\n";
        return 2;
    }

    Sim::TSimulator sim;
    sim.SetSeed(seed);
    sim.SetGlobalFaults(faults);
    if (!listFile.empty()) {
        if (!LoadSwitches(listFile, netmask, sim))
            return 1;
    } else {
        sim.AddSwitches(count, baseIp);
        for (size_t i = 0; i < count; ++i)
            sim.With(i, [&](Sim::TSimSwitch& sw) { sw.Netmask = netmask; });
    }
    if (unknown) {
        Sim::TSimSwitch sw;
        sw.Mac = Sim::SimMac(0xFFFF);
        sw.Ip = baseIp + uint32_t(sim.SwitchCount());
        sw.Netmask = netmask;
        sw.Model = 0;
        sw.Name = "Unknown";
        sim.AddSwitch(sw);
    }
    if (rebootMs >= 0)
        for (size_t i = 0; i < sim.SwitchCount(); ++i)
            sim.With(i, [&](Sim::TSimSwitch& sw) { sw.RebootMs = uint32_t(rebootMs); });
    if (!logFile.empty() && !sim.SetLogFile(logFile)) {
        std::cerr << "switchsim: cannot write " << logFile << "\n";
        return 1;
    }
    if (!sim.Start(bindIp, uint16_t(port))) {
        std::cerr << "switchsim: " << sim.LastError() << "\n";
        return 1;
    }
    std::cout << "switchsim: " << sim.SwitchCount() << " switches on " << Intp::IpToText(bindIp) << ":" << sim.Port()
              << "\n";
    for (size_t i = 0; i < sim.SwitchCount(); ++i)
        sim.With(i, [](Sim::TSimSwitch& sw) {
            std::cout << "  " << Intp::MacToText(sw.Mac) << " " << Intp::IpToText(sw.Ip) << " model " << sw.Model
                      << "\n";
        });
    std::cout.flush();
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    auto start = std::chrono::steady_clock::now();
    while (!g_Stop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (duration > 0 && std::chrono::steady_clock::now() - start >= std::chrono::seconds(duration))
            break;
    }
    sim.Stop();
    std::cout << "switchsim: " << sim.Log().size() << " requests, " << sim.RepliesSent() << " replies\n";
    return 0;
}
