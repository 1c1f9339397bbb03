// The backup, restore, upgrade and save-to-flash pages against the switch
// simulator: batches, per-row progress and results, the files written, the
// remote requests, the enable rules and the busy rule.
#include "IntpTransfer.h"
#include "ModuleBasicsBackup.h"
#include "ModuleBasicsRestore.h"
#include "ModuleBasicsUpgrade.h"
#include "ModuleSave.h"
#include "PageEditors.h"
#include "PageFixture.h"
#include "PageList.h"
#include "handlers/SimTransfer.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <cerrno>
#include <numeric>

using namespace TestSupport;

namespace {

class TransferPagesTest : public PageTest {
protected:
    template <class P>
    P* Start(size_t switches)
    {
        StartSwitches(switches);
        auto* page = AddPage(new P(Host()));
        std::vector<size_t> all(switches);
        std::iota(all.begin(), all.end(), size_t(0));
        Select(all);
        return page;
    }
    bool WaitIdle(TModuleDeviceList* page, unsigned ms = 10000)
    {
        return Pump([page] { return !page->IsBusy(); }, ms);
    }
    int CountStatus(TModuleDeviceList* page, const QString& text) const
    {
        int n = 0;
        for (int row = 0; row < page->RowCount(); ++row)
            n += page->StatusText(row) == text;
        return n;
    }
    // A file of `size` bytes, none of them zero.
    QString WriteImage(const QTemporaryDir& dir, size_t size)
    {
        QByteArray data(qsizetype(size), '\0');
        for (qsizetype i = 0; i < data.size(); ++i)
            data[i] = char(1 + i % 251);
        const QString path = dir.filePath("image.bin");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        return path;
    }
    // Picks `path` through the page's picker (the fake dialog answers).
    void Pick(TModuleBasicsTransfer* page, const QString& path)
    {
        Ui().Paths.push_back(path);
        QTest::mouseClick(page->OpenButton(), Qt::LeftButton);
    }
    void UseRemote(TModuleBasicsTransfer* page, const QString& server)
    {
        page->RemoteRadio()->setChecked(true);
        page->ServerField()->setText(server);
    }
    std::vector<uint8_t> Firmware(size_t i)
    {
        return Simulator().With(i, [](Sim::TSimSwitch& sw) { return Sim::TransferState(sw).Firmware; });
    }
};

std::vector<uint8_t> RemoteBody(uint32_t server, const std::string& name)
{
    std::vector<uint8_t> body(38, 0);
    Intp::PutBE32(body.data(), server);
    Intp::PutBE16(body.data() + 4, 69);
    std::copy(name.begin(), name.end(), body.begin() + 6);
    return body;
}

} // namespace

