// Switch management protocol: addresses, devices, switch models, property
// records, the wire header, sessions and the receive dispatcher.
//
// Everything here runs on one thread (the console's window thread). The
// library does no input or output of its own: datagrams go out and timers are
// armed through Intp::TSessionCallback, and datagrams come in through
// Intp::ReceivePacket.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Intp {

// ---------------------------------------------------------------------------
// Byte order and bounded views
// ---------------------------------------------------------------------------

inline uint16_t GetBE16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
inline uint32_t GetBE32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline void PutBE16(uint8_t* p, uint16_t v) { p[0] = uint8_t(v >> 8); p[1] = uint8_t(v); }
inline void PutBE32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24); p[1] = uint8_t(v >> 16); p[2] = uint8_t(v >> 8); p[3] = uint8_t(v);
}

// Length in bytes of the longest prefix of `text` that fits in `maxBytes`
// without cutting a UTF-8 character in two.
size_t Utf8FitLength(std::string_view text, size_t maxBytes);

// Read-only view of a received body. Every read is bounds-checked: a field
// that lies (partly) past the end reads as zero, so a decoder can never read
// outside the datagram whatever a header claims.
class TBody {
public:
    TBody() = default;
    TBody(const uint8_t* data, size_t size) : m_Data(data), m_Size(data ? size : 0) {}

    const uint8_t* Data() const { return m_Data; }
    size_t Size() const { return m_Size; }
    bool Has(size_t offset, size_t count) const { return offset <= m_Size && count <= m_Size - offset; }

    uint8_t U8(size_t off) const { return Has(off, 1) ? m_Data[off] : 0; }
    uint16_t U16(size_t off) const { return Has(off, 2) ? GetBE16(m_Data + off) : 0; }
    uint32_t U32(size_t off) const { return Has(off, 4) ? GetBE32(m_Data + off) : 0; }
    // Copies `count` bytes at `off` into `out`; bytes past the end are zero.
    void Copy(size_t off, void* out, size_t count) const;
    // A fixed-width text field: its bytes up to the first zero, at most `width`.
    std::string Text(size_t off, size_t width) const;
    // The part of the body from `off` on (empty when `off` is past the end).
    TBody From(size_t off) const { return off <= m_Size ? TBody(m_Data + off, m_Size - off) : TBody(); }
    // At most `count` bytes from `off` on.
    TBody Slice(size_t off, size_t count) const
    {
        if (off > m_Size)
            return {};
        return TBody(m_Data + off, count < m_Size - off ? count : m_Size - off);
    }

private:
    const uint8_t* m_Data = nullptr;
    size_t m_Size = 0;
};

// Writes a request body of a fixed size. Writes past the end are ignored
// (a fault in the caller, never an overrun).
class TBodyWriter {
public:
    TBodyWriter(uint8_t* data, size_t size) : m_Data(data), m_Size(size) {}
    uint8_t* Data() { return m_Data; }
    size_t Size() const { return m_Size; }
    bool Has(size_t offset, size_t count) const { return offset <= m_Size && count <= m_Size - offset; }

    void U8(size_t off, uint8_t v) { if (Has(off, 1)) m_Data[off] = v; }
    void U16(size_t off, uint16_t v) { if (Has(off, 2)) PutBE16(m_Data + off, v); }
    void U32(size_t off, uint32_t v) { if (Has(off, 4)) PutBE32(m_Data + off, v); }
    void Bytes(size_t off, const void* src, size_t count);
    // A fixed-width text field: the text's bytes, cut on a UTF-8 character
    // boundary to fit `width`, the rest zero. A text that fills the field
    // has no terminating zero.
    void Text(size_t off, size_t width, std::string_view text);

private:
    uint8_t* m_Data;
    size_t m_Size;
};

// Fills a fixed-width text field of `width` bytes (see TBodyWriter::Text).
void PutFieldText(uint8_t* field, size_t width, std::string_view text);

// ---------------------------------------------------------------------------
// Addresses
// ---------------------------------------------------------------------------

