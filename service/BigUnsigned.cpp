#include "service/BigUnsigned.h"

namespace service
{
namespace
{

constexpr unsigned kLimbBits = 32;
// The largest power of ten that fits into one limb.
constexpr uint32_t kLimbPowerOfTen = 1000000000;
constexpr unsigned kLimbPowerOfTenDigits = 9;

} // namespace

BigUnsigned::BigUnsigned(uint64_t value)
{
    m_limbs[0] = static_cast<uint32_t>(value);
    m_limbs[1] = static_cast<uint32_t>(value >> kLimbBits);
    m_used = 2;
    Trim();
}

void BigUnsigned::Trim()
{
    while (m_used > 0 && m_limbs[m_used - 1] == 0)
    {
        --m_used;
    }
}

size_t BigUnsigned::BitLength() const
{
    if (m_used == 0)
    {
        return 0;
    }
    return (m_used - 1) * kLimbBits + (kLimbBits - static_cast<size_t>(__builtin_clz(m_limbs[m_used - 1])));
}

bool BigUnsigned::Bit(size_t index) const
{
    const size_t limb = index / kLimbBits;
    return limb < m_used && (m_limbs[limb] >> (index % kLimbBits) & 1) != 0;
}

void BigUnsigned::SetBit(size_t index)
{
    const size_t limb = index / kLimbBits;
    for (; m_used <= limb; ++m_used)
    {
        m_limbs[m_used] = 0;
    }
    m_limbs[limb] |= uint32_t{1} << (index % kLimbBits);
}

bool BigUnsigned::AnyBitBelow(size_t index) const
{
    const size_t whole = index / kLimbBits;
    for (size_t limb = 0; limb < whole && limb < m_used; ++limb)
    {
        if (m_limbs[limb] != 0)
        {
            return true;
        }
    }
    const size_t rest = index % kLimbBits;
    return whole < m_used && rest != 0 && (m_limbs[whole] & ((uint32_t{1} << rest) - 1)) != 0;
}

uint64_t BigUnsigned::BitsFrom(size_t index) const
{
    uint64_t bits = 0;
    for (unsigned bit = 0; bit < 64; ++bit)
    {
        bits |= static_cast<uint64_t>(Bit(index + bit)) << bit;
    }
    return bits;
}

void BigUnsigned::MultiplyAdd(uint32_t factor, uint32_t addend)
{
    uint64_t carry = addend;
    for (size_t limb = 0; limb < m_used; ++limb)
    {
        const uint64_t product = static_cast<uint64_t>(m_limbs[limb]) * factor + carry;
        m_limbs[limb] = static_cast<uint32_t>(product);
        carry = product >> kLimbBits;
    }
    if (carry != 0 && m_used < kLimbs)
    {
        m_limbs[m_used++] = static_cast<uint32_t>(carry);
    }
}

void BigUnsigned::MultiplyByPowerOfTen(unsigned exponent)
{
    for (; exponent >= kLimbPowerOfTenDigits; exponent -= kLimbPowerOfTenDigits)
    {
        MultiplyAdd(kLimbPowerOfTen, 0);
    }
    for (; exponent > 0; --exponent)
    {
        MultiplyAdd(10, 0);
    }
}

void BigUnsigned::ShiftLeft(size_t bits)
{
    if (m_used == 0)
    {
        return;
    }
    const size_t limbs = bits / kLimbBits;
    const unsigned rest = bits % kLimbBits;
    const size_t used = m_used + limbs + 1 < kLimbs ? m_used + limbs + 1 : kLimbs;
    // From the top down, so that every limb is read before it is overwritten.
    for (size_t target = used; target-- > limbs;)
    {
        const size_t source = target - limbs;
        const uint32_t high = source < m_used ? m_limbs[source] : 0;
        const uint32_t low = source > 0 && source - 1 < m_used ? m_limbs[source - 1] : 0;
        m_limbs[target] = rest == 0 ? high : (high << rest | low >> (kLimbBits - rest));
    }
    for (size_t target = 0; target < limbs && target < used; ++target)
    {
        m_limbs[target] = 0;
    }
    m_used = used;
    Trim();
}

void BigUnsigned::ShiftRight(size_t bits)
{
    const size_t limbs = bits / kLimbBits;
    const unsigned rest = bits % kLimbBits;
    // From the bottom up, so that every limb is read before it is overwritten.
    for (size_t target = 0; target < m_used; ++target)
    {
        const size_t source = target + limbs;
        const uint32_t low = source < m_used ? m_limbs[source] : 0;
        const uint32_t high = source + 1 < m_used ? m_limbs[source + 1] : 0;
        m_limbs[target] = rest == 0 ? low : (low >> rest | high << (kLimbBits - rest));
    }
    Trim();
}

uint32_t BigUnsigned::DivideSmall(uint32_t divisor)
{
    uint64_t remainder = 0;
    for (size_t limb = m_used; limb-- > 0;)
    {
        const uint64_t dividend = remainder << kLimbBits | m_limbs[limb];
        m_limbs[limb] = static_cast<uint32_t>(dividend / divisor);
        remainder = dividend % divisor;
    }
    Trim();
    return static_cast<uint32_t>(remainder);
}

void BigUnsigned::Subtract(const BigUnsigned& other)
{
    int64_t borrow = 0;
    for (size_t limb = 0; limb < m_used; ++limb)
    {
        const int64_t difference =
            static_cast<int64_t>(m_limbs[limb]) - (limb < other.m_used ? other.m_limbs[limb] : 0) - borrow;
        borrow = difference < 0 ? 1 : 0;
        m_limbs[limb] = static_cast<uint32_t>(difference + (borrow << kLimbBits));
    }
    Trim();
}

BigUnsigned BigUnsigned::DivideKeepRemainder(const BigUnsigned& divisor)
{
    BigUnsigned quotient;
    if (Compare(*this, divisor) < 0)
    {
        return quotient;
    }
    const size_t shift = BitLength() - divisor.BitLength();
    BigUnsigned shifted = divisor;
    shifted.ShiftLeft(shift);
    for (size_t bit = shift + 1; bit-- > 0;)
    {
        if (Compare(*this, shifted) >= 0)
        {
            Subtract(shifted);
            quotient.SetBit(bit);
        }
        shifted.ShiftRight(1);
    }
    return quotient;
}

int Compare(const BigUnsigned& left, const BigUnsigned& right)
{
    if (left.m_used != right.m_used)
    {
        return left.m_used < right.m_used ? -1 : 1;
    }
    for (size_t limb = left.m_used; limb-- > 0;)
    {
        if (left.m_limbs[limb] != right.m_limbs[limb])
        {
            return left.m_limbs[limb] < right.m_limbs[limb] ? -1 : 1;
        }
    }
    return 0;
}

} // namespace service