TEST_F(TransferPagesTest, BuiltinBackupOfTwentyFiveSwitchesRunsTwentyAtOnceAndWritesWholeBlocks)
{
    auto* page = Start<TModuleBasicsBackup>(25);
    ASSERT_TRUE(ShowPage());
    ASSERT_EQ(page->RowCount(), 25);
    EXPECT_EQ(page->NameField()->text(), "backup_");
    EXPECT_FALSE(page->ActionButton()->isEnabled());
    Pick(page, "/nonexistent/folder");   // a folder that does not exist cannot be used
    EXPECT_FALSE(page->ActionButton()->isEnabled());
    QTemporaryDir dir;
    Pick(page, dir.path());
    ASSERT_EQ(Ui().FileDialogs.back().Title, "Save in ...");
    ASSERT_TRUE(page->ActionButton()->isEnabled());
    page->NameField()->setText("sw_");

    QTest::mouseClick(page->ActionButton(), Qt::LeftButton);
    EXPECT_TRUE(page->IsBusy());
    EXPECT_FALSE(page->TopPanel()->isEnabled());
    for (int row = 0; row < 25; ++row) {
        EXPECT_EQ(page->RowImage(row), row < 20 ? TModuleDeviceList::ImageRunning : TModuleDeviceList::ImageNone);
        EXPECT_EQ(page->StatusText(row), row < 20 ? "Transmitting" : "");
    }
    ASSERT_TRUE(WaitIdle(page));
    EXPECT_EQ(CountStatus(page, "Done"), 25);
    EXPECT_TRUE(page->ActionButton()->isEnabled());
    EXPECT_TRUE(page->TopPanel()->isEnabled());

    // The 21st switch was asked only once every one of the first 20 was done.
    const auto log = Requests(0x0101);
    size_t firstOfLater = log.size(), lastOfFirst = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].DestIp >= SimIp(20))
            firstOfLater = std::min(firstOfLater, i);
        else
            lastOfFirst = i;
    }
    EXPECT_LT(lastOfFirst, firstOfLater);

    const auto config = Simulator().With(0, [](Sim::TSimSwitch& sw) { return Sim::TransferState(sw).Config; });
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 25);
    for (size_t i = 0; i < 25; ++i) {
        QFile file(dir.filePath(QStringLiteral("sw_127.0.0.%1.bin").arg(2 + i)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        const QByteArray bytes = file.readAll();
        EXPECT_EQ(bytes.size() % 512, 0);
        EXPECT_EQ(size_t(bytes.size()), (config.size() + 511) / 512 * 512);
        EXPECT_EQ(bytes.left(qsizetype(config.size())),
                  QByteArray(reinterpret_cast<const char*>(config.data()), qsizetype(config.size())));
    }
}

TEST_F(TransferPagesTest, UpgradeAndRestoreProgressToDone)
{
    auto* page = Start<TModuleBasicsUpgrade>(2);
    for (size_t i = 0; i < 2; ++i)
        Simulator().With(i, [](Sim::TSimSwitch& sw) { Sim::TransferState(sw).ExpectedBytes = 1500; });
    ASSERT_TRUE(ShowPage());
    // The versions arrive after the page shows.
    ASSERT_TRUE(Pump([&] { return page->List()->Text(1, 2) == "v1.18"; }));
    EXPECT_EQ(page->List()->Text(0, 1), "v2.05");
    QTemporaryDir dir;
    const QString image = WriteImage(dir, 1500);
    Pick(page, image);
    EXPECT_EQ(Ui().FileDialogs.back().Title, "");
    EXPECT_FALSE(page->RebootButton()->isEnabled());
    QTest::mouseClick(page->ActionButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitIdle(page));
    EXPECT_EQ(CountStatus(page, "Done"), 2);
    QFile file(image);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    for (size_t i = 0; i < 2; ++i)
        EXPECT_EQ(Firmware(i), std::vector<uint8_t>(bytes.begin(), bytes.end()));
    // The reboot button comes after a run.
    ASSERT_TRUE(page->RebootButton()->isEnabled());
    QTest::mouseClick(page->RebootButton(), Qt::LeftButton);
    EXPECT_FALSE(WaitForRequest(0x0103, 2).empty());
}

TEST_F(TransferPagesTest, RemoteRestoreShowsWritingFlashThenDone)
{
    auto* page = Start<TModuleBasicsRestore>(2);
    for (size_t i = 0; i < 2; ++i)
        Simulator().With(i, [](Sim::TSimSwitch& sw) {
            Sim::TransferState(sw).TftpScript[0x010A] = {{0, 0, 0}, {0, 1, 50}, {0, 2, 400}};
        });
    ASSERT_TRUE(ShowPage());
    page->RemoteRadio()->setChecked(true);
    EXPECT_FALSE(page->LocalField()->isEnabled());
    EXPECT_TRUE(page->ServerField()->isEnabled());
    page->NameField()->setText("cfg.bin");
    for (const char* bad : {"192.0.2", "0.0.0.0", "255.255.255.255", "127.0.0.9"}) {
        page->ServerField()->setText(bad);
        EXPECT_FALSE(page->ActionButton()->isEnabled()) << bad;
    }
    page->ServerField()->setText("192.0.2.10");
    ASSERT_TRUE(page->ActionButton()->isEnabled());
    page->NameField()->clear();
    EXPECT_FALSE(page->ActionButton()->isEnabled());
    page->NameField()->setText("cfg.bin");

    QTest::mouseClick(page->ActionButton(), Qt::LeftButton);
    EXPECT_EQ(CountStatus(page, "Transmitting"), 2);
    ASSERT_TRUE(Pump([&] { return CountStatus(page, "Writing flash") == 2; }));
    EXPECT_EQ(page->RowImage(0), TModuleDeviceList::ImageFlash);
    EXPECT_TRUE(page->IsBusy());
    ASSERT_TRUE(WaitIdle(page));
    EXPECT_EQ(CountStatus(page, "Done"), 2);
    EXPECT_EQ(WaitForRequest(0x010A, 2), RemoteBody(0xC000020A, "cfg.bin"));
}

TEST_F(TransferPagesTest, SilentSwitchTimesOutWithoutHoldingTheOthersBack)
{
    auto* page = Start<TModuleBasicsUpgrade>(3);
    Simulator().With(1, [](Sim::TSimSwitch& sw) { sw.Faults.DropRate = 1; });
    ASSERT_TRUE(ShowPage());
    QTemporaryDir dir;
    Pick(page, WriteImage(dir, 3000));
    QTest::mouseClick(page->ActionButton(), Qt::LeftButton);
    ASSERT_TRUE(Pump([&] { return CountStatus(page, "Done") == 2; }));
    EXPECT_EQ(page->StatusText(1), "Transmitting");
    EXPECT_TRUE(page->IsBusy());
    // Four sends 3 s apart, then the time-out.
    ASSERT_TRUE(WaitIdle(page, 16000));
    EXPECT_EQ(page->StatusText(1), "Timeout");
    EXPECT_EQ(page->RowImage(1), TModuleDeviceList::ImageTimeout);
    EXPECT_EQ(page->StatusText(0), "Done");
}

TEST_F(TransferPagesTest, MixedModelsDisableRestoreAndUpgrade)
{
    StartSwitches(2);
    Device(1)->SetType(2);
    auto* restore = AddPage(new TModuleBasicsRestore(Host()));
    auto* upgrade = new TModuleBasicsUpgrade(Host());
    auto* backup = new TModuleBasicsBackup(Host());
    Host()->AddPage(nullptr, upgrade);
    Host()->AddPage(nullptr, backup);
    Select({0, 1});
    for (TModuleBasicsTransfer* page : {static_cast<TModuleBasicsTransfer*>(restore),
                                        static_cast<TModuleBasicsTransfer*>(upgrade)}) {
        page->Notify(nullptr, EventPageShown, 0);
        EXPECT_EQ(page->RowCount(), 2);
        for (QWidget* w : {static_cast<QWidget*>(page->LocalRadio()), static_cast<QWidget*>(page->RemoteRadio()),
                           static_cast<QWidget*>(page->LocalField()), static_cast<QWidget*>(page->OpenButton()),
                           static_cast<QWidget*>(page->ServerField()), static_cast<QWidget*>(page->NameField()),
                           static_cast<QWidget*>(page->ActionButton()), static_cast<QWidget*>(page->RebootButton())})
            EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    }
    backup->Notify(nullptr, EventPageShown, 0);
    EXPECT_TRUE(backup->OpenButton()->isEnabled());

    // Switches not logged in get no row.
    Device(1)->ClearFlags(Intp::DeviceFlagLoggedIn);
    restore->Notify(nullptr, EventPageShown, 0);
    EXPECT_EQ(restore->RowCount(), 1);
    EXPECT_TRUE(restore->OpenButton()->isEnabled());
}

// The page stays busy, refusing to be left, while a switch writes its flash,
// even when the next batch starts nothing.
TEST_F(TransferPagesTest, BusyPageRefusesToBeLeftUntilTheLastFlashWriteEnds)
{
    auto* page = Start<TModuleBasicsUpgrade>(21);
    QTreeWidgetItem* other = Host()->AddPage(nullptr, new TModuleBasicsRestore(Host()));
    Simulator().With(0, [](Sim::TSimSwitch& sw) { Sim::TransferState(sw).FlashMs = 3000; });
    ASSERT_TRUE(ShowPage());
    ASSERT_TRUE(Pump([] { return Intp::SessionList().empty(); }));   // every version read answered
    Device(20)->SetIp(0);   // its transfer cannot be sent
    QTemporaryDir dir;
    Pick(page, WriteImage(dir, 600));
    QTest::mouseClick(page->ActionButton(), Qt::LeftButton);
    ASSERT_TRUE(Pump([&] { return CountStatus(page, "Done") == 19 && page->StatusText(0) == "Writing flash"; }));
    EXPECT_EQ(page->StatusText(20), "Fail to send request");
    EXPECT_EQ(page->RowImage(20), TModuleDeviceList::ImageFailed);
    EXPECT_TRUE(page->IsBusy());
    Host()->PageTree()->setCurrentItem(other);
    EXPECT_EQ(Host()->GetCurrentPage(), page);
    EXPECT_FALSE(Host()->Leave(false));
    EXPECT_TRUE(page->isVisible());

    ASSERT_TRUE(WaitIdle(page, 6000));
    EXPECT_EQ(page->StatusText(0), "Done");
    Host()->PageTree()->setCurrentItem(other);
    EXPECT_NE(Host()->GetCurrentPage(), page);
}

// Two switches on one address would share a backup file name: the later one
// is not backed up.
TEST_F(TransferPagesTest, DuplicateAddressIsNotBackedUpTwice)
{
    auto* page = Start<TModuleBasicsBackup>(3);
    Device(2)->SetIp(SimIp(0));
    ASSERT_TRUE(ShowPage());
    QTemporaryDir dir;
    Pick(page, dir.path());
    QTest::mouseClick(page->ActionButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitIdle(page));
    EXPECT_EQ(page->StatusText(2), "Fail to send request");
    EXPECT_EQ(CountStatus(page, "Done"), 2);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{"backup_127.0.0.2.bin", "backup_127.0.0.3.bin"}));
    for (const auto& request : Requests(0x0101))
        EXPECT_NE(request.Mac, Device(2)->GetMac());

    // Remote backups run one at a time, named from the prefix and the address.
    Simulator().ClearLog();
    UseRemote(page, "192.0.2.1");
    ASSERT_TRUE(page->ActionButton()->isEnabled());
    QTest::mouseClick(page->ActionButton(), Qt::LeftButton);
    EXPECT_EQ(page->StatusText(0), "Transmitting");
    EXPECT_EQ(page->StatusText(1), "Done");   // not started yet: the old text stays
    EXPECT_EQ(page->RowImage(1), TModuleDeviceList::ImageNone);
    ASSERT_TRUE(WaitIdle(page));
    const auto requests = Requests(0x0109);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Body, RemoteBody(0xC0000201, "backup_127.0.0.2.bin"));
    EXPECT_EQ(requests[1].Body, RemoteBody(0xC0000201, "backup_127.0.0.3.bin"));
    EXPECT_EQ(page->StatusText(2), "Fail to send request");

    // The prefix takes 12 bytes, so that a remote name is never cut.
    page->NameField()->setText(QString(12, QChar(0xE9)));
    EXPECT_EQ(page->NameField()->text(), QString(6, QChar(0xE9)));
}

