// Bounds of the buffer view: every read and pointer of the reader goes
// through these two checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "quillet/test/quillet_bytes.h"

using quillet::Buffer;
namespace protocol = quillet::protocol;

namespace {

const char kBytes[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

template <typename T>
const void* read_at(const Buffer& buf, unsigned offset)
{
    return &buf.read<T>(offset);
}

// The exception's function text, or "" when none was thrown.
template <typename F>
std::string overflow_site(F f)
{
    try {
        f();
    } catch (const tal::OutOfBoundException& e) {
        EXPECT_STREQ(e.what(), "Buffer overflow");
        return e.function();
    }
    return "";
}

TEST(QuilletBuffer, PointerBoundsCompareAgainstWhatRemains)
{
    const Buffer buf(kBytes, sizeof kBytes);
    const std::string ptr_site = "const void* quillet::Buffer::ptr(unsigned int, unsigned int) const";
    struct Case {
        unsigned offset, length;
        bool fits;
    } cases[] = {
        {0, 10, true},           {10, 0, true},          {9, 1, true},           {0, 11, false},
        {10, 1, false},          {11, 0, false},         {6, UINT32_MAX, false},  // the sum would wrap to 5
        {UINT32_MAX, 11, false}, {UINT32_MAX, 0, false},
    };
    for (const Case& c : cases) {
        std::string site = overflow_site([&] { EXPECT_EQ(buf.ptr(c.offset, c.length), kBytes + c.offset); });
        EXPECT_EQ(site, c.fits ? "" : ptr_site) << c.offset << "+" << c.length;
    }
}

TEST(QuilletBuffer, ReadsEveryRecordTypeInPlaceUpToTheEnd)
{
    const Buffer buf(kBytes, sizeof kBytes);
    const std::string with = "const T& quillet::Buffer::read(unsigned int) const [with T = ";
    struct Case {
        std::string site;
        const void* (*read)(const Buffer&, unsigned);
        unsigned last_fitting;
    } cases[] = {
        {with + "unsigned char]", read_at<unsigned char>, 9},
        {with + "quillet::protocol::short_item]", read_at<protocol::short_item>, 8},
        {with + "quillet::protocol::short_vitem]", read_at<protocol::short_vitem>, 7},
        {with + "quillet::protocol::long_vitem]", read_at<protocol::long_vitem>, 4},
        {with + "quillet::protocol::long_pack]", read_at<protocol::long_pack>, 6},
        {with + "quillet::protocol::isoarray]", read_at<protocol::isoarray>, 9},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.read(buf, c.last_fitting), kBytes + c.last_fitting);
        EXPECT_EQ(overflow_site([&] { c.read(buf, c.last_fitting + 1); }), c.site);
        EXPECT_EQ(overflow_site([&] { c.read(buf, UINT32_MAX); }), c.site);
    }
}

TEST(QuilletBuffer, ViewsAtMostTheFormatsLimitNeverTheLow32Bits)
{
    // Only the size is looked at: nothing is read here.
    struct Case {
        size_t size;
        uint32_t capacity;
    } cases[] = {
        {0, 0},
        {10, 10},
        {UINT32_MAX, UINT32_MAX},
        {size_t(1) << 32, UINT32_MAX},
        {(size_t(1) << 32) + 5, UINT32_MAX},
        {SIZE_MAX, UINT32_MAX},
    };
    for (const Case& c : cases) EXPECT_EQ(Buffer(kBytes, c.size).capacity(), c.capacity) << c.size;
}

}  // namespace
