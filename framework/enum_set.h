// EnumSet: a small set of scoped-enum values, the shape of component states and set properties.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <type_traits>

namespace kiv {

// Value names of an enumeration, for designs. Specialise next to the enumeration; the names are
// listed in the order of the enumerators, which must run 0, 1, 2, ... without gaps:
//
//   enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
//   template <> struct EnumInfo<TAlignment> {
//       static constexpr std::array<std::string_view, 3> names{"taLeftJustify", "taRightJustify",
//                                                             "taCenter"};
//   };
template <typename E>
struct EnumInfo {};

template <typename E>
concept NamedEnum = std::is_enum_v<E> && requires {
    { EnumInfo<E>::names.size() } -> std::convertible_to<std::size_t>;
};

// A set of up to 64 values of the enumeration E (enumerators 0..63).
template <typename E>
class EnumSet {
    static_assert(std::is_enum_v<E>, "EnumSet holds enumeration values");

public:
    constexpr EnumSet() = default;
    constexpr EnumSet(std::initializer_list<E> values) {
        for (E value : values) m_bits |= Bit(value);
    }

    static constexpr EnumSet FromBits(std::uint64_t bits) {
        EnumSet set;
        set.m_bits = bits;
        return set;
    }
    constexpr std::uint64_t Bits() const { return m_bits; }

    constexpr bool Contains(E value) const { return (m_bits & Bit(value)) != 0; }
    constexpr bool Empty() const { return m_bits == 0; }
    constexpr EnumSet& Include(E value) {
        m_bits |= Bit(value);
        return *this;
    }
    constexpr EnumSet& Exclude(E value) {
        m_bits &= ~Bit(value);
        return *this;
    }
    constexpr EnumSet& Include(EnumSet other) {
        m_bits |= other.m_bits;
        return *this;
    }
    constexpr EnumSet& Exclude(EnumSet other) {
        m_bits &= ~other.m_bits;
        return *this;
    }

    friend constexpr EnumSet operator|(EnumSet a, EnumSet b) {
        return FromBits(a.m_bits | b.m_bits);
    }
    friend constexpr EnumSet operator&(EnumSet a, EnumSet b) {
        return FromBits(a.m_bits & b.m_bits);
    }
    friend constexpr EnumSet operator-(EnumSet a, EnumSet b) {
        return FromBits(a.m_bits & ~b.m_bits);
    }
    friend constexpr bool operator==(EnumSet a, EnumSet b) = default;

private:
    static constexpr std::uint64_t Bit(E value) {
        return std::uint64_t{1} << static_cast<unsigned>(value);
    }

    std::uint64_t m_bits = 0;
};

}  // namespace kiv
