// Addresses, text helpers, devices, models, property maps, the wire header,
// sessions and the receive dispatcher.
#include "Intp.h"
#include "IntpFlatMap.h"
#include "IntpProtocol.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Intp {

// ---------------------------------------------------------------------------
// Bounded views and text fields
// ---------------------------------------------------------------------------

size_t Utf8FitLength(std::string_view text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text.size();
    size_t n = maxBytes;
    // Step back over continuation bytes so the cut falls before a lead byte.
    while (n > 0 && (uint8_t(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

void TBody::Copy(size_t off, void* out, size_t count) const
{
    auto* dst = static_cast<uint8_t*>(out);
    std::memset(dst, 0, count);
    if (off >= m_Size)
        return;
    size_t n = std::min(count, m_Size - off);
    std::memcpy(dst, m_Data + off, n);
}

std::string TBody::Text(size_t off, size_t width) const
{
    if (off >= m_Size)
        return {};
    size_t n = std::min(width, m_Size - off);
    const uint8_t* p = m_Data + off;
    const void* zero = std::memchr(p, 0, n);
    if (zero)
        n = size_t(static_cast<const uint8_t*>(zero) - p);
    return std::string(reinterpret_cast<const char*>(p), n);
}

void TBodyWriter::Bytes(size_t off, const void* src, size_t count)
{
    if (Has(off, count) && count)
        std::memcpy(m_Data + off, src, count);
}

void TBodyWriter::Text(size_t off, size_t width, std::string_view text)
{
    if (Has(off, width))
        PutFieldText(m_Data + off, width, text);
}

void PutFieldText(uint8_t* field, size_t width, std::string_view text)
{
    std::memset(field, 0, width);
    // Stop at an embedded zero, as a C string would.
    text = text.substr(0, std::min(text.size(), text.find('\0')));
    size_t n = Utf8FitLength(text, width);
    if (n)
        std::memcpy(field, text.data(), n);
}

std::string FieldText(const void* field, size_t n)
{
    if (!field || n >= 1024)
        return {};
    return TBody(static_cast<const uint8_t*>(field), n).Text(0, n);
}

// ---------------------------------------------------------------------------
// Addresses
// ---------------------------------------------------------------------------

TMacAddr::TMacAddr(const uint8_t bytes[6]) { std::memcpy(m_Bytes, bytes, 6); }

TMacAddr::TMacAddr(uint32_t hi, uint16_t lo)
{
    std::memcpy(m_Bytes, &hi, 4);
    std::memcpy(m_Bytes + 4, &lo, 2);
}

std::string MacToText(const TMacAddr& mac)
{
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return text;
}

static int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ParseMac(std::string_view text, uint8_t out[6])
{
    if (text.size() != 12)
        return false;
    uint8_t bytes[6];
    for (size_t i = 0; i < 6; ++i) {
        int hi = HexDigit(text[2 * i]), lo = HexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        bytes[i] = uint8_t(hi << 4 | lo);
    }
    std::memcpy(out, bytes, 6);
    return true;
}

std::string IpToText(uint32_t ip)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", ip >> 24, (ip >> 16) & 0xFF, (ip >> 8) & 0xFF, ip & 0xFF);
    return text;
}

bool ParseIp(std::string_view text, uint32_t& out)
{
    uint32_t value = 0;
    size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return false;
            ++pos;
        }
        size_t start = pos;
        uint32_t octet = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 3)
            octet = octet * 10 + uint32_t(text[pos++] - '0');
        if (pos == start || octet > 255)
            return false;
        value = value << 8 | octet;
    }
    if (pos != text.size())
        return false;
    out = value;
    return true;
}

bool IsUsableIp(uint32_t ip) { return ip != 0 && ip != 0xFFFFFFFFu && (ip >> 24) != 127; }

bool IsValidNetmask(uint32_t mask)
{
    if (mask == 0)
        return false;
    uint32_t inverted = ~mask;
    return (inverted & (inverted + 1)) == 0;
}

