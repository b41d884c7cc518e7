#ifndef TAL_VAR_VAR_TRAITS_H
#define TAL_VAR_VAR_TRAITS_H

namespace tal {
namespace var {

// Kind bits of a value: the low byte says what it is (at most one bit), the
// high byte how (reference, number sign, floating point, byte size).
typedef unsigned short mask_t;

// Per number type: MASK is what a number of that type reports, ANTI_MASK the
// bits that must be clear for a mask to denote the type.
template <typename T>
struct var_traits;

#define TAL_VAR_TRAITS(T, mask, anti_mask)             \
    template <>                                        \
    struct var_traits<T> {                             \
        static constexpr mask_t MASK = mask;           \
        static constexpr mask_t ANTI_MASK = anti_mask; \
    }

TAL_VAR_TRAITS(signed char, 0x1802, 0x0400);
TAL_VAR_TRAITS(unsigned char, 0x1002, 0x0C00);
TAL_VAR_TRAITS(short, 0x2802, 0x0400);
TAL_VAR_TRAITS(unsigned short, 0x2002, 0x0C00);
TAL_VAR_TRAITS(int, 0x4802, 0x0400);
TAL_VAR_TRAITS(unsigned int, 0x4002, 0x0C00);
TAL_VAR_TRAITS(long long, 0x8802, 0x0400);
TAL_VAR_TRAITS(unsigned long long, 0x8002, 0x0C00);
TAL_VAR_TRAITS(float, 0x4402, 0x0000);
TAL_VAR_TRAITS(double, 0x8402, 0x0000);

#undef TAL_VAR_TRAITS

}  // namespace var
}  // namespace tal

#endif
