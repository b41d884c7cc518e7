// The data the benchmarks write and read: one tree of named values, built
// once, then written as a pack of either version (and as a msgpack map by
// the peer benchmarks) and read back value by value.
#ifndef TARVO_BENCH_WORKLOAD_H
#define TARVO_BENCH_WORKLOAD_H

#include "tarvo.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace bench {

struct Value {
    enum Kind { INT32, INT64, DOUBLE, BOOL, STR, RAW, OBJECT, ARRAY } kind;
    explicit Value(Kind kind, std::string key = std::string()) : kind(kind), key(std::move(key)) {}
    std::string key;  // empty inside an array
    int64_t number = 0;
    double real = 0;
    std::string bytes;  // str (without its NUL) and raw
    std::vector<Value> children;
};

inline Value scalar(std::string key, int i)
{
    Value v(static_cast<Value::Kind>(i % 4), std::move(key));
    v.number = i;
    v.real = i * 0.5;
    return v;
}

// (a) n small scalars (int32, int64, double, bool in turn) at the top level.
inline Value small_scalars(int n)
{
    Value root = Value(Value::OBJECT);
    for (int i = 0; i < n; ++i) root.children.push_back(scalar("k" + std::to_string(i), i));
    return root;
}

// (b) n raw values of size bytes each.
inline Value large_raws(int n, size_t size)
{
    Value root = Value(Value::OBJECT);
    for (int i = 0; i < n; ++i) {
        Value v(Value::RAW, "r" + std::to_string(i));
        v.bytes.assign(size, static_cast<char>('a' + i));
        root.children.push_back(std::move(v));
    }
    return root;
}

// (c) n records, each an object of scalars, a string, an array of eight
// numbers and a nested object.
inline Value nested_records(int n)
{
    Value root = Value(Value::OBJECT);
    for (int i = 0; i < n; ++i) {
        Value rec = Value(Value::OBJECT, "o" + std::to_string(i));
        rec.children.push_back(scalar("id", 1));
        Value name(Value::STR, "name");
        name.bytes = "record number " + std::to_string(i);
        rec.children.push_back(std::move(name));
        Value tags = Value(Value::ARRAY, "tags");
        for (int t = 0; t < 8; ++t) tags.children.push_back(scalar(std::string(), 4 * t));
        rec.children.push_back(std::move(tags));
        Value pos = Value(Value::OBJECT, "pos");
        pos.children.push_back(scalar("x", 2));
        pos.children.push_back(scalar("y", 6));
        rec.children.push_back(std::move(pos));
        root.children.push_back(std::move(rec));
    }
    return root;
}

// Writes the children of v into the open container pack; false on a refused put.
inline bool put_children(tarvo_t* pack, const Value& v)
{
    for (const Value& c : v.children) {
        const char* key = v.kind == Value::ARRAY ? nullptr : c.key.c_str();
        int r = 0;
        switch (c.kind) {
            case Value::INT32:
                r = tarvo_put_int32(pack, key, static_cast<int32_t>(c.number));
                break;
            case Value::INT64:
                r = tarvo_put_int64(pack, key, c.number);
                break;
            case Value::DOUBLE:
                r = tarvo_put_double(pack, key, c.real);
                break;
            case Value::BOOL:
                r = tarvo_put_bool(pack, key, c.number & 1);
                break;
            case Value::STR:
                r = tarvo_put_str(pack, key, c.bytes.c_str());
                break;
            case Value::RAW:
                r = tarvo_put_raw(pack, key, c.bytes.data(), static_cast<unsigned>(c.bytes.size()));
                break;
            case Value::OBJECT:
            case Value::ARRAY: {
                tarvo_t* child =
                    c.kind == Value::OBJECT ? tarvo_put_object(pack, key) : tarvo_put_array(pack, key);
                if (TARVO_PTR_ERR(child) != 0) return false;
                const bool ok = put_children(child, c);
                tarvo_finish(child);
                if (!ok) return false;
                break;
            }
        }
        if (r != 0) return false;
    }
    return true;
}

// Pack bytes of one version of a tree, with the buffers it is built in.
struct Packed {
    Packed(int version, const Value& tree, size_t capacity, size_t temp = size_t{64} << 20)
        : buf(capacity), tmp(temp), version(version)
    {
        size = build(tree);
    }
    // Builds the pack anew; its size, or -1 when a put was refused.
    int build(const Value& tree)
    {
        tarvo_t* p = tarvo_open_w(version, buf.data(), static_cast<int>(buf.size()), tmp.data(),
                                  static_cast<int>(tmp.size()));
        const int n = put_children(p, tree) ? tarvo_get_size(p) : -1;
        tarvo_finish(p);
        return n;
    }
    std::vector<char> buf, tmp;
    int version;
    int size;
};

// What reading a value costs a consumer: scalars into a number, text and
// raw bytes copied out one after the other, from the start of the scratch
// area again on each read of a whole pack (as memcpy reuses its target).
struct Sink {
    uint64_t sum = 0;
    size_t at = 0;
    std::vector<char> scratch = std::vector<char>(size_t{32} << 20);
    void rewind() { at = 0; }
    void scalar(const void* p, size_t n)
    {
        uint64_t v = 0;
        std::memcpy(&v, p, n < 8 ? n : 8);
        sum += v;
    }
    void bytes(const void* p, size_t n)
    {
        if (n > scratch.size() - at) at = 0;
        std::memcpy(scratch.data() + at, p, n);
        at += n;
        sum += n;
    }
};

// Reads every value of the pack, descending into nested containers.
inline void read_pack(const tarvo_t* pack, Sink& sink)
{
    tarvo_item_t it;
    for (int r = tarvo_first_item(pack, &it); r == 0; r = tarvo_next_item(&it, &it)) {
        switch (it.type) {
            case TARVO_TYPE_OBJECT:
            case TARVO_TYPE_ARRAY: {
                tarvo_t* child = nullptr;
                if ((it.type == TARVO_TYPE_OBJECT ? tarvo_get_pack_from_item(&it, &child)
                                                  : tarvo_get_array_from_item(&it, &child)) == 0) {
                    read_pack(child, sink);
                    tarvo_finish(child);
                }
                break;
            }
            case TARVO_TYPE_STR:
            case TARVO_TYPE_RAW:
                sink.bytes(it.value, it.value_size);
                break;
            default:
                sink.scalar(it.value, it.value_size);
        }
    }
}

}  // namespace bench

#endif  // TARVO_BENCH_WORKLOAD_H