// ---------------------------------------------------------------------------
// Property map
// ---------------------------------------------------------------------------

PropertyBase* PropertyMap::Find(int32_t key) const
{
    auto it = std::lower_bound(m_Records.begin(), m_Records.end(), key,
                               [](const TSlot& slot, int32_t k) { return slot.Key < k; });
    return it == m_Records.end() || it->Key != key ? nullptr : it->Record.get();
}

PropertyMap::TSlot& PropertyMap::SlotFor(int32_t key)
{
    auto it = std::lower_bound(m_Records.begin(), m_Records.end(), key,
                               [](const TSlot& slot, int32_t k) { return slot.Key < k; });
    if (it == m_Records.end() || it->Key != key) {
        it = m_Records.insert(it, TSlot{});
        it->Key = key;
    }
    return *it;
}

// ---------------------------------------------------------------------------
// Models
// ---------------------------------------------------------------------------

namespace {

// The pending sessions of one reply key (or those with their own rule), in
// start order, linked through the sessions themselves.
struct TKeyChain {
    TSession* Head = nullptr;
    TSession* Tail = nullptr;
};

struct TLibraryState {
    TDeviceMap Devices;
    // The same devices by MAC address, for the dispatcher's lookups.
    TFlatMap<uint64_t, TDevice*> DeviceIndex;
    std::vector<TDeviceType> Types;
    bool UnknownRegistered = false;
    TSessionList Sessions;
    // Pending sessions by reply key (MAC address and command).
    TFlatMap<uint64_t, TKeyChain> Keyed;
    // Pending sessions that take replies by their own rule.
    TKeyChain OwnRule;
    uint64_t NextStart = 1;
    TDeviceCallback* DeviceCallback = nullptr;
    TSessionCallback* SessionCallback = nullptr;
    uint64_t NextSerial = 1;
    // Bumped whenever a device is deleted or a pending session leaves the
    // list, so the dispatcher re-checks what it holds only after a change.
    uint64_t DeviceRemovals = 0;
    uint64_t SessionRemovals = 0;
    // The datagrams announced by PrefetchPacket, the latest last.
    struct TAnnounced {
        uint64_t Mac = 0;
        uint64_t Key = 0;
    };
    TAnnounced Announced[PrefetchDistance];
    size_t NextAnnounced = 0;
};

// The dispatcher reaches the state dozens of times per datagram: a plain
// pointer read rather than a call that checks a static's guard each time.
TLibraryState* g_State = nullptr;

[[gnu::noinline]] TLibraryState& CreateState()
{
    static TLibraryState state;
    g_State = &state;
    return state;
}

inline TLibraryState& State() { return __builtin_expect(g_State != nullptr, 1) ? *g_State : CreateState(); }
} // namespace

std::vector<TDeviceType>& TypeVector() { return State().Types; }

uint32_t ProductIdOf(std::string_view modelCode)
{
    uint8_t digest[16];
    Md5(modelCode.data(), modelCode.size(), digest);
    return uint32_t(digest[0]) | uint32_t(digest[1]) << 8 | uint32_t(digest[2]) << 16 | uint32_t(digest[3]) << 24;
}

void RegisterUnknownType()
{
    auto& s = State();
    if (s.UnknownRegistered)
        return;
    s.UnknownRegistered = true;
    TDeviceType unknown;
    unknown.Description = "Unknown Intp Compatible Device";
    s.Types.insert(s.Types.begin(), std::move(unknown));
}

int RegisterDeviceType(const TDeviceTypeDesc* desc, const std::vector<const char*>& modelCodes)
{
    if (!desc || !desc->Description)
        return -1;
    // Index 0 is always the unknown model: a model registered first must not
    // take its place (it would get index 0 and lose its identifiers).
    RegisterUnknownType();
    TDeviceType type;
    type.Description = desc->Description;
    type.PortCount = desc->PortCount;
    type.TrunkCount = desc->TrunkCount;
    type.SmtpEntryCount = desc->SmtpEntryCount;
    type.IpSecurityCount = desc->IpSecurityCount;
    type.SnmpCommunityCount = desc->SnmpCommunityCount;
    auto& types = TypeVector();
    types.push_back(std::move(type));
    int index = int(types.size() - 1);
    for (const char* code : modelCodes) {
        if (!code)
            break;
        AddProductId(index, code);
    }
    return index;
}