class TMacAddr {
public:
    TMacAddr() = default;
    explicit TMacAddr(const uint8_t bytes[6]);
    // The first four bytes from `hi` and the last two from `lo`, copied as
    // raw memory (no byte-order conversion).
    TMacAddr(uint32_t hi, uint16_t lo);

    const uint8_t* Bytes() const { return m_Bytes; }
    uint8_t operator[](size_t i) const { return m_Bytes[i]; }

    bool IsZero() const { return Bits() == 0; }
    bool IsAllOnes() const { return Bits() == 0xFFFFFFFFFFFFull; }
    int Compare(const TMacAddr& other) const { return std::memcmp(m_Bytes, other.m_Bytes, 6); }
    // The six bytes as one number (in memory order, not an ordering key).
    uint64_t Bits() const
    {
        uint64_t bits = 0;
        std::memcpy(&bits, m_Bytes, 6);
        return bits;
    }

    friend bool operator==(const TMacAddr& a, const TMacAddr& b) { return a.Bits() == b.Bits(); }
    friend bool operator!=(const TMacAddr& a, const TMacAddr& b) { return a.Bits() != b.Bits(); }
    friend bool operator<(const TMacAddr& a, const TMacAddr& b) { return a.Compare(b) < 0; }

private:
    uint8_t m_Bytes[6] = {0, 0, 0, 0, 0, 0};
};
static_assert(sizeof(TMacAddr) == 6);

// "0A:0B:0C:0D:0E:0F"
std::string MacToText(const TMacAddr& mac);
// Exactly twelve hexadecimal digits, no separators.
bool ParseMac(std::string_view text, uint8_t out[6]);
// Dotted decimal of a host-order address.
std::string IpToText(uint32_t ip);
// Parses dotted decimal into a host-order address.
bool ParseIp(std::string_view text, uint32_t& out);
// Not 0, not 255.255.255.255, not in 127.0.0.0/8.
bool IsUsableIp(uint32_t ip);
// An address a request to one device may be sent to: known (not 0) and not
// the limited broadcast. A device's address is 0 until a reply gives it and
// again after a reboot; a datagram to 0.0.0.0 would reach the workstation
// itself. Loopback stays allowed (a local switch simulator answers there).
inline bool IsRequestAddress(uint32_t ip) { return ip != 0 && ip != 0xFFFFFFFFu; }
// Non-zero, one unbroken run of one-bits from the top bit.
bool IsValidNetmask(uint32_t mask);
// A fixed-width text field of a reply as text: at most n bytes, stopping at
// a zero byte. n of 1024 or more gives the empty text.
std::string FieldText(const void* field, size_t n);

// ---------------------------------------------------------------------------
// MD5 (RFC 1321)
// ---------------------------------------------------------------------------

class TMd5 {
public:
    TMd5();
    void Update(const void* data, size_t size);
    void Final(uint8_t digest[16]);

private:
    void Transform(const uint8_t block[64]);
    uint32_t m_State[4];
    uint64_t m_Count = 0;
    uint8_t m_Buffer[64];
};

void Md5(const void* data, size_t size, uint8_t digest[16]);

// The login digest: MD5 over the user name and the password, each cut or
// zero-padded to 16 bytes.
void LoginDigest(std::string_view user, std::string_view password, uint8_t digest[16]);

// ---------------------------------------------------------------------------
// Property records
// ---------------------------------------------------------------------------

class PropertyBase {
public:
    virtual ~PropertyBase() = default;
    virtual void Assign(const PropertyBase& other) = 0;
};

// Holds one feature's record T by value. T starts with `uint8_t Valid` and
// declares `static constexpr uint16_t GetCommand`, the code of the Get that
// fills it; the record's key is that code shifted left by 16.
template <class T>
class Property final : public PropertyBase {
public:
    T Value{};
    void Assign(const PropertyBase& other) override
    {
        if (&other == this)
            return;
        if (auto* same = dynamic_cast<const Property<T>*>(&other))
            Value = same->Value;
    }
};

template <class T>
constexpr int32_t PropertyKey() { return int32_t(uint32_t(T::GetCommand) << 16); }

