// Built-in upgrade, restore and backup on the fake transport.
#include "IntpTransfer.h"
#include "LibraryFixture.h"

#include <fstream>
#include <unistd.h>

using namespace Intp;
using namespace TestSupport;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Pattern(size_t size, uint8_t seed = 1)
{
    std::vector<uint8_t> v(size);
    for (size_t i = 0; i < size; ++i)
        v[i] = uint8_t(seed + i * 7 + (i >> 8));
    return v;
}

std::vector<uint8_t> ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> Bytes(const std::vector<uint8_t>& v, size_t from, size_t count)
{
    std::vector<uint8_t> out(count, 0);
    for (size_t i = 0; i < count && from + i < v.size(); ++i)
        out[i] = v[from + i];
    return out;
}

std::vector<uint8_t> Be16(uint16_t v) { return {uint8_t(v >> 8), uint8_t(v)}; }

std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<uint8_t> UploadReply(uint16_t block, uint16_t state) { return Cat(Be16(block), Be16(state)); }
std::vector<uint8_t> BackupReply(uint16_t block, const std::vector<uint8_t>& data)
{
    return Cat(Be16(block), Bytes(data, 0, 512));
}

// File operations that fail on demand, otherwise those of the local disk.
class TFaultyFileSystem : public TTransferFileSystem {
public:
    int FailReadFromBlock = -1;   // reads at or past this block fail
    int FailWriteNumber = -1;     // the n-th write (from 0) fails
    bool FailClose = false;
    bool FailRename = false;
    int Writes = 0;

    class TFile : public TTransferFile {
    public:
        TFile(TFaultyFileSystem& owner, std::unique_ptr<TTransferFile> inner) : m_Owner(owner), m_Inner(std::move(inner)) {}
        long long ReadAt(uint64_t offset, uint8_t* out, size_t count) override
        {
            if (m_Owner.FailReadFromBlock >= 0 && offset >= uint64_t(m_Owner.FailReadFromBlock) * 512)
                return -1;
            return m_Inner->ReadAt(offset, out, count);
        }
        bool Write(const uint8_t* data, size_t count) override
        {
            if (m_Owner.Writes++ == m_Owner.FailWriteNumber)
                return false;
            return m_Inner->Write(data, count);
        }
        bool Close() override { return m_Inner->Close() && !m_Owner.FailClose; }

    private:
        TFaultyFileSystem& m_Owner;
        std::unique_ptr<TTransferFile> m_Inner;
    };

    std::unique_ptr<TTransferFile> OpenRead(const fs::path& path) override
    {
        auto inner = TTransferFileSystem::OpenRead(path);
        return inner ? std::make_unique<TFile>(*this, std::move(inner)) : nullptr;
    }
    std::unique_ptr<TTransferFile> CreateNew(const fs::path& path) override
    {
        auto inner = TTransferFileSystem::CreateNew(path);
        return inner ? std::make_unique<TFile>(*this, std::move(inner)) : nullptr;
    }
    bool Rename(const fs::path& from, const fs::path& to) override
    {
        return !FailRename && TTransferFileSystem::Rename(from, to);
    }
};

// Captures the data of each report while it is valid.
class TDataWizard : public TWizard {
public:
    struct TEvent {
        int Command;
        uint16_t Status;
        uint16_t First;
        uint16_t Second;
    };
    void OnSessionEvent(TDevice*, int command, uint16_t status, void* data) override
    {
        TEvent e{command, status, 0, 0};
        if (data && status != StatusTimeout) {
            std::memcpy(&e.First, data, 2);
            std::memcpy(&e.Second, static_cast<uint8_t*>(data) + 2, 2);
        }
        Events.push_back(e);
    }
    std::vector<TEvent> Events;
};

