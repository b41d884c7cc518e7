// Every failure of the reader: exception class, message and throw site.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "quillet/test/quillet_bytes.h"

using quillet_test::h;
using quillet_test::Record;

namespace {

const std::string kRead = "const T& quillet::Buffer::read(unsigned int) const [with T = ";
const std::string kPtr = "const void* quillet::Buffer::ptr(unsigned int, unsigned int) const";
const std::string kTop =
    "static quillet::Iterator quillet::Reader<T>::getIterator(const T&) [with T = quillet::buffer::buffer]";
const std::string kInit = "void quillet::Reader<T>::init() [with T = quillet::buffer::buffer]";
const std::string kName = "const char* quillet::ObjectIterator::getName() const";

void top(const quillet::Buffer& buf) { quillet::buffer::Reader::getIterator(buf); }
void open(const quillet::Buffer& buf) { quillet::buffer::Reader r(buf); }
void walk(const quillet::Buffer& buf) { quillet_test::walk_record(buf); }
// A child reader over the first item of the container at the top.
void open_first(const quillet::Buffer& buf)
{
    quillet::buffer::Reader parent(buf);
    quillet::Iterator it;
    if (parent.next(it)) quillet::buffer::Reader child(parent, it);
}

struct Failure {
    const char* record;
    void (*run)(const quillet::Buffer&);
    const char* exception;
    const char* message;
    std::string function;
};

// "class|message|function" of what run throws over the record.
std::string thrown(const Failure& c)
{
    Record r(h(c.record));
    try {
        c.run(r.buf);
    } catch (const tal::Exception& e) {
        return std::string(e.name()) + "|" + e.what() + "|" + e.function();
    }
    return "nothing thrown";
}

const char* const kBound = "tal::OutOfBoundException";
const char* const kParse = "tal::ParseErrorException";

TEST(QuilletFailure, EveryFailureWithItsExceptionMessageAndSite)
{
    const Failure cases[] = {
        // Headers and values that run past the buffer's end.
        {"", top, kBound, "Buffer overflow", kRead + "unsigned char]"},
        {"", open, kBound, "Buffer overflow", kRead + "unsigned char]"},
        {"61", top, kBound, "Buffer overflow", kRead + "quillet::protocol::short_item]"},
        {"d0 00", top, kBound, "Buffer overflow", kRead + "quillet::protocol::short_vitem]"},
        {"50 00 000000", top, kBound, "Buffer overflow", kRead + "quillet::protocol::long_vitem]"},
        {"14 00 2a0000", top, kBound, "Buffer overflow", kPtr},
        {"50 00 06000000 68656c6c6f", top, kBound, "Buffer overflow", kPtr},
        {"e0 05 00 61626300", top, kBound, "Buffer overflow", kPtr},
        {"10 00 02000000 0000", open, kBound, "Buffer overflow", kRead + "quillet::protocol::long_pack]"},
        {"20 00 08000000 00000000", open, kBound, "Buffer overflow", kPtr},
        {"20 05 04000000 00", open, kBound, "Buffer overflow", kPtr},
        {"20 00 0a000000 01000000 50 00 ff000000", walk, kBound, "Buffer overflow", kPtr},
        {"20 00 09000000 01000000 d0 ff 00 6100", walk, kBound, "Buffer overflow", kPtr},
        {"20 00 05000000 01000000 14", walk, kBound, "Buffer overflow",
         kRead + "quillet::protocol::short_item]"},
        // The trailing partial element of an isoarray ends past the buffer.
        {"30 00 07000000 14 01000000 0203", walk, kBound, "Buffer overflow", kPtr},
        // A record never starts with a deleted item.
        {"00", top, kParse, "bad data", kTop},
        {"80 00 00", top, kParse, "bad data", kTop},
        {"05 00 0000000000", top, kParse, "bad data", kTop},
        // Only the four container codes open a reader.
        {"14 00 2a000000", open, kParse, "bad data", kInit},
        {"90 00 04 00000000", open, kParse, "bad data", kInit},
        {"14 00 04000000 00000000", open, kParse, "bad data", kInit},
        {"00 00 04000000 00000000", open, kParse, "bad data", kInit},
        {"20 00 0a000000 01000000 14 00 2a000000", open_first, kParse, "bad data", kInit},
        {"30 00 02000000 91 00", open_first, kParse, "bad data", kInit},
        // Isoarray element types need a size nibble and a bit above it.
        {"30 00 02000000 10 00", open, kParse, "bad data", kInit},
        {"30 00 02000000 04 00", open, kParse, "bad data", kInit},
        // An isoarray without its element-type byte.
        {"30 00 00000000 14 01000000", open, kParse, "bad data", kInit},
        // Members of objects need a name ending in NUL.
        {"10 00 07000000 01000000 61 00 00", walk, kParse, "bad data", kName},
        {"10 00 08000000 01000000 61 01 61 00", walk, kParse, "bad data", kName},
    };
    for (const Failure& c : cases)
        EXPECT_EQ(thrown(c), std::string(c.exception) + "|" + c.message + "|" + c.function) << c.record;
}

TEST(QuilletFailure, ANextThatFailedFailsAgain)
{
    Record r(h("20 00 0b000000 02000000 21 00 01 50 00 ff000000"));
    quillet::buffer::Reader reader(r.buf);
    quillet::Iterator it;
    ASSERT_TRUE(reader.next(it));
    EXPECT_THROW(reader.next(it), tal::OutOfBoundException);
    EXPECT_THROW(reader.next(it), tal::OutOfBoundException);
    reader.reset();
    EXPECT_TRUE(reader.next(it));
}

TEST(QuilletFailure, StoredCountsAreTakenAsStored)
{
    // Nothing compares the count with the items present, also when the bytes
    // could not hold that many; a value length below the 4 count bytes still
    // reads them (inside the buffer) and ends the walk at once.
    struct Case {
        const char* record;
        uint32_t count;
        const char* walked;
    } cases[] = {
        {"20 00 0d000000 03000000 610000 610000 610000", 3, "[61:00,61:00,61:00]"},
        {"20 00 0d000000 04000000 610000 610000 610000", 4, "[61:00,61:00,61:00]"},
        {"10 00 04000000 ffffffff", 0xffffffff, "{}"},
        {"40 00 07000000 02000000 010000", 2, "{}"},
        {"20 00 02000000 05000000", 5, "[]"},
        {"20 00 00000000 01000000", 1, "[]"},
    };
    for (const auto& c : cases) {
        Record r(h(c.record));
        EXPECT_EQ(quillet::buffer::Reader(r.buf).count(), c.count) << c.record;
        EXPECT_EQ(quillet_test::walk_record(r.buf), c.walked) << c.record;
    }
}

}  // namespace
