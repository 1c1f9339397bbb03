// TFTP backup, restore and upgrade requests and their progress replies.
#include "IntpTransfer.h"
#include "LibraryFixture.h"

using namespace Intp;
using namespace TestSupport;

namespace {

class TransferTftp : public LibraryTest {
protected:
    class TStateWizard : public TWizard {
    public:
        void OnSessionEvent(TDevice*, int, uint16_t status, void* data) override
        {
            uint32_t state = 0xFFFFFFFF;
            if (data && status == StatusOk)
                std::memcpy(&state, data, 4);
            States.push_back({status, state});
        }
        std::vector<std::pair<uint16_t, uint32_t>> States;
    };

    std::vector<uint8_t> State(uint32_t s) { return {uint8_t(s >> 24), uint8_t(s >> 16), uint8_t(s >> 8), uint8_t(s)}; }

    TStateWizard Wizard;
};

TEST_F(TransferTftp, RequestBodiesNameServerPortAndFile)
{
    TDevice* d = AddDevice(1);
    auto* backup = new TSessionBasicsBackupTftp;
    backup->SetRequest(MakeRemoteRequest(0xC0000263, TftpServerPort, "backup_192.0.2.1.bin"));
    ASSERT_TRUE(StartSession(backup, d, &Wizard));
    EXPECT_EQ(Hex(LastSent().Bytes), "010900000026001122334401"
                                     "c0000263" "0045"
                                     "6261636b75705f3139322e302e322e312e62696e" "000000000000000000000000");
    EXPECT_EQ(Transport->TimerInterval(backup), 60000u);

    // A name of exactly 32 bytes has no terminating zero; a longer one is cut.
    auto* upgrade = new TSessionBasicsUpgradeTftp;
    upgrade->SetRequest(MakeRemoteRequest(0x0A000001, 6969, std::string(32, 'f') + "xyz"));
    ASSERT_TRUE(StartSession(upgrade, d, &Wizard));
    EXPECT_EQ(Hex(LastSent().Bytes), "010b00000026001122334401" "0a000001" "1b39" + std::string(64, '6'));

    // A name cut on a character boundary: 31 bytes and a two-byte character.
    auto request = MakeRemoteRequest(1, 69, std::string(31, 'a') + "\xc3\xa9");
    EXPECT_EQ(request.FileName[30], 'a');
    EXPECT_EQ(request.FileName[31], 0);

    auto* restore = new TSessionBasicsRestoreTftp;
    EXPECT_FALSE(restore->SetRequest(&request, 37));
    EXPECT_TRUE(restore->SetRequest(&request, sizeof request));
    ASSERT_TRUE(StartSession(restore, d, &Wizard));
    EXPECT_EQ(LastSent().Command(), 0x010A);
    EXPECT_STREQ(restore->GetName(), "TftpRestore");
    EXPECT_STREQ(upgrade->GetName(), "TftpUpd");
    EXPECT_STREQ(backup->GetName(), "TftpBackup");
}

TEST_F(TransferTftp, ProgressStatesUntilDone)
{
    TDevice* d = AddDevice(1);
    auto* s = new TSessionBasicsUpgradeTftp;
    ASSERT_TRUE(StartSession(s, d, &Wizard));
    Transport->Advance(59000);
    Deliver(d, 0x010B, 0, State(0));
    Transport->Advance(59000);
    Deliver(d, 0x010B, 0, State(1));
    EXPECT_EQ(SessionList().size(), 1u);
    Deliver(d, 0x010B, 0, State(2));
    EXPECT_TRUE(SessionList().empty());
    using P = std::pair<uint16_t, uint32_t>;
    EXPECT_EQ(Wizard.States, (std::vector<P>{{0, 0}, {0, 1}, {0, 2}}));
    EXPECT_EQ(Transport->Sent.size(), 1u);   // no polling, no resends
}

TEST_F(TransferTftp, OtherStatesAreReportedAsFour)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionBasicsBackupTftp, d, &Wizard));
    Deliver(d, 0x0109, 0, State(7));
    EXPECT_TRUE(SessionList().empty());
    ASSERT_EQ(Wizard.States.size(), 1u);
    EXPECT_EQ(Wizard.States[0], (std::pair<uint16_t, uint32_t>{0, TftpStateFailed}));
}

TEST_F(TransferTftp, SilenceErrorStatusAndShortReplies)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionBasicsRestoreTftp, d, &Wizard));
    Deliver(d, 0x010A, 0, State(0));
    Transport->Advance(60000);
    EXPECT_EQ(LastReport().Status, StatusTimeout);
    EXPECT_TRUE(SessionList().empty());

    ASSERT_TRUE(StartSession(new TSessionBasicsRestoreTftp, d, &Wizard));
    Deliver(d, 0x010A, 0x0021, State(0));
    EXPECT_EQ(LastReport().Status, 0x21u);
    EXPECT_TRUE(SessionList().empty());

    ASSERT_TRUE(StartSession(new TSessionBasicsRestoreTftp, d, &Wizard));
    Deliver(d, 0x010A, 0, {0, 0, 2});
    EXPECT_EQ(LastReport().Status, StatusShort);
    EXPECT_TRUE(SessionList().empty());
}

} // namespace
