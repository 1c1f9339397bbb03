// File transfers between the console and a switch.
//
// Built-in transfers (the console moves the file itself, 512 bytes per
// request): firmware upgrade (0x0100), configuration restore (0x0102) and
// configuration backup (0x0101). The switch steers them: each reply names the
// next block, asks for one again, or says that the switch is busy or done.
//
// TFTP transfers (the switch fetches or stores the file on an outside TFTP
// server): backup (0x0109), restore (0x010A) and upgrade (0x010B). The
// console sends one request and follows the switch's progress replies.
#pragma once

#include "Intp.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace Intp {

// ---------------------------------------------------------------------------
// Local file access of the built-in transfers
// ---------------------------------------------------------------------------

// One open local file. Upload files are read at any offset; backup files are
// written from start to end.
class TTransferFile {
public:
    virtual ~TTransferFile() = default;
    // Reads up to `count` bytes at `offset`: the number read (fewer at the end
    // of the file, 0 past it), or -1 when the seek or the read failed.
    virtual long long ReadAt(uint64_t offset, uint8_t* out, size_t count) = 0;
    // Appends `count` bytes; false when they could not all be written.
    virtual bool Write(const uint8_t* data, size_t count) = 0;
    // Flushes and closes; false when buffered data could not be written.
    virtual bool Close() = 0;
};

// The file operations the transfers use. The default works on the local
// disk; tests install their own to make single operations fail.
class TTransferFileSystem {
public:
    virtual ~TTransferFileSystem() = default;
    // Opens an existing file for reading; null when it cannot be opened.
    virtual std::unique_ptr<TTransferFile> OpenRead(const std::filesystem::path& path);
    // Creates a file for writing; null when it exists or cannot be created.
    virtual std::unique_ptr<TTransferFile> CreateNew(const std::filesystem::path& path);
    // Renames `from` to `to`, replacing `to` when it exists.
    virtual bool Rename(const std::filesystem::path& from, const std::filesystem::path& to);
    virtual bool Remove(const std::filesystem::path& path);
    virtual bool Exists(const std::filesystem::path& path);
};

// Installs the file operations (null restores the default). The caller keeps
// ownership and must keep the object alive while transfers run.
void SetTransferFileSystem(TTransferFileSystem* fileSystem);
TTransferFileSystem& TransferFileSystem();

// The name of a built-in backup file: "<folder>/<prefix><dotted ip>.bin".
std::string BackupFileName(std::string_view folder, std::string_view prefix, uint32_t ip);

// ---------------------------------------------------------------------------
// Built-in transfers
// ---------------------------------------------------------------------------

constexpr size_t TransferBlockSize = 512;
constexpr unsigned TransferBlockTimeoutMs = 3000;
constexpr uint32_t TransferMaxResends = 3;

// States of an upload reply.
enum : uint16_t {
    UploadStateNext = 0,       // the named block arrived; send the following one
    UploadStateWriting = 1,    // busy writing flash
    UploadStateDone = 2,
    UploadStateResend = 3,     // send the named block again
    UploadStateError = 4,
};

// States in the data of a backup report.
enum : uint16_t {
    BackupStateProgress = 0,
    BackupStateDone = 2,
};

constexpr uint16_t BackupLastBlock = 0xFFFF;

// The data passed with every upload report: the reply's block number and
// state in host order. After a state-0 reply the block number is the block
// just sent. After a reply with a non-zero status it holds the raw body.
struct TUploadReplyData {
    uint16_t Block = 0;
    uint16_t State = 0;
};

// The data passed with every backup report: the state word (0 in progress,
// 2 done; the block number after a reply with a non-zero status), then the
// reply's 512 data bytes.
struct TBackupReplyData {
    uint16_t State = 0;
    uint8_t Bytes[TransferBlockSize] = {};
    // The system's error number (errno) of a local file operation that
    // failed the backup (reported with status 0x1100); 0 when none did.
    int FileError = 0;
};

// Upload of a local file to the switch, one 512-byte block per request.
template <uint16_t N>
class TSessionBasicsUpgradeBuildinBase : public TSessionGeneral<N> {
public:
    static constexpr size_t RequestLength = HeaderSize + 2 + TransferBlockSize;