// The switch fetches exactly the name shown: the field takes at most 32 bytes.
TEST_F(TransferPagesTest, RemoteFileNameTakesAtMostThirtyTwoBytes)
{
    auto* page = Start<TModuleBasicsUpgrade>(1);
    ASSERT_TRUE(ShowPage());
    UseRemote(page, "192.0.2.7");
    QTest::keyClicks(page->NameField(), QString(40, QChar('f')));
    EXPECT_EQ(page->NameField()->text(), QString(32, QChar('f')));
    page->NameField()->setText(QString(20, QChar(0xE9)));   // 40 bytes of UTF-8
    const QString name = page->NameField()->text();
    EXPECT_EQ(name, QString(16, QChar(0xE9)));
    QTest::mouseClick(page->ActionButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitIdle(page));
    const QByteArray utf8 = name.toUtf8();
    EXPECT_EQ(WaitForRequest(0x010B), RemoteBody(0xC0000207, utf8.toStdString()));
    EXPECT_EQ(page->StatusText(0), "Done");
}

TEST_F(TransferPagesTest, SaveSendsToEverySwitchAtOnceAndShowsEachResult)
{
    auto* page = Start<TModuleSave>(3);
    QTreeWidgetItem* other = Host()->AddPage(nullptr, new TModuleBasicsRestore(Host()));
    ASSERT_TRUE(ShowPage());
    ASSERT_TRUE(page->SaveButton()->isEnabled());
    Simulator().With(1, [](Sim::TSimSwitch& sw) { sw.LoggedIn = false; });
    QTest::mouseClick(page->SaveButton(), Qt::LeftButton);
    EXPECT_EQ(CountStatus(page, "Sending request"), 3);
    EXPECT_FALSE(page->SaveButton()->isEnabled());
    Host()->PageTree()->setCurrentItem(other);
    EXPECT_EQ(Host()->GetCurrentPage(), page);
    ASSERT_TRUE(WaitIdle(page));
    EXPECT_EQ(Requests(0x0108).size(), 3u);
    EXPECT_EQ(page->StatusText(0), "Done");
    EXPECT_EQ(page->StatusText(1), "Error: 0x0003");
    EXPECT_EQ(page->RowImage(1), TModuleDeviceList::ImageFailed);
    EXPECT_EQ(page->StatusText(2), "Done");
    EXPECT_TRUE(page->SaveButton()->isEnabled());

    // Again: every row starts over.
    QTest::mouseClick(page->SaveButton(), Qt::LeftButton);
    EXPECT_EQ(CountStatus(page, "Sending request"), 3);
    ASSERT_TRUE(WaitIdle(page));
    EXPECT_EQ(page->StatusText(1), "Error: 0x0003");
}