class PropertyMap {
public:
    PropertyMap() = default;
    PropertyMap(const PropertyMap&) = delete;
    PropertyMap& operator=(const PropertyMap&) = delete;
    virtual ~PropertyMap() = default;

    template <class T>
    T& GetProperty()
    {
        TSlot& slot = SlotFor(PropertyKey<T>());
        // The slot's type is known by a tag of its own, so that the records
        // looked up on every reply cost no run-time type check.
        if (slot.Type != TypeTag<T>()) {
            slot.Record = std::make_unique<Property<T>>();
            slot.Type = TypeTag<T>();
        }
        return static_cast<Property<T>*>(slot.Record.get())->Value;
    }
    // The record under `key`, or null.
    PropertyBase* Find(int32_t key) const;
    size_t Count() const { return m_Records.size(); }

private:
    struct TSlot {
        int32_t Key = 0;
        const void* Type = nullptr;   // TypeTag of the record's type
        std::unique_ptr<PropertyBase> Record;
    };
    template <class T>
    static const void* TypeTag()
    {
        static const char tag = 0;
        return &tag;
    }
    // The slot of `key`, made (empty) when there is none.
    TSlot& SlotFor(int32_t key);

    // By key. A switch holds a few records to a few dozen: a sorted vector
    // is smaller and quicker to search than a tree of them.
    std::vector<TSlot> m_Records;
};

// ---------------------------------------------------------------------------
// Switch models
// ---------------------------------------------------------------------------

using PidList = std::vector<uint32_t>;

struct TDeviceTypeDesc {
    const char* Description;
    uint32_t PortCount;
    uint32_t TrunkCount;
    uint32_t SmtpEntryCount;
    uint32_t IpSecurityCount;
    uint32_t SnmpCommunityCount;
};

struct TDeviceType {
    std::string Description;
    uint32_t PortCount = 0;
    uint32_t TrunkCount = 0;
    uint32_t SmtpEntryCount = 0;
    uint32_t IpSecurityCount = 0;
    uint32_t SnmpCommunityCount = 0;
    PidList ProductIds;
};

std::vector<TDeviceType>& TypeVector();

// The product identifier of a model code: the first four MD5 bytes, read
// little-endian.
uint32_t ProductIdOf(std::string_view modelCode);

void RegisterUnknownType();
// Appends a model and its model codes; returns its index, or -1 for a null
// descriptor or description.
int RegisterDeviceType(const TDeviceTypeDesc* desc, const std::vector<const char*>& modelCodes);
bool AddProductId(int index, const char* modelCode);
uint32_t TypeFromProductId(uint32_t productId);

// The switch family's models, indices 1 to 6, in registration order.
struct TBuiltinModel {
    TDeviceTypeDesc Desc;
    const char* ModelCode;
};
extern const TBuiltinModel BuiltinModels[6];
// Registers model 0 and then the six models of the family.
void RegisterBuiltinModels();

const std::string& GetTypeName(uint32_t index);
uint32_t GetTypePortCount(uint32_t index);
uint32_t GetTypeTrunkCount(uint32_t index);
uint32_t GetTypeSmtpEntryCount(uint32_t index);
uint32_t GetTypeIpSecurityCount(uint32_t index);
uint32_t GetTypeSnmpCommunityCount(uint32_t index);

// ---------------------------------------------------------------------------
// Devices
// ---------------------------------------------------------------------------

class TDevice;

class TDeviceCallback {
public:
    virtual ~TDeviceCallback() = default;
    virtual void OnDeviceAdd(TDevice* device) = 0;
    virtual void OnDeviceRemove(TDevice* device) = 0;
    virtual void OnDeviceFlagsChange(TDevice* device, uint32_t changed) = 0;
    virtual void OnDeviceIpChange(TDevice* device) = 0;
    virtual void OnDeviceTypeChange(TDevice* device) = 0;
    virtual void OnDeviceNameChange(TDevice* device) = 0;
};

enum : uint32_t {
    DeviceFlagLoggedIn = 1,
    DeviceFlagWarning = 8,
};