    ~TSessionBasicsUpgradeBuildinBase() override { CloseFile(); }

    // Opens `path` for reading, replacing any file the session holds. False
    // when the path cannot be made absolute (or is longer than 4096
    // characters; the session is then unchanged) or the file does not open.
    bool OpenFile(const std::string& path);
    bool HasFile() const { return m_File != nullptr; }
    void CloseFile();

    bool Send(TDevice* device) override;
    void OnTimeout() override;

    uint16_t BlockNumber() const { return m_Block; }
    uint32_t ResendCount() const { return m_Resends; }

protected:
    size_t BodyLength() const override { return 2 + TransferBlockSize; }
    size_t MinReplyLength() const override { return 4; }
    void Arm() override;
    bool FillBody(TDevice* device, TBodyWriter& body) override;
    int ParseReply(TDevice* device, const TPacketHeader& header, TBody body) override;

private:
    // Reads block `block` into `out` (512 bytes, zero past the end of the
    // file); false when there is no file or it cannot be read.
    bool ReadBlock(uint16_t block, uint8_t* out);
    // Builds the request for the session's block in m_Frame; false when the
    // block cannot be read.
    bool BuildRequest();
    void SendAbort(TDevice* device);

    std::unique_ptr<TTransferFile> m_File;
    uint32_t m_Resends = 0;
    uint16_t m_Block = 0;
    uint8_t m_Frame[RequestLength] = {};
};

class TSessionBasicsUpgradeBuildin final : public TSessionBasicsUpgradeBuildinBase<256> {
public:
    const char* GetName() const override { return "Upgrade"; }
};

class TSessionBasicsRestoreBuildin final : public TSessionBasicsUpgradeBuildinBase<258> {
public:
    const char* GetName() const override { return "Restore"; }
};

// Backup of the switch's configuration into a local file.
//
// The blocks are written to a temporary file next to the backup file, which
// replaces the backup file only when the last block has been written and the
// file closed. A backup that fails or does not finish leaves any earlier
// backup file as it was and removes the temporary file. Two backups into one
// file name at once are refused: the second does not open its file.
class TSessionBasicsBackupBuildin final : public TSessionGeneral<257> {
public:
    static constexpr size_t RequestLength = HeaderSize + 2;

    ~TSessionBasicsBackupBuildin() override;

    // Prepares a backup into `fileName`, dropping any file the session
    // holds. False when another backup writes that name or the temporary
    // file cannot be created.
    bool OpenFile(const std::string& fileName);
    // Closes and removes the unfinished file; the backup file itself is not
    // touched.
    void CloseFile();
    bool HasFile() const { return m_File != nullptr; }

    const std::string& FileName() const { return m_FileName; }
    const std::filesystem::path& TempFileName() const { return m_TempName; }
    uint16_t ExpectedBlock() const { return m_Expected; }
    uint32_t ResendCount() const { return m_Resends; }
    // The system's error number of the last local file operation that
    // failed (OpenFile, a block's write, the final close or rename); 0 when
    // none did.
    int FileError() const { return m_Data.FileError; }

    void OnTimeout() override;
    const char* GetName() const override { return "Backup"; }

protected:
    size_t BodyLength() const override { return 2; }
    size_t MinReplyLength() const override { return 2 + TransferBlockSize; }
    void Arm() override;
    bool FillBody(TDevice* device, TBodyWriter& body) override;
    int ParseReply(TDevice* device, const TPacketHeader& header, TBody body) override;

private:
    void RequestBlock(TDevice* device);
    // Closes the file and moves it into place; false on any failure (the
    // temporary file is then removed).
    bool Finish();
    void ReleaseName();

    std::unique_ptr<TTransferFile> m_File;
    std::string m_FileName;
    std::filesystem::path m_BackupPath; // absolute name of the backup file
    std::filesystem::path m_TempName;   // the file being written
    uint32_t m_Resends = 0;
    uint16_t m_Expected = 0;
    TBackupReplyData m_Data;
};

// ---------------------------------------------------------------------------
// TFTP transfers
// ---------------------------------------------------------------------------

