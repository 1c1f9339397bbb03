// Local files of the built-in transfers, the backup session and the TFTP
// request record.
#include "IntpTransfer.h"

#include <cerrno>
#include <fstream>
#include <set>
#include <system_error>

namespace Intp {

// ---------------------------------------------------------------------------
// Local files
// ---------------------------------------------------------------------------

namespace {

class TLocalFile final : public TTransferFile {
public:
    TLocalFile(const std::filesystem::path& path, std::ios::openmode mode) : m_Stream(path, mode) {}
    ~TLocalFile() override { Close(); }

    bool IsOpen() const { return m_Stream.is_open(); }

    long long ReadAt(uint64_t offset, uint8_t* out, size_t count) override
    {
        if (!m_Stream.is_open())
            return -1;
        m_Stream.clear();
        m_Stream.seekg(std::streamoff(offset), std::ios::beg);
        if (m_Stream.fail())
            return -1;
        m_Stream.read(reinterpret_cast<char*>(out), std::streamsize(count));
        if (m_Stream.bad())
            return -1;
        return m_Stream.gcount();
    }

    bool Write(const uint8_t* data, size_t count) override
    {
        if (!m_Stream.is_open())
            return false;
        m_Stream.write(reinterpret_cast<const char*>(data), std::streamsize(count));
        return !m_Stream.fail();
    }

    bool Close() override
    {
        if (!m_Stream.is_open())
            return true;
        m_Stream.flush();
        bool ok = !m_Stream.fail();
        m_Stream.close();
        return ok && !m_Stream.fail();
    }

private:
    std::fstream m_Stream;
};

TTransferFileSystem*& InstalledFileSystem()
{
    static TTransferFileSystem* installed = nullptr;
    return installed;
}

// Absolute names of the backup files being written by running backups.
std::set<std::string>& BusyBackupNames()
{
    static std::set<std::string> names;
    return names;
}

} // namespace

std::unique_ptr<TTransferFile> TTransferFileSystem::OpenRead(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return nullptr;
    auto file = std::make_unique<TLocalFile>(path, std::ios::in | std::ios::binary);
    if (!file->IsOpen())
        return nullptr;
    return file;
}

std::unique_ptr<TTransferFile> TTransferFileSystem::CreateNew(const std::filesystem::path& path)
{
    std::error_code ec;
    if (std::filesystem::exists(path, ec) || ec)
        return nullptr;
    auto file = std::make_unique<TLocalFile>(path, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!file->IsOpen())
        return nullptr;
    return file;
}

bool TTransferFileSystem::Rename(const std::filesystem::path& from, const std::filesystem::path& to)
{
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    return !ec;
}

bool TTransferFileSystem::Remove(const std::filesystem::path& path)
{
    std::error_code ec;
    return std::filesystem::remove(path, ec) && !ec;
}

bool TTransferFileSystem::Exists(const std::filesystem::path& path)
{
    std::error_code ec;
    bool exists = std::filesystem::exists(path, ec);
    // A name whose state cannot be read is never taken for free.
    return exists || ec;
}

void SetTransferFileSystem(TTransferFileSystem* fileSystem) { InstalledFileSystem() = fileSystem; }

TTransferFileSystem& TransferFileSystem()
{
    static TTransferFileSystem local;
    TTransferFileSystem* installed = InstalledFileSystem();
    return installed ? *installed : local;
}

std::string BackupFileName(std::string_view folder, std::string_view prefix, uint32_t ip)
{
    std::string name(folder);
    name += '/';
    name += prefix;
    name += IpToText(ip);
    name += ".bin";
    return name;
}

namespace Detail {
bool AbsoluteTransferPath(const std::string& path, std::filesystem::path& out)
{
    if (path.empty() || path.size() > 4096)
        return false;
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(path), ec);
    if (ec || full.native().size() > 4096)
        return false;
    out = full.lexically_normal();
    return true;
}
} // namespace Detail

// ---------------------------------------------------------------------------
// Backup
// ---------------------------------------------------------------------------

namespace {
// The error number a failed file operation left (the caller clears errno
// first); EIO when the operation failed without setting one.
int LastFileError() { return errno != 0 ? errno : EIO; }
} // namespace

TSessionBasicsBackupBuildin::~TSessionBasicsBackupBuildin() { CloseFile(); }