class TDevice {
public:
    explicit TDevice(const TMacAddr& mac);
    ~TDevice();
    TDevice(const TDevice&) = delete;
    TDevice& operator=(const TDevice&) = delete;

    const TMacAddr& GetMac() const { return m_Mac; }

    void SetFlags(uint32_t bits);
    void ClearFlags(uint32_t bits);
    bool TestFlags(uint32_t mask) const { return (m_Flags & mask) == mask; }
    uint32_t GetFlags() const { return m_Flags; }
    void SetLoggedIn(bool loggedIn);
    bool IsLoggedIn() const { return TestFlags(DeviceFlagLoggedIn); }

    void SetIp(uint32_t ip);
    uint32_t GetIp() const { return m_Ip; }

    void SetType(uint32_t index);
    uint32_t GetType() const { return m_Type; }
    const std::string& GetTypeName() const;

    void SetName(const std::string& name);
    const std::string& GetName() const { return m_Name; }

    uint32_t GetPortCount() const;
    uint32_t GetTrunkCount() const;
    uint32_t GetLogicalPortCount() const { return GetPortCount() + GetTrunkCount(); }
    uint32_t GetSmtpEntryCount() const;
    uint32_t GetIpSecurityCount() const;
    uint32_t GetSnmpCommunityCount() const;

    PropertyMap& Properties() { return m_Properties; }
    template <class T>
    T& GetProperty() { return m_Properties.template GetProperty<T>(); }

private:
    TMacAddr m_Mac;
    uint32_t m_Type = 0;
    std::string m_Name;
    uint32_t m_Ip = 0;
    uint32_t m_Flags = 0;
    PropertyMap m_Properties;
};

using TDeviceMap = std::map<TMacAddr, TDevice*>;
TDeviceMap& DeviceMap();

void SetDeviceCallback(TDeviceCallback* callback);
TDeviceCallback* GetDeviceCallback();
TDevice* GetDevice(const TMacAddr& mac, bool create);
TDevice* FindDeviceByIp(uint32_t ip);
void DeleteAllDevices();

// ---------------------------------------------------------------------------
// Wire header, sessions, callbacks
// ---------------------------------------------------------------------------

constexpr uint16_t IntpPort = 1638;
constexpr size_t HeaderSize = 12;
// The largest body one UDP datagram over IPv4 carries after the header.
constexpr size_t MaxBodyLength = 65507 - HeaderSize;

// Session statuses set by the library.
enum : uint32_t {
    StatusOk = 0,
    StatusShort = 2,
    StatusRefused = 3,
    StatusTableError = 0x1100,
    StatusRangeError = 0x1101,
    StatusConflict = 0x1102,
    StatusTimeout = 0xFF00,
};

struct TPacketHeader {
    uint16_t Command = 0;
    uint16_t Status = 0;
    uint16_t Length = 0;   // body length (received: datagram length - 12)
    TMacAddr Mac;

    void Write(uint8_t* out) const;
    static TPacketHeader Read(const uint8_t* in, size_t datagramLength);
};

class TSession;
struct TPendingIndex;

// The requester of a session: pages, wizards, the discovery hook and the
// status monitor.
class TWizard {
public:
    virtual ~TWizard() = default;
    virtual void OnSessionEvent(TDevice* device, int command, uint16_t status, void* data) = 0;
};

// Transport, timers and result sink; implemented by the main window.
class TSessionCallback {
public:
    virtual ~TSessionCallback() = default;
    // Creates the session's timer (0 ms means 60 000); it runs from its
    // creation. Nothing happens when the session already has one.
    virtual void CreateTimer(TSession* session, unsigned milliseconds) = 0;
    // Forgets the session's timer, running or stopped.
    virtual void DeleteTimer(TSession* session) = 0;
    // Enabling (re)starts the timer from now.
    virtual void EnableTimer(TSession* session, bool enable) = 0;
    // One UDP datagram to ip (host order), port 1638.
    virtual void SendDatagram(uint32_t ip, const uint8_t* data, size_t length) = 0;
    virtual void Report(TDevice* device, uint16_t command, uint32_t status, void* data,
                        TWizard* observer, const char* name) = 0;
    virtual void SetTimeout(TSession* session, unsigned milliseconds) = 0;
    // A reply for the session is near (PrefetchPacket): the memory its timer
    // needs may be fetched now, in steps (0, 1, 2) that each may read what
    // the step before fetched. It must change nothing. The session is pending
    // at the call (its memory may be read), but may be gone by the next
    // step's call for it.
    virtual void PrefetchTimer(TSession* session, int step) { (void)session, (void)step; }
};

