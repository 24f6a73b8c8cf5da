#pragma once

#include <cstddef>
#include <cstdint>

namespace service
{

// An unsigned integer of up to kBits bits, for converting between decimal text and doubles exactly: the
// largest double is below 2^1024, and parsing scales at most 63 digits by 10^387. Results that would not
// fit are the caller's to avoid.
class BigUnsigned
{
  public:
    static constexpr size_t kBits = 1536;

    explicit BigUnsigned(uint64_t value = 0);

    bool IsZero() const { return m_used == 0; }
    // Number of significant bits; 0 for zero.
    size_t BitLength() const;
    bool Bit(size_t index) const;
    // True when any bit below index is set.
    bool AnyBitBelow(size_t index) const;
    // The 64 bits from index up.
    uint64_t BitsFrom(size_t index) const;

    void MultiplyAdd(uint32_t factor, uint32_t addend);
    void MultiplyByPowerOfTen(unsigned exponent);
    void ShiftLeft(size_t bits);
    void ShiftRight(size_t bits);
    // Replaces this number by its quotient by divisor (not zero) and returns the remainder.
    uint32_t DivideSmall(uint32_t divisor);
    // Replaces this number by its remainder by divisor (not zero) and returns the quotient.
    BigUnsigned DivideKeepRemainder(const BigUnsigned& divisor);

    friend int Compare(const BigUnsigned& left, const BigUnsigned& right);

  private:
    static constexpr size_t kLimbs = kBits / 32;

    void Trim();
    void SetBit(size_t index);
    void Subtract(const BigUnsigned& other); // other <= this

    uint32_t m_limbs[kLimbs] = {};
    size_t m_used = 0; // limbs in use; the highest one is not zero
};

} // namespace service