bool TSessionBasicsBackupBuildin::OpenFile(const std::string& fileName)
{
    CloseFile();
    m_FileName.clear();
    std::filesystem::path full;
    if (!Detail::AbsoluteTransferPath(fileName, full))
        return false;
    // Two names that reach the same file count as one.
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(full, ec);
    if (!ec)
        full = canonical;
    const std::string key = full.string();
    if (BusyBackupNames().count(key)) {
        m_Data.FileError = EBUSY;
        return false;
    }

    TTransferFileSystem& fs = TransferFileSystem();
    // The temporary file lives in the backup's folder so that the final
    // rename never crosses file systems.
    for (int attempt = 0; attempt < 100 && !m_File; ++attempt) {
        std::filesystem::path temp = full;
        temp += attempt ? ".part" + std::to_string(attempt) : std::string(".part");
        if (fs.Exists(temp))
            continue;
        errno = 0;
        m_File = fs.CreateNew(temp);
        if (!m_File) {
            m_Data.FileError = LastFileError();
            return false;
        }
        m_TempName = temp;
    }
    if (!m_File) {
        m_Data.FileError = EEXIST;
        return false;
    }
    m_Data.FileError = 0;
    m_FileName = fileName;
    m_BackupPath = full;
    BusyBackupNames().insert(key);
    return true;
}

void TSessionBasicsBackupBuildin::ReleaseName()
{
    if (!m_BackupPath.empty()) {
        BusyBackupNames().erase(m_BackupPath.string());
        m_BackupPath.clear();
    }
}

void TSessionBasicsBackupBuildin::CloseFile()
{
    if (m_File) {
        m_File->Close();
        m_File.reset();
    }
    if (!m_TempName.empty()) {
        TransferFileSystem().Remove(m_TempName);
        m_TempName.clear();
    }
    ReleaseName();
}

bool TSessionBasicsBackupBuildin::Finish()
{
    TTransferFileSystem& fs = TransferFileSystem();
    errno = 0;
    bool ok = m_File && m_File->Close();
    m_File.reset();
    if (ok) {
        errno = 0;
        ok = fs.Rename(m_TempName, m_BackupPath);
    }
    if (!ok) {
        m_Data.FileError = LastFileError();
        fs.Remove(m_TempName);
    }
    m_TempName.clear();
    ReleaseName();
    return ok;
}

void TSessionBasicsBackupBuildin::Arm()
{
    Detail::CreateTimer(this, TransferBlockTimeoutMs);
    Detail::EnableTimer(this, true);
}

bool TSessionBasicsBackupBuildin::FillBody(TDevice*, TBodyWriter& body)
{
    if (!m_File)
        return false;
    m_Expected = 0;
    m_Resends = 0;
    body.U16(0, m_Expected);
    return true;
}

void TSessionBasicsBackupBuildin::RequestBlock(TDevice* device)
{
    // Nothing goes to a device whose address was forgotten (0 after a
    // reboot): a resend then only counts.
    if (!IsRequestAddress(device->GetIp()))
        return;
    uint8_t frame[RequestLength];
    TPacketHeader{Command, 0, 2, m_Target}.Write(frame);
    PutBE16(frame + HeaderSize, m_Expected);
    Detail::SendDatagram(device->GetIp(), frame, sizeof frame);
}

int TSessionBasicsBackupBuildin::ParseReply(TDevice* device, const TPacketHeader& header, TBody body)
{
    const uint16_t block = body.U16(0);
    body.Copy(2, m_Data.Bytes, TransferBlockSize);
    m_Data.State = block;
    if (header.Status != StatusOk) {
        CloseFile();
        Report(device, Command, header.Status, &m_Data);
        return ReplyFinished;
    }
    if (block == BackupLastBlock || block == m_Expected) {
        errno = 0;
        if (!m_File || !m_File->Write(m_Data.Bytes, TransferBlockSize)) {
            m_Data.FileError = LastFileError();
            CloseFile();
            Report(device, Command, StatusTableError, &m_Data);
            return ReplyFinished;
        }
        if (block == BackupLastBlock) {
            if (!Finish()) {
                Report(device, Command, StatusTableError, &m_Data);
                return ReplyFinished;
            }
            m_Data.State = BackupStateDone;
            Report(device, Command, StatusOk, &m_Data);
            return ReplyFinished;
        }
        ++m_Expected;
    }
    m_Data.State = BackupStateProgress;
    RequestBlock(device);
    Detail::EnableTimer(this, true);
    Report(device, Command, StatusOk, &m_Data);
    return ReplyWaiting;
}

void TSessionBasicsBackupBuildin::OnTimeout()
{
    TDevice* device = GetDevice(GetTarget(), false);
    if (m_Resends >= TransferMaxResends) {
        if (device)
            Report(device, Command, StatusTimeout, this);
        delete this;
        return;
    }
    if (device)
        RequestBlock(device);
    ++m_Resends;
}

// ---------------------------------------------------------------------------
// TFTP
// ---------------------------------------------------------------------------

TRemoteRequest MakeRemoteRequest(uint32_t serverIp, uint16_t port, std::string_view fileName)
{
    TRemoteRequest request;
    request.ServerIp = serverIp;
    request.ServerPort = port;
    PutFieldText(reinterpret_cast<uint8_t*>(request.FileName), sizeof request.FileName, fileName);
    return request;
}

} // namespace Intp