class TransferBuiltin : public LibraryTest {
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        Dir = fs::temp_directory_path() /
              ("transfer_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        Device = AddDevice(1);
    }
    void TearDown() override
    {
        LibraryTest::TearDown();
        SetTransferFileSystem(nullptr);
        fs::remove_all(Dir);
    }
    std::string MakeFile(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        WriteAll(Dir / name, bytes);
        return (Dir / name).string();
    }
    template <class T>
    T* StartUpload(const std::vector<uint8_t>& content)
    {
        auto* s = new T;
        EXPECT_TRUE(s->OpenFile(MakeFile("image.bin", content)));
        EXPECT_TRUE(StartSession(s, Device, &Wizard));
        return s;
    }
    TSessionBasicsBackupBuildin* StartBackup(const std::string& name)
    {
        auto* s = new TSessionBasicsBackupBuildin;
        EXPECT_TRUE(s->OpenFile(name));
        EXPECT_TRUE(StartSession(s, Device, &Wizard));
        return s;
    }
    size_t FilesInDir() const
    {
        return size_t(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()));
    }

    fs::path Dir;
    TDevice* Device = nullptr;
    TDataWizard Wizard;
};

// ---------------------------------------------------------------------------
// Uploads
// ---------------------------------------------------------------------------

TEST_F(TransferBuiltin, UploadFirstRequestsAreByteExact)
{
    auto content = Pattern(1000);
    StartUpload<TSessionBasicsUpgradeBuildin>(content);
    ASSERT_EQ(Transport->Sent.size(), 1u);
    EXPECT_EQ(LastSent().Ip, Device->GetIp());
    EXPECT_EQ(Hex(LastSent().Bytes), "010000000202001122334401" "0000" + Hex(Bytes(content, 0, 512)));
    EXPECT_EQ(Transport->TimerInterval(SessionList().back()), 3000u);

    StartUpload<TSessionBasicsRestoreBuildin>(content);
    EXPECT_EQ(Hex(LastSent().Bytes), "010200000202001122334401" "0000" + Hex(Bytes(content, 0, 512)));
    EXPECT_STREQ(SessionList().back()->GetName(), "Restore");
    EXPECT_STREQ(SessionList().front()->GetName(), "Upgrade");
}

TEST_F(TransferBuiltin, UploadWalksTheBlocksAndZeroFillsTheLast)
{
    auto content = Pattern(1000);
    StartUpload<TSessionBasicsUpgradeBuildin>(content);

    Deliver(Device, 0x0100, 0, UploadReply(0, UploadStateNext));
    ASSERT_EQ(Transport->Sent.size(), 2u);
    // Bytes 512-999 and 24 zero bytes.
    EXPECT_EQ(Hex(LastSent().Body()), "0001" + Hex(Bytes(content, 512, 488)) + std::string(48, '0'));
    ASSERT_EQ(Wizard.Events.size(), 1u);
    EXPECT_EQ(Wizard.Events[0].Status, 0);
    EXPECT_EQ(Wizard.Events[0].First, 1);   // already the block just sent
    EXPECT_EQ(Wizard.Events[0].Second, 0);

    // Past the end of the file: all zeros, until the switch says done.
    Deliver(Device, 0x0100, 0, UploadReply(1, UploadStateNext));
    EXPECT_EQ(Hex(LastSent().Body()), "0002" + std::string(1024, '0'));

    // State 3 resends the named block, whatever was sent last.
    Deliver(Device, 0x0100, 0, UploadReply(0, UploadStateResend));
    EXPECT_EQ(Hex(LastSent().Body()), "0000" + Hex(Bytes(content, 0, 512)));

    Deliver(Device, 0x0100, 0, UploadReply(2, UploadStateDone));
    EXPECT_TRUE(SessionList().empty());
    EXPECT_EQ(Transport->Sent.size(), 4u);
    EXPECT_EQ(Wizard.Events.back().Status, 0);
    EXPECT_EQ(Wizard.Events.back().Second, UploadStateDone);
}