void SetSessionCallback(TSessionCallback* callback);
TSessionCallback* GetSessionCallback();

// Results of TSession::OnReply.
enum TReplyResult : int {
    ReplyFinished = 0,
    ReplyWaiting = 1,
    ReplyNotMine = 2,
};

class TSession {
public:
    TSession();
    virtual ~TSession();
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    virtual bool Send(TDevice* device) = 0;
    virtual int OnReply(TDevice* device, const TPacketHeader& header, TBody body) = 0;
    // Called by the transport when the session's timer fires. The default
    // deletes the session.
    virtual void OnTimeout();
    virtual const char* GetName() const = 0;
    // The replies this session can take: true with the switch's MAC address
    // and the command when it takes nothing else (the dispatcher then offers
    // it only replies with that MAC address and command); false when it
    // takes replies by its own rule and is offered every reply. Read once,
    // when the session starts. A session that overrides OnReply to take
    // other replies than its key says so here.
    virtual bool ReplyKey(TMacAddr& mac, uint16_t& command) const { return false; }

    TWizard* GetObserver() const { return m_Observer; }
    void SetObserver(TWizard* observer) { m_Observer = observer; }
    // A number unique to this session for the life of the process.
    uint64_t Serial() const { return m_Serial; }
    // Whether the session is in the pending list.
    bool IsPending() const { return m_Started != 0; }
    // The next pending session in start order (null after the last one).
    TSession* NextPending() const { return m_Next; }
    // A number the session callback may keep with the session (the main
    // window keeps the place of the session's timer there, so that it finds
    // the timer without a look-up). The library never reads or changes it.
    uint32_t& CallbackSlot() { return m_CallbackSlot; }

protected:
    // Reports through the session callback.
    void Report(TDevice* device, uint16_t command, uint32_t status, void* data = nullptr);

private:
    friend struct TPendingIndex;
    friend void PrefetchPacket(size_t length, const uint8_t* data);
    TWizard* m_Observer = nullptr;
    uint64_t m_Serial;
    // Kept by the pending list: start number (0 while not pending), the
    // neighbours in start order and among the sessions of the same reply
    // key (or among those with their own rule).
    uint64_t m_Started = 0;
    uint64_t m_Key = 0;
    bool m_Keyed = false;
    uint32_t m_CallbackSlot = UINT32_MAX;
    TSession* m_Prev = nullptr;
    TSession* m_Next = nullptr;
    TSession* m_KeyPrev = nullptr;
    TSession* m_KeyNext = nullptr;
};

// The pending sessions in the order they were started. Sessions join it in
// StartSession and leave it when they are deleted.
class TSessionList {
public:
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = TSession*;
        using difference_type = std::ptrdiff_t;
        using pointer = TSession* const*;
        using reference = TSession* const&;

        iterator() = default;
        explicit iterator(TSession* session) : m_Session(session) {}
        reference operator*() const { return m_Session; }
        iterator& operator++()
        {
            m_Session = m_Session->NextPending();
            return *this;
        }
        iterator operator++(int)
        {
            iterator before = *this;
            ++*this;
            return before;
        }
        friend bool operator==(const iterator& a, const iterator& b) { return a.m_Session == b.m_Session; }
        friend bool operator!=(const iterator& a, const iterator& b) { return a.m_Session != b.m_Session; }

