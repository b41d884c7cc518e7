// libFuzzer target over hostile quillet bytes: the deserializer in both copy
// modes, the text dump of every tree it builds, and the conversion routine
// with a threshold below and one far above what the record needs. Besides
// the sanitizers it traps when anything outside the exception family leaves
// them, or when a conversion that reports success left a pack that is not
// valid.
//
// Built and run by scripts/run-fuzz (TARVO_FUZZ, clang only).
//
// Input: one control byte, then the record. The control byte adds to the
// small threshold (half the record's size) and picks the dumps' verbosity.
#include "pack_walk.h"
#include "quillet2tarvo.h"
#include "tal/ResourcePool.h"
#include "tal/exception/tal_exception.h"
#include "tal/var/utils/dump.h"
#include "talext/var/serializer/QuilletDeserializer.h"
#include "tarvo.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

using tal::var::QuilletDeserializer;

// Room of the large threshold: every trial from the record's size up fits.
const size_t LARGE_THRESHOLD = 1 << 20;

void deserialize(const char* record, size_t size, QuilletDeserializer::copy_option_t copy,
                 size_t verbose_level)
{
    tal::ResourcePool rp;
    QuilletDeserializer d(rp);
    d.set_copy_option(copy);
    try {
        const tal::var::IVar& tree = d.deserialize(record, size);
        tal::string text;
        tal::var::dump_to_string(tree, text, verbose_level, "\n", 2, 0);
    } catch (const tal::Exception& e) {
        e.what();
    }
}

// A pack the routine reports as written must open and check as valid, and
// every byte the walk hands out is read.
void check_pack(char* pack, size_t size)
{
    std::vector<char> tmp(4096);
    tarvo_t* p = tarvo_open_rw(pack, static_cast<int>(size), tmp.data(), static_cast<int>(tmp.size()));
    if (TARVO_PTR_ERR(p) != 0 || tarvo_get_version(p) != 2 || tarvo_valid(p) != 1) __builtin_trap();
    tarvo_test::WalkHooks hooks;
    tarvo_test::walk(p, hooks);
    tarvo_finish(p);
}

void convert(const char* record, size_t size, size_t threshold)
{
    // Exactly the threshold's size, so a write past it is caught.
    std::unique_ptr<char[]> out(new char[threshold]);
    size_t written = 0;
    try {
        if (quillet2tarvo(record, size, out.get(), &written, threshold) != 0) return;
    } catch (const tal::Exception& e) {
        e.what();
        return;
    }
    if (written >= threshold) __builtin_trap();
    check_pack(out.get(), written);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Stack traces of the many expected exceptions only slow the search.
    tal::Exception::set_stack_trace_level(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const uint8_t control = data[0];
    // An exactly sized heap copy, so that any read past the record is caught.
    std::unique_ptr<char[]> record(new char[size - 1]);
    std::copy(data + 1, data + size, record.get());
    --size;

    for (auto copy : {QuilletDeserializer::DEEP, QuilletDeserializer::SHALLOW})
        deserialize(record.get(), size, copy, control & 3);
    convert(record.get(), size, size / 2 + control + 1);
    convert(record.get(), size, LARGE_THRESHOLD);
    return 0;
}
