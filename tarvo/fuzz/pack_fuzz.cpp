// libFuzzer target over hostile pack bytes of both versions: open, check,
// walk every nested container reading every value byte, then write into the
// opened pack and walk it again. Besides the sanitizers it traps when a
// refused put changed a byte, or when appends made a valid pack invalid.
//
// Built and run by scripts/run-fuzz (TARVO_FUZZ, clang only).
//
// Input: two control bytes, then the pack bytes. The first control byte is
// the room the buffer has past the given bytes, the second picks the temp
// area's size (from the version-1 minimum upwards, so small areas exercise
// the lookup index fallback, or 64 KiB) and its misalignment.
#include "pack_walk.h"
#include "tarvo.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// What the walk hands out must lie within the opened buffer and belong to
// the container walked; every other getter runs on each container and item.
struct Checks : tarvo_test::WalkHooks {
    Checks(const char* begin, const char* end) : begin(begin), end(end) {}
    void container(const tarvo_t* pack) override
    {
        tarvo_get_item_count(pack);
        tarvo_get_size(pack);
        tarvo_valid(pack);
    }
    void item(const tarvo_t* pack, const tarvo_item_t& it) override
    {
        if (it.pack != pack) __builtin_trap();
        if (it.value < begin || it.value > end || it.value_size > static_cast<size_t>(end - it.value))
            __builtin_trap();
        // The getter of the other container type (and both for a scalar).
        tarvo_t* child = nullptr;
        if (it.type != TARVO_TYPE_OBJECT && tarvo_get_pack_from_item(&it, &child) == 0) tarvo_finish(child);
        if (it.type != TARVO_TYPE_ARRAY && tarvo_get_array_from_item(&it, &child) == 0) tarvo_finish(child);
    }
    const char* begin;
    const char* end;
};

bool refused(int r) { return r != 0; }
bool refused(tarvo_t* p) { return TARVO_PTR_ERR(p) != 0; }

// Runs one put: a refused put must leave every byte of the buffer as it was.
template <class Put>
auto guarded(const std::vector<char>& buf, Put put)
{
    const std::vector<char> before(buf);
    auto r = put();
    if (refused(r) && before != buf) __builtin_trap();
    return r;
}

// Appends items of every type, nested containers included.
void fill(const std::vector<char>& buf, tarvo_t* pack, bool array)
{
    const char* n = array ? nullptr : "f";
    guarded(buf, [&] { return tarvo_put_int32(pack, n, -1); });
    guarded(buf, [&] { return tarvo_put_uint32(pack, n, 2); });
    guarded(buf, [&] { return tarvo_put_int64(pack, n, -3); });
    guarded(buf, [&] { return tarvo_put_uint64(pack, n, 4); });
    guarded(buf, [&] { return tarvo_put_double(pack, n, 0.5); });
    guarded(buf, [&] { return tarvo_put_bool(pack, n, 7); });
    guarded(buf, [&] { return tarvo_put_null(pack, n); });
    guarded(buf, [&] { return tarvo_put_str(pack, n, "text"); });
    guarded(buf, [&] { return tarvo_put_raw(pack, n, "\0\1", 2); });
    tarvo_t* o = guarded(buf, [&] { return tarvo_put_object(pack, array ? nullptr : "fo"); });
    guarded(buf, [&] { return tarvo_put_str(o, "s", "v"); });
    tarvo_t* a = guarded(buf, [&] { return tarvo_put_array(o, "fa"); });
    guarded(buf, [&] { return tarvo_put_int32(a, nullptr, 1); });
    tarvo_finish(a);
    tarvo_finish(o);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const size_t room = data[0];
    // The largest choice holds the lookup indexes of big containers too.
    const int tmp_size = (data[1] >> 3) == 31 ? 1 << 16 : 96 + 8 * (data[1] >> 3);
    const size_t misalign = data[1] & 7;
    data += 2;
    size -= 2;

    // Exactly sized heap blocks, so that any read past them is caught.
    std::vector<char> buf(data, data + size);
    buf.resize(size + room);
    std::vector<char> tmp_store(static_cast<size_t>(tmp_size) + misalign);
    char* tmp = tmp_store.data() + misalign;
    if (buf.empty()) return 0;

    tarvo_t* p = tarvo_open_rw(buf.data(), static_cast<int>(buf.size()), tmp, tmp_size);
    if (TARVO_PTR_ERR(p) != 0) return 0;
    Checks checks(buf.data(), buf.data() + buf.size());
    tarvo_test::walk(p, checks);
    const bool valid = tarvo_valid(p) == 1;

    // A descriptor taken before the writes, used after them.
    tarvo_item_t stale;
    const bool have_stale = tarvo_first_item(p, &stale) == 0;

    // Names and values handed out by the pack go back into it.
    tarvo_item_t it;
    int copies = 8;
    for (int r = tarvo_first_item(p, &it); r == 0; r = tarvo_next_item(&it, &it)) {
        if (copies > 0 && (it.type == TARVO_TYPE_RAW || it.type == TARVO_TYPE_STR)) {
            --copies;
            guarded(buf,
                    [&] { return tarvo_put_raw(p, it.key, it.value, static_cast<unsigned>(it.value_size)); });
            if (it.type == TARVO_TYPE_STR) guarded(buf, [&] { return tarvo_put_str(p, it.key, it.value); });
        }
        tarvo_t* child = nullptr;
        if (tarvo_get_pack_from_item(&it, &child) == 0) {
            fill(buf, child, false);
            tarvo_finish(child);
        } else if (tarvo_get_array_from_item(&it, &child) == 0) {
            fill(buf, child, true);
            tarvo_finish(child);
        }
    }
    fill(buf, p, false);
    fill(buf, p, true);
    // Appends keep a well-formed pack well-formed.
    if (valid && tarvo_valid(p) != 1) __builtin_trap();
    tarvo_test::walk(p, checks);
    if (have_stale) {
        tarvo_next_item(&stale, &stale);
        tarvo_t* child = nullptr;
        if (tarvo_get_pack_from_item(&stale, &child) == 0) tarvo_finish(child);
    }
    tarvo_close(p);
    fill(buf, p, false);
    tarvo_get_size(p);
    tarvo_get_buffer(p);
    tarvo_finish(p);
    return 0;
}
