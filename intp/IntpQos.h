// QoS features (command group 0x05): the queue policy, the port based
// priority, the COS settings and the TOS settings.
#pragma once

#include "Intp.h"
#include "IntpGetInPlace.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

namespace Intp {

// Queue scheme: 0 weighted fair queuing 8, 4, 2, 1; 1 strict priority.
// Priority type: 0 disable, 1 port based, 2 COS only, 3 TOS only,
// 4 COS first, 5 TOS first. Queue level: 0 lowest to 3 high.
enum : uint32_t {
    QosQueueSchemeCount = 2,
    QosPriorityTypeCount = 6,
    QosQueueLevelCount = 4,
    QosCosPriorityCount = 8,
    QosTosCount = 64,
};

struct TPropertyQos {
    static constexpr uint16_t GetCommand = 0x0500;
    uint8_t Valid = 0;
    uint32_t QueueScheme = 0;
    uint32_t PriorityType = 0;
};

struct TPropertyQosPort {
    static constexpr uint16_t GetCommand = 0x0502;
    uint8_t Valid = 0;
    std::vector<uint32_t> QueueLevel;   // one per port, in port order
};

struct TPropertyQosCos {
    static constexpr uint16_t GetCommand = 0x0504;
    uint8_t Valid = 0;
    std::array<uint32_t, QosCosPriorityCount> QueueLevel{};   // per 802.1p priority 0-7
    std::vector<uint32_t> DefaultPriority;                      // per port, 0-7
};

struct TPropertyQosTos {
    static constexpr uint16_t GetCommand = 0x0506;
    uint8_t Valid = 0;
    std::array<uint32_t, QosTosCount> QueueLevel{};   // per DSCP value 0-63
};

inline TPropertyQos& GetPropertyQos(TDevice* device) { return device->GetProperty<TPropertyQos>(); }
inline TPropertyQosPort& GetPropertyQosPort(TDevice* device) { return device->GetProperty<TPropertyQosPort>(); }
inline TPropertyQosCos& GetPropertyQosCos(TDevice* device) { return device->GetProperty<TPropertyQosCos>(); }
inline TPropertyQosTos& GetPropertyQosTos(TDevice* device) { return device->GetProperty<TPropertyQosTos>(); }

class TSessionQosGet final : public TGetInPlaceSession<0x0500, TPropertyQos, 2> {
public:
    const char* GetName() const override { return "QosGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyQos& record, TBody body) override;
};

class TSessionQosPortGet final : public TGetInPlaceSession<0x0502, TPropertyQosPort, 1> {
public:
    const char* GetName() const override { return "QosPortGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyQosPort& record, TBody body) override;
};

class TSessionQosCosGet final : public TGetInPlaceSession<0x0504, TPropertyQosCos, 8> {
public:
    const char* GetName() const override { return "QosCosGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyQosCos& record, TBody body) override;
};

class TSessionQosTosGet final : public TGetInPlaceSession<0x0506, TPropertyQosTos, 64> {
public:
    const char* GetName() const override { return "QosTosGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyQosTos& record, TBody body) override;
};

// A Set whose request is L bytes sent as given. SetData refuses any other
// size; a session given no request is not sent.
template <uint16_t N, class TGet, size_t L>
class TQosRequestSet : public TSetSession<N, TGet, L> {
public:
    bool SetData(std::span<const uint8_t> request)
    {
        if (request.size() != L)
            return false;
        std::copy(request.begin(), request.end(), m_Request.begin());
        m_HasData = true;
        return true;
    }

protected:
    bool FillBody(TDevice*, TBodyWriter& body) override
    {
        if (!m_HasData)
            return false;
        body.Bytes(0, m_Request.data(), m_Request.size());
        return true;
    }

private:
    std::array<uint8_t, L> m_Request{};
    bool m_HasData = false;
};

// The 2-byte request {queue scheme, priority type}.
class TSessionQosSet final : public TQosRequestSet<0x0501, TSessionQosGet, 2> {
public:
    const char* GetName() const override { return "QosSet"; }
};

// The 64-byte request, byte d the queue level of DSCP value d.
class TSessionQosTosSet final : public TQosRequestSet<0x0507, TSessionQosTosGet, QosTosCount> {
public:
    const char* GetName() const override { return "QosTosSet"; }
};

// n bytes, byte i the queue level of port i + 1. SetData refuses n <= 0 or a
// buffer that is not n bytes; Send refuses when n is not the port count.
class TSessionQosPortSet final : public TVarSetSession<0x0503, TSessionQosPortGet> {
public:
    bool SetData(std::span<const uint8_t> buffer, int n);
    const char* GetName() const override { return "QosPortSet"; }

protected:
    bool AcceptCount(TDevice* device, int count) const override;
};

// n + 8 bytes: the queue levels of the eight 802.1p priorities, then the
// default priority of each of the n ports.
class TSessionQosCosSet final : public TVarSetSession<0x0505, TSessionQosCosGet> {
public:
    bool SetData(std::span<const uint8_t> buffer, int n);
    const char* GetName() const override { return "QosCosSet"; }

protected:
    bool AcceptCount(TDevice* device, int count) const override;
};

} // namespace Intp
