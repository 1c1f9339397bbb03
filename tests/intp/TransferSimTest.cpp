// Built-in and TFTP transfers against the switch simulator over loopback.
#include "IntpTransfer.h"
#include "SimulatorFixture.h"
#include "handlers/SimTransfer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

using namespace Intp;
using namespace TestSupport;
namespace fs = std::filesystem;

namespace {

class TransferSim : public SimulatorTest {
protected:
    void SetUp() override
    {
        SimulatorTest::SetUp();
        Sim.AddSwitches(2, Loopback(2));
        for (size_t i = 0; i < 2; ++i)
            Sim.With(i, [](Sim::TSimSwitch& sw) { sw.LoggedIn = true; });
        ASSERT_NO_FATAL_FAILURE(StartSimulator());
        Dir = fs::temp_directory_path() / ("transfer_sim_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
    }
    void TearDown() override
    {
        SimulatorTest::TearDown();
        fs::remove_all(Dir);
    }
    TDevice* Device(size_t i) { return SimDevice(i, uint32_t(i + 1)); }
    // Pumps until the session has left the pending list.
    bool RunToEnd(unsigned ms = 20000)
    {
        return Transport->PumpUntil([] { return SessionList().empty(); }, ms);
    }
    static std::vector<uint8_t> Pattern(size_t size)
    {
        std::vector<uint8_t> v(size);
        for (size_t i = 0; i < size; ++i)
            v[i] = uint8_t(1 + (i * 131 + (i >> 9)) % 251);   // never zero
        return v;
    }
    static std::vector<uint8_t> ReadAll(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    fs::path Dir;
};

TEST_F(TransferSim, UpgradeOfSeveralHundredBlocks)
{
    const auto image = Pattern(400 * 512 + 77);
    {
        std::ofstream out(Dir / "fw.bin", std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    }
    Sim.With(0, [&](Sim::TSimSwitch& sw) {
        auto& st = Sim::TransferState(sw);
        st.ExpectedBytes = image.size();
        st.ResendAtBlock = 17;
        st.BusyAtBlock = 200;
    });
    auto* s = new TSessionBasicsUpgradeBuildin;
    ASSERT_TRUE(s->OpenFile((Dir / "fw.bin").string()));
    ASSERT_TRUE(StartSession(s, Device(0), nullptr));
    ASSERT_TRUE(RunToEnd());
    ASSERT_FALSE(Transport->Reports.empty());
    EXPECT_EQ(Transport->Reports.back().Status, 0u);
    auto firmware = Sim.With(0, [](Sim::TSimSwitch& sw) { return Sim::TransferState(sw).Firmware; });
    EXPECT_EQ(firmware, image);
    // 401 blocks, block 17 twice.
    EXPECT_EQ(Transport->Sent.size(), 402u);
}

TEST_F(TransferSim, BackupOfSeveralHundredBlocks)
{
    const auto config = Pattern(300 * 512);
    Sim.With(1, [&](Sim::TSimSwitch& sw) { Sim::TransferState(sw).Config = config; });
    TDevice* d = Device(1);
    const std::string name = BackupFileName(Dir.string(), "backup_", d->GetIp());
    {
        std::ofstream old(name, std::ios::binary);
        old << "old backup";
    }
    auto* s = new TSessionBasicsBackupBuildin;
    ASSERT_TRUE(s->OpenFile(name));
    ASSERT_TRUE(StartSession(s, d, nullptr));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Transport->Reports.back().Status, 0u);
    EXPECT_EQ(Transport->Reports.size(), 300u);
    EXPECT_EQ(ReadAll(name), config);
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()), 1);
}

TEST_F(TransferSim, FailuresOfTheSwitchSide)
{
    TDevice* d = Device(0);
    const std::string name = BackupFileName(Dir.string(), "b_", d->GetIp());
    // A backup the switch breaks off: no file is left.
    Sim.With(0, [](Sim::TSimSwitch& sw) { Sim::TransferState(sw).BackupFailAtBlock = 2; });
    auto* backup = new TSessionBasicsBackupBuildin;
    ASSERT_TRUE(backup->OpenFile(name));
    ASSERT_TRUE(StartSession(backup, d, nullptr));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Transport->Reports.back().Status, 0x0010u);
    EXPECT_FALSE(fs::exists(name));
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()), 0);

    // A restore the switch refuses with state 4 at block 1.
    Sim.With(0, [](Sim::TSimSwitch& sw) { Sim::TransferState(sw).FailAtBlock = 1; });
    {
        std::ofstream out(Dir / "cfg.bin", std::ios::binary);
        auto bytes = Pattern(2000);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    auto* restore = new TSessionBasicsRestoreBuildin;
    ASSERT_TRUE(restore->OpenFile((Dir / "cfg.bin").string()));
    const size_t before = Transport->Reports.size();
    ASSERT_TRUE(StartSession(restore, d, nullptr));
    // Block 0 goes through, block 1 gets state 4: reported, then the
    // console waits for the switch.
    ASSERT_TRUE(Transport->PumpUntil([&] { return Transport->Reports.size() >= before + 2; }, 3000));
    EXPECT_EQ(Transport->Reports.back().Status, 0u);
    Transport->Pump(50);
    EXPECT_EQ(Transport->Reports.size(), before + 2);
    EXPECT_EQ(SessionList().size(), 1u);
    EXPECT_EQ(Transport->Sent.size(), 5u);   // 3 backup requests, 2 restore blocks
}

TEST_F(TransferSim, TftpScriptedStates)
{
    TDevice* d = Device(0);
    struct TStates : TWizard {
        void OnSessionEvent(TDevice*, int, uint16_t status, void* data) override
        {
            uint32_t s = 0;
            if (data && status == 0)
                std::memcpy(&s, data, 4);
            States.push_back(status ? 0xFFFF0000u | status : s);
        }
        std::vector<uint32_t> States;
    } wizard;
    auto* up = new TSessionBasicsUpgradeTftp;
    up->SetRequest(MakeRemoteRequest(0xC0000263, TftpServerPort, "image.bin"));
    ASSERT_TRUE(StartSession(up, d, &wizard));
    ASSERT_TRUE(RunToEnd(3000));
    EXPECT_EQ(wizard.States, (std::vector<uint32_t>{0, 1, 2}));
    auto request = Sim.With(0, [](Sim::TSimSwitch& sw) { return Sim::TransferState(sw).TftpRequests[0x010B]; });
    EXPECT_EQ(request.ServerIp, 0xC0000263u);
    EXPECT_EQ(request.ServerPort, 69);
    EXPECT_EQ(request.FileName, "image.bin");

    wizard.States.clear();
    Sim.With(0, [](Sim::TSimSwitch& sw) {
        Sim::TransferState(sw).TftpScript[0x0109] = {{0, 0, 0}, {0, 7, 10}};
    });
    ASSERT_TRUE(StartSession(new TSessionBasicsBackupTftp, d, &wizard));
    ASSERT_TRUE(RunToEnd(3000));
    EXPECT_EQ(wizard.States, (std::vector<uint32_t>{0, TftpStateFailed}));
}

} // namespace