// States of a TFTP transfer reply.
enum : uint32_t {
    TftpStateTransmitting = 0,
    TftpStateWritingFlash = 1,
    TftpStateDone = 2,
    TftpStateFailed = 4,   // every state other than 0, 1 and 2 is reported as 4
};

constexpr uint16_t TftpServerPort = 69;

// The request record of a TFTP transfer, 38 bytes with no gaps: the server's
// address and port in host order and the file name, zero-padded (a name of
// 32 bytes has no terminating zero).
#pragma pack(push, 1)
struct TRemoteRequest {
    uint32_t ServerIp = 0;
    uint16_t ServerPort = 0;
    char FileName[32] = {};
};
#pragma pack(pop)
static_assert(sizeof(TRemoteRequest) == 38);

// A request record for `fileName` (cut on a UTF-8 character boundary to 32
// bytes) on the server at `serverIp`, `port`.
TRemoteRequest MakeRemoteRequest(uint32_t serverIp, uint16_t port, std::string_view fileName);

template <uint16_t N>
class TSessionBasicsUpgradeTftpBase : public TSessionGeneral<N> {
public:
    static constexpr size_t RequestBodyLength = 38;

    void SetRequest(const TRemoteRequest& request) { m_Request = request; }
    // Copies a 38-byte request record; refuses any other size.
    bool SetRequest(const void* record, size_t length)
    {
        if (!record || length != sizeof(TRemoteRequest))
            return false;
        std::memcpy(&m_Request, record, sizeof m_Request);
        return true;
    }
    const TRemoteRequest& Request() const { return m_Request; }

protected:
    size_t BodyLength() const override { return RequestBodyLength; }
    size_t MinReplyLength() const override { return 4; }

    bool FillBody(TDevice*, TBodyWriter& body) override
    {
        body.U32(0, m_Request.ServerIp);
        body.U16(4, m_Request.ServerPort);
        body.Bytes(6, m_Request.FileName, sizeof m_Request.FileName);
        return true;
    }

    int ParseReply(TDevice* device, const TPacketHeader& header, TBody body) override
    {
        if (header.Status != StatusOk) {
            std::vector<uint8_t> raw(body.Data(), body.Data() + body.Size());
            this->Report(device, N, header.Status, raw.data());
            return ReplyFinished;
        }
        uint32_t state = body.U32(0);
        if (state == TftpStateTransmitting || state == TftpStateWritingFlash) {
            Detail::EnableTimer(this, true);
            this->Report(device, N, StatusOk, &state);
            return ReplyWaiting;
        }
        if (state != TftpStateDone)
            state = TftpStateFailed;
        this->Report(device, N, StatusOk, &state);
        return ReplyFinished;
    }

private:
    TRemoteRequest m_Request;
};

class TSessionBasicsBackupTftp final : public TSessionBasicsUpgradeTftpBase<265> {
public:
    const char* GetName() const override { return "TftpBackup"; }
};

class TSessionBasicsRestoreTftp final : public TSessionBasicsUpgradeTftpBase<266> {
public:
    const char* GetName() const override { return "TftpRestore"; }
};

class TSessionBasicsUpgradeTftp final : public TSessionBasicsUpgradeTftpBase<267> {
public:
    const char* GetName() const override { return "TftpUpd"; }
};

// ---------------------------------------------------------------------------
// Upload template members
// ---------------------------------------------------------------------------

namespace Detail {
// The absolute form of `path`; false when it cannot be formed or is longer
// than 4096 characters.
bool AbsoluteTransferPath(const std::string& path, std::filesystem::path& out);
} // namespace Detail

template <uint16_t N>
bool TSessionBasicsUpgradeBuildinBase<N>::OpenFile(const std::string& path)
{
    std::filesystem::path full;
    if (!Detail::AbsoluteTransferPath(path, full))
        return false;
    CloseFile();
    m_File = TransferFileSystem().OpenRead(full);
    return m_File != nullptr;
}

template <uint16_t N>
void TSessionBasicsUpgradeBuildinBase<N>::CloseFile()
{
    if (m_File) {
        m_File->Close();
        m_File.reset();
    }
}