    private:
        TSession* m_Session = nullptr;
    };
    using const_iterator = iterator;

    TSessionList() = default;
    TSessionList(const TSessionList&) = delete;
    TSessionList& operator=(const TSessionList&) = delete;

    iterator begin() const { return iterator(m_Head); }
    iterator end() const { return iterator(); }
    size_t size() const { return m_Size; }
    bool empty() const { return m_Size == 0; }
    TSession* front() const { return m_Head; }
    TSession* back() const { return m_Tail; }
    // The i-th pending session (walks the list).
    TSession* operator[](size_t i) const;

private:
    friend struct TPendingIndex;
    TSession* m_Head = nullptr;
    TSession* m_Tail = nullptr;
    size_t m_Size = 0;
};

TSessionList& SessionList();
bool IsSessionPending(const TSession* session);

// Sends the session's request; on success the session becomes pending and
// the library owns it. On failure the caller still owns it.
bool StartSession(TSession* session, TDevice* device, TWizard* observer);
// Starts a session the library owns outright: deleted when it cannot start.
bool StartOwnedSession(std::unique_ptr<TSession> session, TDevice* device, TWizard* observer);

// The one receive entry point: 0 when the datagram was taken, 2 when dropped.
int ReceivePacket(uint32_t sourceIp, size_t length, const uint8_t* data);

// Announces a datagram that ReceivePacket will be given soon, so that the
// memory its dispatch reads (the device's and the pending session's
// entries, then the device, the session, its neighbours in the pending list
// and its timer) is on its way while the datagrams before it are handled.
// A caller that holds many datagrams announces each one PrefetchDistance
// datagrams ahead of handing it over. It changes nothing: any datagram may
// be announced, or none.
constexpr size_t PrefetchDistance = 8;
void PrefetchPacket(size_t length, const uint8_t* data);

// Releases every process-wide container (pending sessions, devices, the
// model table) without calling back into the observers, and forgets the
// callbacks. The console calls it when its message loop has ended; tests call
// it between cases.
void ReleaseLibrary();

// ---------------------------------------------------------------------------
// The session shapes every feature builds on
// ---------------------------------------------------------------------------

// A request/reply exchange for command code N with one device.
template <uint16_t N>
class TSessionGeneral : public TSession {
public:
    static constexpr uint16_t Command = N;

    bool Send(TDevice* device) override;
    int OnReply(TDevice* device, const TPacketHeader& header, TBody body) override;
    void OnTimeout() override;
    bool ReplyKey(TMacAddr& mac, uint16_t& command) const override
    {
        mac = m_Target;
        command = N;
        return true;
    }

    const TMacAddr& GetTarget() const { return m_Target; }

protected:
    // Request body length (4 for a body-less request).
    virtual size_t BodyLength() const { return 4; }
    // Minimum reply body length.
    virtual size_t MinReplyLength() const { return 4; }
    virtual void Arm();
    virtual bool FillBody(TDevice* device, TBodyWriter& body) { return true; }
    virtual int ParseReply(TDevice* device, const TPacketHeader& header, TBody body)
    {
        Report(device, N, header.Status);
        return ReplyFinished;
    }
    // Sends a prepared datagram to the device and arms the timer; false
    // (nothing sent) when the device has no address a request may go to.
    bool SendFrame(TDevice* device, const uint8_t* body, size_t bodyLength);
    void SendRaw(uint32_t ip, const uint8_t* frame, size_t length);

    TMacAddr m_Target;
};

// A zeroed request datagram of a given length, held in place when it is
// small (as nearly every request is) so that sending allocates nothing.
class TRequestFrame {
public:
    explicit TRequestFrame(size_t length) : m_Length(length)
    {
        if (length > sizeof m_Inline)
            m_Heap.assign(length, 0);
        else
            std::memset(m_Inline, 0, length);
    }
    uint8_t* Data() { return m_Heap.empty() ? m_Inline : m_Heap.data(); }
    size_t Size() const { return m_Length; }

private:
    size_t m_Length;
    uint8_t m_Inline[128];
    std::vector<uint8_t> m_Heap;
};