bool AddProductId(int index, const char* modelCode)
{
    auto& types = TypeVector();
    if (!modelCode || index < 1 || size_t(index) >= types.size())
        return false;
    uint32_t pid = ProductIdOf(modelCode);
    for (size_t i = 1; i < types.size(); ++i)
        if (std::find(types[i].ProductIds.begin(), types[i].ProductIds.end(), pid) != types[i].ProductIds.end())
            return false;
    types[size_t(index)].ProductIds.push_back(pid);
    return true;
}

uint32_t TypeFromProductId(uint32_t productId)
{
    auto& types = TypeVector();
    for (size_t i = 1; i < types.size(); ++i)
        for (uint32_t pid : types[i].ProductIds)
            if (pid == productId)
                return uint32_t(i);
    return 0;
}

const TBuiltinModel BuiltinModels[6] = {
    {{"8 port 10/100BaseTX Management Ethernet Switch", 8, 4, 6, 10, 4}, "7193-TX"},
    {{"6 port 10/100BaseTX+ 2 port 100FX Single mode Management Ethernet Switch", 8, 4, 6, 10, 4}, "7193-SS"},
    {{"6 port 10/100BaseTX+ 2 port 100FX Multi mode Management Ethernet Switch", 8, 4, 6, 10, 4}, "7193-MM"},
    {{"6 port 10/100BaseTX+ 2 port 1000BaseTX Management Ethernet Switch", 8, 4, 6, 10, 4}, "7193-GT"},
    {{"6 port 10/100BaseTX+ 2 port 1000Base Single mode Management Ethernet Switch", 8, 4, 6, 10, 4}, "7193-GS"},
    {{"6 port 10/100BaseTX+ 2 port 1000Base Multi mode Management Ethernet Switch", 8, 4, 6, 10, 4}, "7193-GM"},
};

void RegisterBuiltinModels()
{
    RegisterUnknownType();
    for (const auto& model : BuiltinModels)
        RegisterDeviceType(&model.Desc, {model.ModelCode});
}

static const TDeviceType& TypeAt(uint32_t index)
{
    static const TDeviceType none{"Unknown Intp Compatible Device", 0, 0, 0, 0, 0, {}};
    auto& types = TypeVector();
    return index < types.size() ? types[index] : none;
}

const std::string& GetTypeName(uint32_t index) { return TypeAt(index).Description; }
uint32_t GetTypePortCount(uint32_t index) { return TypeAt(index).PortCount; }
uint32_t GetTypeTrunkCount(uint32_t index) { return TypeAt(index).TrunkCount; }
uint32_t GetTypeSmtpEntryCount(uint32_t index) { return TypeAt(index).SmtpEntryCount; }
uint32_t GetTypeIpSecurityCount(uint32_t index) { return TypeAt(index).IpSecurityCount; }
uint32_t GetTypeSnmpCommunityCount(uint32_t index) { return TypeAt(index).SnmpCommunityCount; }

// ---------------------------------------------------------------------------
// Devices
// ---------------------------------------------------------------------------

TDeviceMap& DeviceMap() { return State().Devices; }
void SetDeviceCallback(TDeviceCallback* callback) { State().DeviceCallback = callback; }
TDeviceCallback* GetDeviceCallback() { return State().DeviceCallback; }

TDevice::TDevice(const TMacAddr& mac) : m_Mac(mac)
{
    DeviceMap()[mac] = this;
    State().DeviceIndex[mac.Bits()] = this;
    if (auto* cb = GetDeviceCallback())
        cb->OnDeviceAdd(this);
}