template <uint16_t N>
bool TSessionBasicsUpgradeBuildinBase<N>::ReadBlock(uint16_t block, uint8_t* out)
{
    std::memset(out, 0, TransferBlockSize);
    if (!m_File)
        return false;
    long long n = m_File->ReadAt(uint64_t(block) * TransferBlockSize, out, TransferBlockSize);
    if (n < 0 || size_t(n) > TransferBlockSize) {
        std::memset(out, 0, TransferBlockSize);
        return false;
    }
    return true;
}

template <uint16_t N>
bool TSessionBasicsUpgradeBuildinBase<N>::FillBody(TDevice*, TBodyWriter& body)
{
    if (body.Size() < 2 + TransferBlockSize)
        return false;
    body.U16(0, m_Block);
    return ReadBlock(m_Block, body.Data() + 2);
}

template <uint16_t N>
bool TSessionBasicsUpgradeBuildinBase<N>::BuildRequest()
{
    TPacketHeader{N, 0, uint16_t(2 + TransferBlockSize), this->m_Target}.Write(m_Frame);
    TBodyWriter body(m_Frame + HeaderSize, 2 + TransferBlockSize);
    return FillBody(nullptr, body);
}

template <uint16_t N>
void TSessionBasicsUpgradeBuildinBase<N>::SendAbort(TDevice* device)
{
    std::memset(m_Frame, 0, sizeof m_Frame);
    TPacketHeader{N, uint16_t(StatusTableError), uint16_t(2 + TransferBlockSize), this->m_Target}.Write(m_Frame);
    PutBE16(m_Frame + HeaderSize, m_Block);
    Detail::SendDatagram(device->GetIp(), m_Frame, sizeof m_Frame);
}

template <uint16_t N>
bool TSessionBasicsUpgradeBuildinBase<N>::Send(TDevice* device)
{
    m_Block = 0;
    m_Resends = 0;
    if (!m_File)
        return false;
    return TSessionGeneral<N>::Send(device);
}

template <uint16_t N>
void TSessionBasicsUpgradeBuildinBase<N>::Arm()
{
    Detail::CreateTimer(this, TransferBlockTimeoutMs);
    Detail::EnableTimer(this, true);
}

template <uint16_t N>
int TSessionBasicsUpgradeBuildinBase<N>::ParseReply(TDevice* device, const TPacketHeader& header, TBody body)
{
    if (header.Status != StatusOk) {
        std::vector<uint8_t> raw(body.Data(), body.Data() + body.Size());
        this->Report(device, N, header.Status, raw.data());
        return ReplyFinished;
    }
    TUploadReplyData data{body.U16(0), body.U16(2)};
    if (data.State != UploadStateNext && data.State != UploadStateResend) {
        if (data.State == UploadStateDone) {
            this->Report(device, N, StatusOk, &data);
            return ReplyFinished;
        }
        // Busy: no more resends; wait up to the default 60 s for the switch.
        m_Resends = TransferMaxResends;
        Detail::SetTimeout(this, 0);
        Detail::EnableTimer(this, true);
        this->Report(device, N, StatusOk, &data);
        return ReplyWaiting;
    }
    if (data.State == UploadStateNext)
        ++data.Block;
    m_Block = data.Block;
    m_Resends = 0;
    if (!BuildRequest()) {
        CloseFile();
        SendAbort(device);
        this->Report(device, N, StatusTableError, &data);
        return ReplyFinished;
    }
    Detail::SendDatagram(device->GetIp(), m_Frame, sizeof m_Frame);
    Detail::EnableTimer(this, true);
    this->Report(device, N, StatusOk, &data);
    return ReplyWaiting;
}

template <uint16_t N>
void TSessionBasicsUpgradeBuildinBase<N>::OnTimeout()
{
    TDevice* device = GetDevice(this->m_Target, false);
    if (m_Resends >= TransferMaxResends) {
        if (device)
            this->Report(device, N, StatusTimeout, this);
        delete this;
        return;
    }
    // A device whose address was forgotten (0 after a reboot) is not sent
    // to; the expiry still counts.
    if (device && IsRequestAddress(device->GetIp()) && BuildRequest())
        Detail::SendDatagram(device->GetIp(), m_Frame, sizeof m_Frame);
    ++m_Resends;
}

} // namespace Intp