TEST_F(TransferBuiltin, UploadResendsEachBlockThreeTimesThreeSecondsApart)
{
    StartUpload<TSessionBasicsUpgradeBuildin>(Pattern(2000));
    Deliver(Device, 0x0100, 0, UploadReply(0, UploadStateNext));   // block 1 at t=0
    const auto block1 = LastSent().Bytes;
    Transport->Advance(11999);
    ASSERT_EQ(Transport->Sent.size(), 5u);
    for (size_t i = 1; i < 5; ++i) {
        EXPECT_EQ(Transport->Sent[i].Time, (i - 1) * 3000u);
        EXPECT_EQ(Transport->Sent[i].Bytes, block1);
    }
    EXPECT_EQ(Transport->Reports.size(), 1u);
    Transport->Advance(1);
    ASSERT_EQ(Transport->Reports.size(), 2u);
    EXPECT_EQ(LastReport().Status, StatusTimeout);
    EXPECT_EQ(LastReport().Name, "Upgrade");
    EXPECT_TRUE(SessionList().empty());
    EXPECT_EQ(Transport->Sent.size(), 5u);
}

TEST_F(TransferBuiltin, UploadResendCountStartsAgainWithEachBlock)
{
    StartUpload<TSessionBasicsUpgradeBuildin>(Pattern(4000));
    Transport->Advance(9000);   // three resends of block 0
    Deliver(Device, 0x0100, 0, UploadReply(0, UploadStateNext));
    Transport->Advance(9000);   // three resends of block 1
    EXPECT_EQ(Transport->Sent.size(), 8u);
    EXPECT_EQ(Transport->Reports.size(), 1u);
    Transport->Advance(3000);
    EXPECT_EQ(LastReport().Status, StatusTimeout);
}

TEST_F(TransferBuiltin, BusySwitchIsGivenSixtySecondsWithoutResends)
{
    auto* s = StartUpload<TSessionBasicsUpgradeBuildin>(Pattern(4000));
    Deliver(Device, 0x0100, 0, UploadReply(0, UploadStateWriting));
    ASSERT_EQ(Wizard.Events.size(), 1u);
    EXPECT_EQ(Wizard.Events[0].Second, UploadStateWriting);
    EXPECT_EQ(s->ResendCount(), 3u);
    EXPECT_EQ(Transport->TimerInterval(s), 60000u);
    Transport->Advance(59999);
    EXPECT_EQ(Transport->Sent.size(), 1u);
    // The switch goes on: 3 resends again, now 60 s apart.
    Deliver(Device, 0x0100, 0, UploadReply(0, UploadStateNext));
    EXPECT_EQ(Transport->Sent.size(), 2u);
    Transport->Advance(180000);
    EXPECT_EQ(Transport->Sent.size(), 5u);
    EXPECT_EQ(Transport->Sent[4].Time - Transport->Sent[3].Time, 60000u);
    EXPECT_FALSE(SessionList().empty());
    Transport->Advance(60000);
    EXPECT_EQ(LastReport().Status, StatusTimeout);
    EXPECT_TRUE(SessionList().empty());
}

TEST_F(TransferBuiltin, BusySwitchThatStaysSilentTimesOutAfterSixtySeconds)
{
    StartUpload<TSessionBasicsRestoreBuildin>(Pattern(600));
    Deliver(Device, 0x0102, 0, UploadReply(0, UploadStateError));
    Transport->Advance(59999);
    EXPECT_EQ(Transport->Reports.size(), 1u);
    Transport->Advance(1);
    EXPECT_EQ(LastReport().Status, StatusTimeout);
    EXPECT_EQ(Transport->Sent.size(), 1u);
}

TEST_F(TransferBuiltin, UnreadableBlockSendsTheAbortRequest)
{
    TFaultyFileSystem faulty;
    faulty.FailReadFromBlock = 1;
    SetTransferFileSystem(&faulty);
    StartUpload<TSessionBasicsUpgradeBuildin>(Pattern(2000));
    Deliver(Device, 0x0100, 0, UploadReply(0, UploadStateNext));
    ASSERT_EQ(Transport->Sent.size(), 2u);
    EXPECT_EQ(Hex(LastSent().Bytes), "010011000202001122334401" "0001" + std::string(1024, '0'));
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_TRUE(SessionList().empty());
}