// Writes the header of a request for `command` to `mac` with `bodyLength`.
std::vector<uint8_t> BuildRequest(uint16_t command, const TMacAddr& mac, size_t bodyLength,
                                  const uint8_t* body = nullptr);

namespace Detail {
void EnableTimer(TSession* session, bool enable);
void CreateTimer(TSession* session, unsigned ms);
void SetTimeout(TSession* session, unsigned ms);
void SendDatagram(uint32_t ip, const uint8_t* data, size_t length);
} // namespace Detail

template <uint16_t N>
bool TSessionGeneral<N>::Send(TDevice* device)
{
    const size_t bodyLength = BodyLength();
    if (!IsRequestAddress(device->GetIp()) || bodyLength > MaxBodyLength)
        return false;
    m_Target = device->GetMac();
    TRequestFrame frame(HeaderSize + bodyLength);
    TPacketHeader{N, 0, uint16_t(bodyLength), m_Target}.Write(frame.Data());
    TBodyWriter writer(frame.Data() + HeaderSize, bodyLength);
    if (!FillBody(device, writer))
        return false;
    SendRaw(device->GetIp(), frame.Data(), frame.Size());
    return true;
}

template <uint16_t N>
void TSessionGeneral<N>::SendRaw(uint32_t ip, const uint8_t* frame, size_t length)
{
    Detail::SendDatagram(ip, frame, length);
    Arm();
}

template <uint16_t N>
bool TSessionGeneral<N>::SendFrame(TDevice* device, const uint8_t* body, size_t bodyLength)
{
    // The header's 16-bit length field and one UDP datagram bound the body;
    // a larger request is refused rather than sent with a wrong length.
    if (!IsRequestAddress(device->GetIp()) || bodyLength > MaxBodyLength)
        return false;
    m_Target = device->GetMac();
    std::vector<uint8_t> frame = BuildRequest(N, m_Target, bodyLength, body);
    SendRaw(device->GetIp(), frame.data(), frame.size());
    return true;
}

template <uint16_t N>
void TSessionGeneral<N>::Arm()
{
    Detail::CreateTimer(this, 0);
    Detail::EnableTimer(this, true);
}

template <uint16_t N>
int TSessionGeneral<N>::OnReply(TDevice* device, const TPacketHeader& header, TBody body)
{
    if (header.Command != N || m_Target.IsZero())
        return ReplyNotMine;
    if (!device || device->GetMac() != m_Target)
        return ReplyNotMine;
    Detail::EnableTimer(this, false);
    if (body.Size() < MinReplyLength()) {
        Report(device, N, StatusShort);
        return ReplyFinished;
    }
    if (header.Status == StatusRefused) {
        device->SetLoggedIn(false);
        Report(device, N, StatusRefused);
        return ReplyFinished;
    }
    return ParseReply(device, header, body);
}

template <uint16_t N>
void TSessionGeneral<N>::OnTimeout()
{
    if (TDevice* device = GetDevice(m_Target, false))
        Report(device, N, StatusTimeout, this);
    delete this;
}

// A Get that decodes one reply into the device's record T. Decode sees a copy
// of the record and returns 0 to commit it (valid flag 1) or a status of
// 0x1100 to 0x1102 (record marked not valid, that status reported). A reply
// with a non-zero status marks the record not valid.
template <uint16_t N, class T, size_t MinReply>
class TGetSession : public TSessionGeneral<N> {
public:
    using Record = T;

protected:
    size_t MinReplyLength() const override { return MinReply; }
    virtual uint32_t Decode(TDevice* device, T& record, TBody body) = 0;
    // Side effects on the device after a good decode (name, flags ...).
    virtual void Apply(TDevice* device, const T& record, TBody body) {}

    int ParseReply(TDevice* device, const TPacketHeader& header, TBody body) override
    {
        T& record = device->template GetProperty<T>();
        uint32_t status = header.Status;
        if (status == StatusOk) {
            T decoded = record;
            status = Decode(device, decoded, body);
            if (status == StatusOk) {
                record = std::move(decoded);
                record.Valid = 1;
                Apply(device, record, body);
            } else {
                record.Valid = 0;
            }
        } else {
            record.Valid = 0;
        }
        this->Report(device, N, status);
        return ReplyFinished;
    }
};