// A backup file that cannot be created or written: the row says why, in the
// system's words, after the usual text; no file is left behind.
TEST_F(TransferPagesTest, BackupFileFailuresShowTheSystemsReason)
{
    // Creating the file for the first switch is refused; the second one's
    // disk fills up at its first block.
    class TFailingFiles final : public Intp::TTransferFileSystem {
    public:
        class TFullFile final : public Intp::TTransferFile {
        public:
            long long ReadAt(uint64_t, uint8_t*, size_t) override { return -1; }
            bool Write(const uint8_t*, size_t) override
            {
                errno = ENOSPC;
                return false;
            }
            bool Close() override { return true; }
        };
        std::unique_ptr<Intp::TTransferFile> CreateNew(const std::filesystem::path& path) override
        {
            if (path.filename().string().find("127.0.0.2.") != std::string::npos) {
                errno = EACCES;
                return nullptr;
            }
            return std::make_unique<TFullFile>();
        }
    } files;
    Intp::SetTransferFileSystem(&files);
    auto* page = Start<TModuleBasicsBackup>(2);
    ASSERT_TRUE(ShowPage());
    QTemporaryDir dir;
    Pick(page, dir.path());
    QTest::mouseClick(page->ActionButton(), Qt::LeftButton);
    const bool idle = WaitIdle(page);
    Intp::SetTransferFileSystem(nullptr);
    ASSERT_TRUE(idle);
    EXPECT_EQ(page->StatusText(0), "Fail to send request (Permission denied)");
    EXPECT_EQ(page->StatusText(1), "Error: 0x1100 (No space left on device)");
    EXPECT_EQ(page->RowImage(1), TModuleDeviceList::ImageFailed);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}