TDevice::~TDevice()
{
    auto& map = DeviceMap();
    auto it = map.find(m_Mac);
    if (it != map.end() && it->second == this)
        map.erase(it);
    auto& index = State().DeviceIndex;
    if (TDevice** at = index.Find(m_Mac.Bits()); at && *at == this)
        index.Erase(m_Mac.Bits());
    ++State().DeviceRemovals;
    if (auto* cb = GetDeviceCallback())
        cb->OnDeviceRemove(this);
}

void TDevice::SetFlags(uint32_t bits)
{
    uint32_t old = m_Flags;
    m_Flags |= bits;
    if (old != m_Flags)
        if (auto* cb = GetDeviceCallback())
            cb->OnDeviceFlagsChange(this, old ^ m_Flags);
}

void TDevice::ClearFlags(uint32_t bits)
{
    uint32_t old = m_Flags;
    m_Flags &= ~bits;
    if (old != m_Flags)
        if (auto* cb = GetDeviceCallback())
            cb->OnDeviceFlagsChange(this, old ^ m_Flags);
}

void TDevice::SetLoggedIn(bool loggedIn)
{
    if (loggedIn)
        SetFlags(DeviceFlagLoggedIn);
    else
        ClearFlags(DeviceFlagLoggedIn);
}

void TDevice::SetIp(uint32_t ip)
{
    if (ip == m_Ip)
        return;
    m_Ip = ip;
    if (auto* cb = GetDeviceCallback())
        cb->OnDeviceIpChange(this);
}

void TDevice::SetType(uint32_t index)
{
    if (index == m_Type)
        return;
    m_Type = index;
    if (auto* cb = GetDeviceCallback())
        cb->OnDeviceTypeChange(this);
}

const std::string& TDevice::GetTypeName() const { return Intp::GetTypeName(m_Type); }

void TDevice::SetName(const std::string& name)
{
    if (name == m_Name)
        return;
    m_Name = name;
    if (auto* cb = GetDeviceCallback())
        cb->OnDeviceNameChange(this);
}

uint32_t TDevice::GetPortCount() const { return GetTypePortCount(m_Type); }
uint32_t TDevice::GetTrunkCount() const { return GetTypeTrunkCount(m_Type); }
uint32_t TDevice::GetSmtpEntryCount() const { return GetTypeSmtpEntryCount(m_Type); }
uint32_t TDevice::GetIpSecurityCount() const { return GetTypeIpSecurityCount(m_Type); }
uint32_t TDevice::GetSnmpCommunityCount() const { return GetTypeSnmpCommunityCount(m_Type); }

TDevice* GetDevice(const TMacAddr& mac, bool create)
{
    if (mac.IsZero() || mac.IsAllOnes())
        return nullptr;
    if (TDevice** found = State().DeviceIndex.Find(mac.Bits()))
        return *found;
    return create ? new TDevice(mac) : nullptr;
}

TDevice* FindDeviceByIp(uint32_t ip)
{
    for (auto& [mac, device] : DeviceMap())
        if (device->GetIp() == ip)
            return device;
    return nullptr;
}

void DeleteAllDevices()
{
    auto& map = DeviceMap();
    while (!map.empty())
        delete map.begin()->second;
}

// ---------------------------------------------------------------------------
// Header, sessions and dispatch
// ---------------------------------------------------------------------------

void TPacketHeader::Write(uint8_t* out) const
{
    PutBE16(out, Command);
    PutBE16(out + 2, Status);
    PutBE16(out + 4, Length);
    std::memcpy(out + 6, Mac.Bytes(), 6);
}

TPacketHeader TPacketHeader::Read(const uint8_t* in, size_t datagramLength)
{
    TPacketHeader h;
    h.Command = GetBE16(in);
    h.Status = GetBE16(in + 2);
    h.Length = uint16_t(std::min<size_t>(datagramLength - HeaderSize, 0xFFFF));
    h.Mac = TMacAddr(in + 6);
    return h;
}

