// The peer a C++ user would pick: msgpack-c packing the same keys and
// values into maps (arrays for arrays) and unpacking them again.
#ifndef TARVO_BENCH_MSGPACK_PEER_H
#define TARVO_BENCH_MSGPACK_PEER_H

#include "workload.h"

#include <msgpack.h>

namespace bench {

inline void msgpack_put(msgpack_packer& pk, const Value& v)
{
    switch (v.kind) {
        case Value::INT32:
        case Value::INT64:
            msgpack_pack_int64(&pk, v.number);
            break;
        case Value::DOUBLE:
            msgpack_pack_double(&pk, v.real);
            break;
        case Value::BOOL:
            (v.number & 1) ? msgpack_pack_true(&pk) : msgpack_pack_false(&pk);
            break;
        case Value::STR:
            msgpack_pack_str(&pk, v.bytes.size());
            msgpack_pack_str_body(&pk, v.bytes.data(), v.bytes.size());
            break;
        case Value::RAW:
            msgpack_pack_bin(&pk, v.bytes.size());
            msgpack_pack_bin_body(&pk, v.bytes.data(), v.bytes.size());
            break;
        case Value::OBJECT:
            msgpack_pack_map(&pk, v.children.size());
            for (const Value& c : v.children) {
                msgpack_pack_str(&pk, c.key.size());
                msgpack_pack_str_body(&pk, c.key.data(), c.key.size());
                msgpack_put(pk, c);
            }
            break;
        case Value::ARRAY:
            msgpack_pack_array(&pk, v.children.size());
            for (const Value& c : v.children) msgpack_put(pk, c);
            break;
    }
}

// Packs the tree into sbuf (cleared first, its memory kept between runs).
inline void msgpack_build(msgpack_sbuffer& sbuf, const Value& tree)
{
    msgpack_sbuffer_clear(&sbuf);
    msgpack_packer pk;
    msgpack_packer_init(&pk, &sbuf, msgpack_sbuffer_write);
    msgpack_put(pk, tree);
}

inline void msgpack_read(const msgpack_object& o, Sink& sink)
{
    switch (o.type) {
        case MSGPACK_OBJECT_MAP:
            for (uint32_t i = 0; i < o.via.map.size; ++i) {
                // Keys are looked at, not copied, as a pack walk hands them out.
                sink.sum += o.via.map.ptr[i].key.via.str.size;
                msgpack_read(o.via.map.ptr[i].val, sink);
            }
            break;
        case MSGPACK_OBJECT_ARRAY:
            for (uint32_t i = 0; i < o.via.array.size; ++i) msgpack_read(o.via.array.ptr[i], sink);
            break;
        case MSGPACK_OBJECT_STR:
            sink.bytes(o.via.str.ptr, o.via.str.size);
            break;
        case MSGPACK_OBJECT_BIN:
            sink.bytes(o.via.bin.ptr, o.via.bin.size);
            break;
        default:
            sink.scalar(&o.via, sizeof(o.via.u64));
    }
}

// Unpacks the bytes and reads every value; false when they do not unpack.
inline bool msgpack_walk(const char* data, size_t size, Sink& sink)
{
    msgpack_unpacked result;
    msgpack_unpacked_init(&result);
    size_t off = 0;
    const bool ok = msgpack_unpack_next(&result, data, size, &off) == MSGPACK_UNPACK_SUCCESS;
    if (ok) msgpack_read(result.data, sink);
    msgpack_unpacked_destroy(&result);
    return ok;
}

}  // namespace bench

#endif  // TARVO_BENCH_MSGPACK_PEER_H