// Starts `TGet` on the device with no observer (deleted when it cannot start).
template <class TGet>
void StartFollowUpGet(TDevice* device)
{
    StartOwnedSession(std::make_unique<TGet>(), device, nullptr);
}

// A Set (or Add, Delete, Clear) with a body of fixed length L. Whatever the
// reply's status, the feature's Get follows on the same device, then the
// Set's result is reported.
template <uint16_t N, class TGet, size_t L = 4>
class TSetSession : public TSessionGeneral<N> {
protected:
    size_t BodyLength() const override { return L; }
    int ParseReply(TDevice* device, const TPacketHeader& header, TBody body) override
    {
        StartFollowUpGet<TGet>(device);
        this->Report(device, N, header.Status);
        return ReplyFinished;
    }
};

// A Set whose body holds a table: the page fills the request bytes and the
// entry count with SetData; Send refuses an empty table or a count that does
// not fit the device (AcceptCount).
template <uint16_t N, class TGet>
class TVarSetSession : public TSessionGeneral<N> {
public:
    void SetData(const void* data, size_t length, int count)
    {
        auto* p = static_cast<const uint8_t*>(data);
        m_Request.assign(p, p + (p ? length : 0));
        m_Count = count;
    }
    const std::vector<uint8_t>& Request() const { return m_Request; }
    int Count() const { return m_Count; }

    bool Send(TDevice* device) override
    {
        if (m_Count <= 0 || !AcceptCount(device, m_Count))
            return false;
        return this->SendFrame(device, m_Request.data(), m_Request.size());
    }

protected:
    // Whether `count` entries fit the device's model.
    virtual bool AcceptCount(TDevice* device, int count) const { return true; }
    int ParseReply(TDevice* device, const TPacketHeader& header, TBody body) override
    {
        StartFollowUpGet<TGet>(device);
        this->Report(device, N, header.Status);
        return ReplyFinished;
    }

    std::vector<uint8_t> m_Request;
    int m_Count = 0;
};

// A Get of a table that the switch answers in several datagrams. Sending the
// request empties the device's record. Rows are collected by the session and
// committed to the record with the first datagram that carries fewer than
// Threshold rows, so two reads of one table never mix their rows. A datagram
// with a non-zero status, or whose rows fail the checks, empties the record.
//
// T has `uint8_t Valid` and a `std::vector<Row> Rows`.
template <uint16_t N, class T, class Row, size_t Threshold, size_t MinReply = 4>
class TRowListSession : public TSessionGeneral<N> {
public:
    using Record = T;

protected:
    size_t MinReplyLength() const override { return MinReply; }
    // Decodes one datagram's rows, appending them to `rows`; sets `count` to
    // the number of rows the datagram carried. Returns 0 or a failure status.
    virtual uint32_t DecodeRows(TDevice* device, TBody body, std::vector<Row>& rows, size_t& count) = 0;

    bool FillBody(TDevice* device, TBodyWriter& body) override
    {
        Clear(device->template GetProperty<T>());
        m_Rows.clear();
        return true;
    }

    int ParseReply(TDevice* device, const TPacketHeader& header, TBody body) override
    {
        T& record = device->template GetProperty<T>();
        uint32_t status = header.Status;
        if (status == StatusOk) {
            size_t count = 0;
            status = DecodeRows(device, body, m_Rows, count);
            if (status == StatusOk && count >= Threshold) {
                Detail::EnableTimer(this, true);
                return ReplyWaiting;
            }
        }
        if (status == StatusOk) {
            record.Rows = std::move(m_Rows);
            record.Valid = 1;
        } else {
            Clear(record);
        }
        m_Rows.clear();
        this->Report(device, N, status);
        return ReplyFinished;
    }

    static void Clear(T& record)
    {
        record.Valid = 0;
        record.Rows.clear();
    }

    std::vector<Row> m_Rows;
};

} // namespace Intp