std::vector<uint8_t> BuildRequest(uint16_t command, const TMacAddr& mac, size_t bodyLength, const uint8_t* body)
{
    std::vector<uint8_t> frame(HeaderSize + bodyLength, 0);
    TPacketHeader{command, 0, uint16_t(bodyLength), mac}.Write(frame.data());
    if (body && bodyLength)
        std::memcpy(frame.data() + HeaderSize, body, bodyLength);
    return frame;
}

void SetSessionCallback(TSessionCallback* callback) { State().SessionCallback = callback; }
TSessionCallback* GetSessionCallback() { return State().SessionCallback; }
TSessionList& SessionList() { return State().Sessions; }

TSession* TSessionList::operator[](size_t i) const
{
    TSession* s = m_Head;
    while (s && i--)
        s = s->NextPending();
    return s;
}

bool IsSessionPending(const TSession* session)
{
    // Compares addresses only: the session may already be gone.
    for (TSession* s : SessionList())
        if (s == session)
            return true;
    return false;
}

namespace Detail {
void EnableTimer(TSession* session, bool enable)
{
    if (auto* cb = GetSessionCallback())
        cb->EnableTimer(session, enable);
}
void CreateTimer(TSession* session, unsigned ms)
{
    if (auto* cb = GetSessionCallback())
        cb->CreateTimer(session, ms);
}
void SetTimeout(TSession* session, unsigned ms)
{
    if (auto* cb = GetSessionCallback())
        cb->SetTimeout(session, ms);
}
void SendDatagram(uint32_t ip, const uint8_t* data, size_t length)
{
    if (auto* cb = GetSessionCallback())
        cb->SendDatagram(ip, data, length);
}
} // namespace Detail

// ---------------------------------------------------------------------------
// The pending list and its index
// ---------------------------------------------------------------------------

static uint64_t ReplyKeyOf(const TMacAddr& mac, uint16_t command) { return mac.Bits() << 16 | command; }

// Keeps the pending list and its index by reply key; the only code that
// touches a session's list links.
struct TPendingIndex {
    static void Add(TSession* session)
    {
        auto& state = State();
        session->m_Started = state.NextStart++;
        TMacAddr mac;
        uint16_t command = 0;
        session->m_Keyed = session->ReplyKey(mac, command);
        session->m_Key = session->m_Keyed ? ReplyKeyOf(mac, command) : 0;

        TSessionList& list = state.Sessions;
        session->m_Prev = list.m_Tail;
        session->m_Next = nullptr;
        (list.m_Tail ? list.m_Tail->m_Next : list.m_Head) = session;
        list.m_Tail = session;
        ++list.m_Size;

        TKeyChain& chain = session->m_Keyed ? state.Keyed[session->m_Key] : state.OwnRule;
        session->m_KeyPrev = chain.Tail;
        session->m_KeyNext = nullptr;
        (chain.Tail ? chain.Tail->m_KeyNext : chain.Head) = session;
        chain.Tail = session;
    }

    static void Remove(TSession* session)
    {
        auto& state = State();
        TSessionList& list = state.Sessions;
        (session->m_Prev ? session->m_Prev->m_Next : list.m_Head) = session->m_Next;
        (session->m_Next ? session->m_Next->m_Prev : list.m_Tail) = session->m_Prev;
        --list.m_Size;

        TSession* prev = session->m_KeyPrev;
        TSession* next = session->m_KeyNext;
        // The chain itself changes only when the session is at one of its ends.
        TKeyChain* chain = &state.OwnRule;
        if (session->m_Keyed && (!prev || !next))
            chain = state.Keyed.Find(session->m_Key);
        (prev ? prev->m_KeyNext : chain->Head) = next;
        (next ? next->m_KeyPrev : chain->Tail) = prev;
        if (session->m_Keyed && !prev && !next)
            state.Keyed.Erase(session->m_Key);

        session->m_Started = 0;
        session->m_Prev = session->m_Next = session->m_KeyPrev = session->m_KeyNext = nullptr;
        ++state.SessionRemovals;
    }