TEST_F(TransferBuiltin, UploadThatCannotStart)
{
    auto* noFile = new TSessionBasicsUpgradeBuildin;
    EXPECT_FALSE(noFile->OpenFile((Dir / "missing.bin").string()));
    EXPECT_FALSE(noFile->OpenFile(""));
    EXPECT_FALSE(StartSession(noFile, Device, &Wizard));
    delete noFile;

    TFaultyFileSystem faulty;
    faulty.FailReadFromBlock = 0;
    SetTransferFileSystem(&faulty);
    auto* unreadable = new TSessionBasicsRestoreBuildin;
    ASSERT_TRUE(unreadable->OpenFile(MakeFile("cfg.bin", Pattern(10))));
    EXPECT_FALSE(StartSession(unreadable, Device, &Wizard));
    delete unreadable;
    EXPECT_TRUE(Transport->Sent.empty());
    EXPECT_TRUE(Transport->Reports.empty());
    EXPECT_EQ(Transport->TimerCount(), 0u);
}

TEST_F(TransferBuiltin, ResendsSkipADeviceWhoseAddressWasForgotten)
{
    // A reboot sets the address to 0: resends would reach the workstation
    // itself. The expiries still count, so the transfers end as usual.
    StartUpload<TSessionBasicsUpgradeBuildin>(Pattern(600));
    StartBackup(BackupFileName(Dir.string(), "b_", Device->GetIp()));
    ASSERT_EQ(Transport->Sent.size(), 2u);
    Device->SetIp(0);
    Transport->Advance(12000);
    EXPECT_EQ(Transport->Sent.size(), 2u);
    ASSERT_EQ(Transport->Reports.size(), 2u);
    EXPECT_EQ(Transport->Reports[0].Status, StatusTimeout);
    EXPECT_EQ(Transport->Reports[1].Status, StatusTimeout);
    EXPECT_TRUE(SessionList().empty());
    EXPECT_EQ(FilesInDir(), 1u);   // the upload's image; no backup left behind
}

TEST_F(TransferBuiltin, UploadErrorStatusAndShortReplyEndTheTransfer)
{
    StartUpload<TSessionBasicsUpgradeBuildin>(Pattern(600));
    Deliver(Device, 0x0100, 0x0005, UploadReply(0, 0));
    EXPECT_EQ(LastReport().Status, 5u);
    EXPECT_TRUE(SessionList().empty());

    StartUpload<TSessionBasicsUpgradeBuildin>(Pattern(600));
    Deliver(Device, 0x0100, 0, {0, 0, 0});
    EXPECT_EQ(LastReport().Status, StatusShort);
    EXPECT_TRUE(SessionList().empty());
}

// ---------------------------------------------------------------------------
// Backup
// ---------------------------------------------------------------------------

