// Test-only sessions of each shape, on command codes no switch uses, for the
// dispatcher tests, the fuzz target and the benchmarks.
#pragma once

#include "Intp.h"

#include <vector>

namespace TestSupport {

// A Get of one value: body u16 value (1..1000) and u16 spare.
struct TPropertyTestValue {
    static constexpr uint16_t GetCommand = 0x7F03;
    uint8_t Valid = 0;
    uint16_t Value = 0;
};

class TSessionTestGet final : public Intp::TGetSession<0x7F03, TPropertyTestValue, 4> {
public:
    const char* GetName() const override { return "TestGet"; }

protected:
    uint32_t Decode(Intp::TDevice*, TPropertyTestValue& record, Intp::TBody body) override
    {
        uint16_t v = body.U16(0);
        if (v == 0 || v > 1000)
            return Intp::StatusRangeError;
        record.Value = v;
        return Intp::StatusOk;
    }
};

class TSessionTestSet final : public Intp::TSetSession<0x7F04, TSessionTestGet, 4> {
public:
    explicit TSessionTestSet(uint16_t value = 1) : m_Value(value) {}
    const char* GetName() const override { return "TestSet"; }

protected:
    bool FillBody(Intp::TDevice*, Intp::TBodyWriter& body) override
    {
        body.U16(0, m_Value);
        return true;
    }

private:
    uint16_t m_Value;
};

// A table read in several datagrams: body u16 row count n, then n u16 rows
// (each non-zero). Four rows or more in one datagram: more follow.
struct TPropertyTestRows {
    static constexpr uint16_t GetCommand = 0x7F01;
    uint8_t Valid = 0;
    std::vector<uint16_t> Rows;
};

class TSessionTestRows final : public Intp::TRowListSession<0x7F01, TPropertyTestRows, uint16_t, 4, 2> {
public:
    static constexpr size_t Threshold = 4;
    const char* GetName() const override { return "TestRows"; }

protected:
    uint32_t DecodeRows(Intp::TDevice*, Intp::TBody body, std::vector<uint16_t>& rows, size_t& count) override
    {
        count = body.U16(0);
        if (!body.Has(2, count * 2))
            return Intp::StatusTableError;
        for (size_t i = 0; i < count; ++i) {
            uint16_t row = body.U16(2 + 2 * i);
            if (row == 0)
                return Intp::StatusRangeError;
            rows.push_back(row);
        }
        return Intp::StatusOk;
    }
};

// The body of a row datagram.
inline std::vector<uint8_t> RowsBody(const std::vector<uint16_t>& rows)
{
    std::vector<uint8_t> body(2 + 2 * rows.size());
    Intp::PutBE16(body.data(), uint16_t(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i)
        Intp::PutBE16(body.data() + 2 + 2 * i, rows[i]);
    return body;
}

} // namespace TestSupport