    static TSession* KeyedHead(uint64_t key)
    {
        const TKeyChain* chain = State().Keyed.Find(key);
        return chain ? chain->Head : nullptr;
    }

    // The first session of a chain started after `started`.
    static TSession* After(TSession* s, uint64_t started)
    {
        while (s && s->m_Started <= started)
            s = s->m_KeyNext;
        return s;
    }

    // Whether `session` is still the pending session started as `started`
    // in the chain from `head` (compares addresses: it may be gone).
    static bool Holds(TSession* head, const TSession* session, uint64_t started)
    {
        for (TSession* s = head; s && s->m_Started <= started; s = s->m_KeyNext)
            if (s == session)
                return s->m_Started == started;
        return false;
    }

    static int Dispatch(TDevice* device, const TPacketHeader& header, TBody body);
};

TSession::TSession() : m_Serial(State().NextSerial++) {}

TSession::~TSession()
{
    // Deleting the timer stops it too.
    if (auto* cb = GetSessionCallback())
        cb->DeleteTimer(this);
    if (IsPending())
        TPendingIndex::Remove(this);
}

void TSession::OnTimeout() { delete this; }

void TSession::Report(TDevice* device, uint16_t command, uint32_t status, void* data)
{
    if (auto* cb = GetSessionCallback())
        cb->Report(device, command, status, data, m_Observer, GetName());
}

bool StartSession(TSession* session, TDevice* device, TWizard* observer)
{
    if (!session || !device)
        return false;
    if (!session->Send(device))
        return false;
    session->SetObserver(observer);
    // A session started again while pending sent its request again and
    // keeps its place.
    if (!session->IsPending())
        TPendingIndex::Add(session);
    return true;
}

bool StartOwnedSession(std::unique_ptr<TSession> session, TDevice* device, TWizard* observer)
{
    if (!StartSession(session.get(), device, observer))
        return false;
    session.release();
    return true;
}

// Offers a reply to the sessions that may take it: those of its reply key
// and those with their own rule, merged in start order, as a walk of the
// whole pending list would. Sessions started meanwhile are not offered.
// Reports may start or end sessions and delete devices while it runs, so
// after any removal the walk finds its place again by start number.
int TPendingIndex::Dispatch(TDevice* device, const TPacketHeader& header, TBody body)
{
    auto& state = State();
    const uint64_t key = ReplyKeyOf(header.Mac, header.Command);
    const uint64_t limit = state.NextStart;
    uint64_t sessionRemovals = state.SessionRemovals;
    uint64_t deviceRemovals = state.DeviceRemovals;
    TSession* keyed = KeyedHead(key);
    TSession* own = state.OwnRule.Head;
    for (;;) {
        TSession* next = keyed && keyed->m_Started < limit ? keyed : nullptr;
        if (own && own->m_Started < limit && (!next || own->m_Started < next->m_Started))
            next = own;
        if (!next)
            return ReplyNotMine;
        const bool fromOwn = next == own;
        const uint64_t started = next->m_Started;
        (fromOwn ? own : keyed) = next->m_KeyNext;

        const int result = next->OnReply(device, header, body);
        const bool removals = state.SessionRemovals != sessionRemovals;
        if (result != ReplyNotMine) {
            if (result == ReplyFinished &&
                (!removals || Holds(fromOwn ? state.OwnRule.Head : KeyedHead(key), next, started)))
                delete next;
            return ReplyFinished;
        }
        if (removals) {
            keyed = After(KeyedHead(key), started);
            own = After(state.OwnRule.Head, started);
            sessionRemovals = state.SessionRemovals;
        }
        if (state.DeviceRemovals != deviceRemovals) {
            // The device may have been deleted by the call.
            device = GetDevice(header.Mac, false);
            if (!device)
                return ReplyNotMine;
            deviceRemovals = state.DeviceRemovals;
        }
    }
}