TEST_F(TransferBuiltin, BackupWritesTheBlocksIntoTheNamedFile)
{
    const std::string name = BackupFileName(Dir.string(), "backup_", Device->GetIp());
    EXPECT_EQ(name, Dir.string() + "/backup_192.0.2.1.bin");
    auto* s = StartBackup(name);
    EXPECT_EQ(Hex(LastSent().Bytes), "010100000002001122334401" "0000");
    EXPECT_EQ(Transport->TimerInterval(s), 3000u);

    auto b0 = Pattern(512, 1), b1 = Pattern(512, 2), last = Pattern(512, 3);
    Deliver(Device, 0x0101, 0, BackupReply(0, b0));
    EXPECT_EQ(Hex(LastSent().Bytes), "010100000002001122334401" "0001");
    // A block that is neither the expected one nor the last is not written.
    Deliver(Device, 0x0101, 0, BackupReply(7, Pattern(512, 9)));
    EXPECT_EQ(Hex(LastSent().Body()), "0001");
    Deliver(Device, 0x0101, 0, BackupReply(1, b1));
    EXPECT_EQ(Hex(LastSent().Body()), "0002");
    EXPECT_FALSE(fs::exists(name));   // not in place before the last block
    Deliver(Device, 0x0101, 0, BackupReply(0xFFFF, last));

    EXPECT_TRUE(SessionList().empty());
    EXPECT_EQ(ReadAll(name), Cat(Cat(b0, b1), last));
    EXPECT_EQ(FilesInDir(), 1u);   // no temporary file left
    ASSERT_EQ(Wizard.Events.size(), 4u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(Wizard.Events[i].First, BackupStateProgress);
    EXPECT_EQ(Wizard.Events[3].Status, 0);
    EXPECT_EQ(Wizard.Events[3].First, BackupStateDone);
}

TEST_F(TransferBuiltin, BackupReplacesAnOldFileOnlyWhenComplete)
{
    const std::string name = BackupFileName(Dir.string(), "backup_", Device->GetIp());
    const std::vector<uint8_t> old = Pattern(1024, 42);
    WriteAll(name, old);

    auto* s = StartBackup(name);
    Deliver(Device, 0x0101, 0, BackupReply(0, Pattern(512, 5)));
    EXPECT_EQ(ReadAll(name), old);
    EXPECT_TRUE(fs::exists(s->TempFileName()));
    EXPECT_EQ(s->TempFileName().parent_path(), fs::path(name).parent_path());
    Deliver(Device, 0x0101, 0, BackupReply(0xFFFF, Pattern(512, 6)));
    EXPECT_EQ(ReadAll(name), Cat(Pattern(512, 5), Pattern(512, 6)));
    EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(TransferBuiltin, FailedBackupsLeaveTheOldFileAndNoTemporaryFile)
{
    const std::string name = BackupFileName(Dir.string(), "sw_", Device->GetIp());
    const std::vector<uint8_t> old = Pattern(512, 42);
    WriteAll(name, old);
    auto unchanged = [&] {
        EXPECT_EQ(ReadAll(name), old);
        EXPECT_EQ(FilesInDir(), 1u);
        EXPECT_TRUE(SessionList().empty());
    };

    // Error status from the switch: the block number is the data word.
    StartBackup(name);
    Deliver(Device, 0x0101, 0, BackupReply(0, Pattern(512)));
    Deliver(Device, 0x0101, 0x0009, BackupReply(1, Pattern(512)));
    EXPECT_EQ(LastReport().Status, 9u);
    EXPECT_EQ(Wizard.Events.back().First, 1);
    unchanged();

    // Short reply and status 3.
    StartBackup(name);
    Deliver(Device, 0x0101, 0, std::vector<uint8_t>(513, 0));
    EXPECT_EQ(LastReport().Status, StatusShort);
    unchanged();
    StartBackup(name);
    Deliver(Device, 0x0101, StatusRefused, BackupReply(0, Pattern(512)));
    EXPECT_EQ(LastReport().Status, StatusRefused);
    unchanged();

    // Time-out.
    StartBackup(name);
    Transport->Advance(12000);
    EXPECT_EQ(LastReport().Status, StatusTimeout);
    unchanged();

    // Session deleted with the pending list.
    StartBackup(name);
    Deliver(Device, 0x0101, 0, BackupReply(0, Pattern(512)));
    Intp::ReleaseLibrary();
    Intp::RegisterBuiltinModels();
    Transport = std::make_unique<TFakeTransport>();
    Device = AddDevice(1);
    unchanged();
}

TEST_F(TransferBuiltin, BackupFileErrorsReportTableErrorNeverSuccess)
{
    const std::string name = BackupFileName(Dir.string(), "backup_", Device->GetIp());
    const std::vector<uint8_t> old = Pattern(512, 42);
    WriteAll(name, old);
    TFaultyFileSystem faulty;
    SetTransferFileSystem(&faulty);

    faulty.FailWriteNumber = 1;
    StartBackup(name);
    Deliver(Device, 0x0101, 0, BackupReply(0, Pattern(512)));
    Deliver(Device, 0x0101, 0, BackupReply(0xFFFF, Pattern(512)));
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(ReadAll(name), old);
    EXPECT_EQ(FilesInDir(), 1u);

    faulty.FailWriteNumber = -1;
    faulty.FailClose = true;
    StartBackup(name);
    Deliver(Device, 0x0101, 0, BackupReply(0xFFFF, Pattern(512)));
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(ReadAll(name), old);
    EXPECT_EQ(FilesInDir(), 1u);

    faulty.FailClose = false;
    faulty.FailRename = true;
    StartBackup(name);
    Deliver(Device, 0x0101, 0, BackupReply(0xFFFF, Pattern(512)));
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(ReadAll(name), old);
    EXPECT_EQ(FilesInDir(), 1u);
    for (const auto& e : Wizard.Events)
        EXPECT_NE(e.First, BackupStateDone);
}

TEST_F(TransferBuiltin, BackupResendsThreeTimesInTheWholeTransfer)
{
    StartBackup(BackupFileName(Dir.string(), "b_", Device->GetIp()));
    Transport->Advance(9000);   // three lost replies early on
    EXPECT_EQ(Transport->Sent.size(), 4u);
    EXPECT_EQ(Transport->Sent[3].Bytes, Transport->Sent[0].Bytes);
    for (uint16_t b = 0; b < 5; ++b) {
        Deliver(Device, 0x0101, 0, BackupReply(b, Pattern(512)));
        Transport->Advance(1000);
    }
    Transport->Advance(2000);   // one late lost reply ends the backup
    EXPECT_EQ(LastReport().Status, StatusTimeout);
    EXPECT_TRUE(SessionList().empty());
    EXPECT_EQ(FilesInDir(), 0u);
}

TEST_F(TransferBuiltin, TwoBackupsIntoOneFileAreRefused)
{
    // Two switches that answer from the same address get the same name.
    TDevice* twin = AddDevice(2);
    twin->SetIp(Device->GetIp());
    const std::string name = BackupFileName(Dir.string(), "backup_", Device->GetIp());
    StartBackup(name);
    auto* second = new TSessionBasicsBackupBuildin;
    EXPECT_FALSE(second->OpenFile(name));
    EXPECT_FALSE(second->OpenFile(Dir.string() + "/./backup_192.0.2.1.bin"));
    EXPECT_FALSE(StartSession(second, twin, &Wizard));
    EXPECT_EQ(Transport->Sent.size(), 1u);

    Deliver(Device, 0x0101, 0, BackupReply(0xFFFF, Pattern(512, 1)));
    EXPECT_EQ(ReadAll(name), Pattern(512, 1));
    // Once the first is done, the name is free again.
    EXPECT_TRUE(second->OpenFile(name));
    EXPECT_TRUE(StartSession(second, twin, &Wizard));
    Deliver(twin, 0x0101, 0, BackupReply(0xFFFF, Pattern(512, 2)));
    EXPECT_EQ(ReadAll(name), Pattern(512, 2));
}

TEST_F(TransferBuiltin, BackupThatCannotCreateItsFileDoesNotStart)
{
    auto* s = new TSessionBasicsBackupBuildin;
    EXPECT_FALSE(s->OpenFile((Dir / "no-such-folder" / "b.bin").string()));
    EXPECT_FALSE(StartSession(s, Device, &Wizard));
    delete s;
    EXPECT_TRUE(Transport->Sent.empty());

    // Opening another name drops the first temporary file.
    s = new TSessionBasicsBackupBuildin;
    ASSERT_TRUE(s->OpenFile((Dir / "a.bin").string()));
    ASSERT_TRUE(s->OpenFile((Dir / "b.bin").string()));
    EXPECT_EQ(FilesInDir(), 1u);
    delete s;
    EXPECT_EQ(FilesInDir(), 0u);
}

} // namespace
