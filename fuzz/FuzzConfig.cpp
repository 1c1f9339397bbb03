// Loads arbitrary bytes as a configuration file. Whatever the bytes, the
// load ends (no crash, no stack overflow) and what it takes keeps the
// loader's promises: a known method, at most the cap of entries, usable
// unicast addresses each once, networks with valid masks.
#include "ConfigFile.h"
#include "Intp.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <unistd.h>

namespace {

const QString& FilePath()
{
    static const QString path = [] {
        char name[] = "/tmp/fuzz_config.XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0)
            std::abort();
        close(fd);
        static std::string kept = name;
        std::atexit([] { std::remove(kept.c_str()); });
        return QString::fromLocal8Bit(name);
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(FilePath().toLocal8Bit().constData(), "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);

    Filter::TFilterSettings settings;
    settings.Method = 7;   // a value no load leaves
    bool hasDiscovery = false;
    size_t refused = 0;
    const bool ok = ConfigFile::LoadConfigFile(FilePath(), settings, &hasDiscovery, &refused);
    if (!ok || !hasDiscovery) {
        if (settings.Method != 7 || refused != 0)
            std::abort();   // a failed load, or one without Discovery, changes nothing
        return 0;
    }
    if (settings.Method > Filter::MethodCustom)
        std::abort();
    if (settings.Unicasts.size() > ConfigFile::MaxLoadedEntries ||
        settings.LocalNetworks.size() > ConfigFile::MaxLoadedEntries)
        std::abort();
    std::set<uint32_t> seen;
    for (const Filter::TIpMask& entry : settings.Unicasts)
        if (!Intp::IsUsableIp(entry.Ip) || entry.Mask != 0xFFFFFFFFu || !seen.insert(entry.Ip).second)
            std::abort();
    for (const Filter::TIpMask& network : settings.LocalNetworks)
        if (!Intp::IsUsableIp(network.Ip) || !Intp::IsValidNetmask(network.Mask) || network.Mask == 0xFFFFFFFFu)
            std::abort();
    return 0;
}