int ReceivePacket(uint32_t sourceIp, size_t length, const uint8_t* data)
{
    if (!data || length < HeaderSize)
        return ReplyNotMine;
    TPacketHeader header = TPacketHeader::Read(data, length);
    if (header.Mac.IsZero() || header.Mac.IsAllOnes())
        return ReplyNotMine;
    TBody body(data + HeaderSize, length - HeaderSize);
    if (header.Command == 0) {
        // Discovery replies are taken from any switch at any time.
        TSessionIntpFind::Instance().OnReplyFrom(GetDevice(header.Mac, true), header, body, sourceIp);
        return ReplyFinished;
    }
    auto& state = State();
    // The dispatcher looks the reply key up next: fetch it while the device
    // is looked up.
    state.Keyed.Prefetch(ReplyKeyOf(header.Mac, header.Command));
    TDevice* device = GetDevice(header.Mac, false);
    const bool created = !device;
    if (created) {
        // A reply from a switch that is not known is dropped unless a
        // session may take it (one whose device was deleted meanwhile).
        if (!TPendingIndex::KeyedHead(ReplyKeyOf(header.Mac, header.Command)) && !state.OwnRule.Head)
            return ReplyNotMine;
        device = new TDevice(header.Mac);
    }
    device->SetIp(sourceIp);
    const int result = TPendingIndex::Dispatch(device, header, body);
    if (result == ReplyNotMine && created)
        if (TDevice* left = GetDevice(header.Mac, false); left == device)
            delete left;
    return result;
}

void PrefetchPacket(size_t length, const uint8_t* data)
{
    if (!data || length < HeaderSize)
        return;
    auto& state = State();
    const TMacAddr mac(data + 6);
    const uint64_t key = ReplyKeyOf(mac, GetBE16(data));
    // Each step reads only what the step before fetched, a quarter of the
    // distance earlier, and looks everything up again: a session or a
    // device announced may be gone since.
    state.DeviceIndex.Prefetch(mac.Bits());
    state.Keyed.Prefetch(key);
    const size_t n = std::size(state.Announced);
    auto back = [&](size_t steps) -> const TLibraryState::TAnnounced& {
        return state.Announced[(state.NextAnnounced + n - steps) % n];
    };
    TSessionCallback* callback = state.SessionCallback;
    auto pending = [&](const TLibraryState::TAnnounced& a) -> TSession* {
        const TKeyChain* chain = state.Keyed.Find(a.Key);
        return chain ? chain->Head : nullptr;
    };
    {
        const TLibraryState::TAnnounced& a = back(2);
        // The lines of a device and of a session (of about two lines each,
        // starting anywhere in a line).
        auto lines = [](const void* object) {
            const char* at = static_cast<const char*>(object);
            __builtin_prefetch(at, 1);
            __builtin_prefetch(at + 64, 1);
            __builtin_prefetch(at + 120, 1);
        };
        if (TDevice* const* device = state.DeviceIndex.Find(a.Mac))
            lines(*device);
        if (TSession* session = pending(a)) {
            lines(session);
            if (callback)
                callback->PrefetchTimer(session, 0);
        }
    }
    if (TSession* session = pending(back(4))) {
        // Leaving the pending list writes to both neighbours.
        __builtin_prefetch(session->m_Prev, 1);
        __builtin_prefetch(session->m_Next, 1);
        if (callback)
            callback->PrefetchTimer(session, 1);
    }
    if (TSession* session = pending(back(6)); session && callback)
        callback->PrefetchTimer(session, 2);
    state.Announced[state.NextAnnounced] = {mac.Bits(), key};
    state.NextAnnounced = (state.NextAnnounced + 1) % n;
}

void ReleaseLibrary()
{
    auto& s = State();
    s.DeviceCallback = nullptr;
    s.SessionCallback = nullptr;
    TSessionIntpFind::Instance().SetObserver(nullptr);
    while (!s.Sessions.empty())
        delete s.Sessions.back();
    s.Keyed.Clear();
    DeleteAllDevices();
    s.Types.clear();
    s.UnknownRegistered = false;
}

} // namespace Intp
