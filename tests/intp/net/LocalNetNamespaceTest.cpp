// The live reads of the local network layer inside a network namespace of
// our own: two veth ends on 192.0.2.0/26 and 192.0.2.128/26, a default route
// over the second, static and dynamic ARP entries. The reads run on a thread
// that has entered the namespace, so the host's tables are never touched.
#include "LocalNet.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>

using namespace Intp;

namespace {

constexpr uint32_t Ip(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    return uint32_t(a) << 24 | uint32_t(b) << 16 | uint32_t(c) << 8 | d;
}

class LocalNetNamespace : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Name = "intpnet-" + std::to_string(getpid());
        if (!Run("ip netns add " + m_Name + " 2>/dev/null"))
            GTEST_SKIP() << "network namespaces are refused here (ip netns add failed; needs root)";
        m_Created = true;
        const char* setup[] = {
            "ip link add tv0 type veth peer name tv1",
            "ip addr add 192.0.2.1/26 dev tv0",
            "ip addr add 192.0.2.129/26 dev tv1",
            "ip link set tv0 up",
            "ip link set tv1 up",
            "ip route add default via 192.0.2.130 dev tv1",
            "ip neigh replace 192.0.2.9 lladdr 02:00:00:00:00:09 dev tv0 nud permanent",
            "ip neigh replace 192.0.2.10 lladdr 02:00:00:00:00:0a dev tv0 nud stale",
            "ip neigh replace 192.0.2.11 lladdr 02:00:00:00:00:0b dev tv0 nud stale",
        };
        for (const char* command : setup)
            if (!Run("ip netns exec " + m_Name + " " + command + " 2>/dev/null"))
                GTEST_SKIP() << "cannot configure the test namespace: " << command;
    }
    void TearDown() override
    {
        if (m_Created)
            Run("ip netns del " + m_Name + " 2>/dev/null");
    }

    // Runs f on a thread that has entered the namespace.
    template <class F>
    void InNamespace(F f)
    {
        std::string error;
        std::thread worker([&] {
            int fd = open(("/var/run/netns/" + m_Name).c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0 || setns(fd, CLONE_NEWNET) != 0) {
                error = "cannot enter the namespace";
                if (fd >= 0)
                    close(fd);
                return;
            }
            close(fd);
            f();
        });
        worker.join();
        ASSERT_TRUE(error.empty()) << error;
    }

    static bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

    std::string m_Name;
    bool m_Created = false;
};

bool HasArp(const TArpVector& table, uint32_t ip)
{
    return std::any_of(table.begin(), table.end(), [&](const TArpRow& r) { return r.Ip == ip; });
}

TEST_F(LocalNetNamespace, ReadsRoutesAddressesAndArpAndRemovesEntries)
{
    InNamespace([] {
        uint32_t tv0 = if_nametoindex("tv0");
        uint32_t tv1 = if_nametoindex("tv1");
        ASSERT_NE(tv0, 0u);
        ASSERT_NE(tv1, 0u);

        TRouteList routes;
        ASSERT_EQ(GetRouteTable(routes), 0);
        EXPECT_TRUE(std::any_of(routes.begin(), routes.end(), [&](const TRouteRow& r) {
            return r.Dest == Ip(192, 0, 2, 0) && r.Mask == 0xFFFFFFC0 && r.IfIndex == tv0
                   && r.Table == RT_TABLE_MAIN;
        }));

        TRouteRow def;
        ASSERT_TRUE(GetDefaultRoute(def));
        EXPECT_EQ(def.IfIndex, tv1);
        EXPECT_EQ(def.NextHop, Ip(192, 0, 2, 130));

        TIpMaskList networks;
        ASSERT_EQ(GetLocalAddresses(networks), 0);
        TIpMaskList expected{{Ip(192, 0, 2, 129), 0xFFFFFFC0}, {Ip(192, 0, 2, 1), 0xFFFFFFC0}};
        EXPECT_EQ(networks, expected) << "the default route's interface first, no loopback";

        TRouteRow best;
        ASSERT_EQ(GetBestRoute(Ip(192, 0, 2, 20), best), 0);
        EXPECT_EQ(best.IfIndex, tv0);
        EXPECT_EQ(best.NextHop, 0u);
        EXPECT_EQ(best.Dest, Ip(192, 0, 2, 20));
        ASSERT_EQ(GetBestRoute(Ip(192, 0, 2, 100), best), 0);
        EXPECT_EQ(best.IfIndex, tv1) << "outside both networks: over the default route";
        EXPECT_EQ(best.NextHop, Ip(192, 0, 2, 130));
        std::string name;
        ASSERT_EQ(GetIfEntry(best.IfIndex, name), 0);
        EXPECT_EQ(name, "tv1");
        EXPECT_NE(GetIfEntry(999999, name), 0);

        TArpVector arp;
        ASSERT_EQ(GetArpTable(arp), 0);
        auto nine = std::find_if(arp.begin(), arp.end(), [](const TArpRow& r) { return r.Ip == Ip(192, 0, 2, 9); });
        ASSERT_NE(nine, arp.end());
        EXPECT_EQ(nine->Type, ArpTypeStatic);
        EXPECT_EQ(nine->IfIndex, tv0);
        EXPECT_EQ(nine->PhysAddrLen, 6u);
        EXPECT_EQ(nine->PhysAddr[5], 9);

        // Dynamic entries go; the static one stays until asked for.
        std::vector<uint32_t> addresses{Ip(192, 0, 2, 9), Ip(192, 0, 2, 10)};
        EXPECT_EQ(DeleteArpEntries(addresses, false), 0);
        arp.clear();
        ASSERT_EQ(GetArpTable(arp), 0);
        EXPECT_TRUE(HasArp(arp, Ip(192, 0, 2, 9)));
        EXPECT_FALSE(HasArp(arp, Ip(192, 0, 2, 10)));
        EXPECT_TRUE(HasArp(arp, Ip(192, 0, 2, 11)));

        EXPECT_EQ(DeleteArpEntries(addresses, true), 0);
        arp.clear();
        ASSERT_EQ(GetArpTable(arp), 0);
        EXPECT_FALSE(HasArp(arp, Ip(192, 0, 2, 9)));
        EXPECT_TRUE(HasArp(arp, Ip(192, 0, 2, 11)));

        // Removing an entry that is no longer there reports the kernel's error.
        TArpRow gone;
        gone.Ip = Ip(192, 0, 2, 10);
        gone.IfIndex = tv0;
        EXPECT_NE(DeleteArpEntry(gone), 0);
    });
}

TEST_F(LocalNetNamespace, NoDefaultRouteKeepsTableOrder)
{
    ASSERT_TRUE(Run("ip netns exec " + m_Name + " ip route del default"));
    InNamespace([] {
        TRouteRow def;
        EXPECT_FALSE(GetDefaultRoute(def));
        TIpMaskList networks;
        ASSERT_EQ(GetLocalAddresses(networks), 0);
        // The kernel lists addresses by interface index.
        TIpMask first{Ip(192, 0, 2, 1), 0xFFFFFFC0}, second{Ip(192, 0, 2, 129), 0xFFFFFFC0};
        if (if_nametoindex("tv1") < if_nametoindex("tv0"))
            std::swap(first, second);
        TIpMaskList expected{first, second};
        EXPECT_EQ(networks, expected);
    });
}

} // namespace
