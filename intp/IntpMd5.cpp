// MD5 message digest (RFC 1321) and the login digest.
#include "Intp.h"

#include <algorithm>
#include <cstring>

namespace Intp {

namespace {
constexpr uint32_t K[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
constexpr int R[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                       5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                       4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                       6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

inline uint32_t Rotl(uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }
} // namespace

TMd5::TMd5() : m_State{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}, m_Buffer{} {}

void TMd5::Transform(const uint8_t block[64])
{
    uint32_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = uint32_t(block[4 * i]) | uint32_t(block[4 * i + 1]) << 8 | uint32_t(block[4 * i + 2]) << 16 |
               uint32_t(block[4 * i + 3]) << 24;
    uint32_t a = m_State[0], b = m_State[1], c = m_State[2], d = m_State[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        uint32_t t = d;
        d = c;
        c = b;
        b = b + Rotl(a + f + K[i] + m[g], R[i]);
        a = t;
    }
    m_State[0] += a;
    m_State[1] += b;
    m_State[2] += c;
    m_State[3] += d;
}

void TMd5::Update(const void* data, size_t size)
{
    auto* p = static_cast<const uint8_t*>(data);
    size_t used = size_t(m_Count % 64);
    m_Count += size;
    if (used) {
        size_t take = std::min<size_t>(64 - used, size);
        std::memcpy(m_Buffer + used, p, take);
        p += take;
        size -= take;
        if (used + take < 64)
            return;
        Transform(m_Buffer);
    }
    for (; size >= 64; p += 64, size -= 64)
        Transform(p);
    if (size)
        std::memcpy(m_Buffer, p, size);
}

void TMd5::Final(uint8_t digest[16])
{
    uint64_t bits = m_Count * 8;
    static const uint8_t pad[64] = {0x80};
    size_t used = size_t(m_Count % 64);
    Update(pad, used < 56 ? 56 - used : 120 - used);
    uint8_t length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = uint8_t(bits >> (8 * i));
    Update(length, 8);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            digest[4 * i + j] = uint8_t(m_State[i] >> (8 * j));
}

void Md5(const void* data, size_t size, uint8_t digest[16])
{
    TMd5 md5;
    md5.Update(data, size);
    md5.Final(digest);
}

void LoginDigest(std::string_view user, std::string_view password, uint8_t digest[16])
{
    uint8_t fields[32];
    PutFieldText(fields, 16, user);
    PutFieldText(fields + 16, 16, password);
    Md5(fields, sizeof fields, digest);
}

} // namespace Intp
