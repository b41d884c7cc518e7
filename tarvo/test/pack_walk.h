// The one depth-first walk over a pack of either version and everything
// nested in it, shared by the tests and the fuzz target, and the two traces
// the tests compare.
#ifndef TARVO_TEST_PACK_WALK_H
#define TARVO_TEST_PACK_WALK_H

#include "golden_hex.h"
#include "tarvo.h"

#include <cstring>
#include <string>

namespace tarvo_test {

// What a walk reports; every hook is optional.
struct WalkHooks {
    virtual ~WalkHooks() = default;
    // Each container once, before its items are read.
    virtual void container(const tarvo_t* pack) { (void)pack; }
    // Each item of pack, before a nested container's items.
    virtual void item(const tarvo_t* pack, const tarvo_item_t& it)
    {
        (void)pack;
        (void)it;
    }
    // Around the items of a nested container; leave only when they read cleanly.
    virtual void enter() {}
    virtual void leave() {}
};

// Deepest nesting a walk follows.
constexpr int WALK_DEPTH = 64;

// 0 when every item was reached, else the first code other than the end
// (-8 past WALK_DEPTH nested containers). Every key and value byte is read,
// so that the sanitizer sees a descriptor leading outside the pack.
inline int walk(const tarvo_t* pack, WalkHooks& hooks, int depth = 0)
{
    if (depth > WALK_DEPTH) return TARVO_ERR_BAD_DATA;
    hooks.container(pack);
    volatile unsigned sum = 0;  // keeps the reads
    tarvo_item_t it;
    int r = tarvo_first_item(pack, &it);
    for (; r == 0; r = tarvo_next_item(&it, &it)) {
        for (size_t i = 0; i < it.value_size; ++i) sum += static_cast<unsigned char>(it.value[i]);
        sum += static_cast<unsigned>(std::strlen(it.key));
        hooks.item(pack, it);
        if (it.type != TARVO_TYPE_OBJECT && it.type != TARVO_TYPE_ARRAY) continue;
        tarvo_t* child = nullptr;
        int c = it.type == TARVO_TYPE_OBJECT ? tarvo_get_pack_from_item(&it, &child)
                                             : tarvo_get_array_from_item(&it, &child);
        if (c != 0) return c;
        hooks.enter();
        c = walk(child, hooks, depth + 1);
        tarvo_finish(child);
        if (c != 0) return c;
        hooks.leave();
    }
    (void)sum;
    return r == TARVO_ERR_NOT_FOUND ? 0 : r;
}

// One line per item: its key, its plain type code and its value bytes in hex
// (for an object or array the value's length in brackets).
struct LineTrace : WalkHooks {
    void item(const tarvo_t*, const tarvo_item_t& it) override
    {
        text += it.key;
        text += ' ' + std::to_string(it.type);
        if (it.type == TARVO_TYPE_OBJECT || it.type == TARVO_TYPE_ARRAY)
            text += " (" + std::to_string(it.value_size) + ")";
        else if (it.value_size)
            text += ' ' + to_hex(it.value, it.value_size);
        text += '\n';
    }
    std::string text;
};

// "key:type " per item, nested items in braces.
struct BraceTrace : WalkHooks {
    void item(const tarvo_t*, const tarvo_item_t& it) override
    {
        text += std::string(it.key) + ":" + std::to_string(it.type) + " ";
    }
    void enter() override { text += "{ "; }
    void leave() override { text += "} "; }
    std::string text;
};

// The walk with its trace appended to *out (when out is given).
template <class Trace>
int walk_traced(const tarvo_t* pack, std::string* out)
{
    Trace trace;
    int r = walk(pack, trace);
    if (out) *out += trace.text;
    return r;
}

inline int walk_pack(const tarvo_t* pack, std::string* out) { return walk_traced<LineTrace>(pack, out); }
inline int walk_all(const tarvo_t* pack, std::string* out = nullptr)
{
    return walk_traced<BraceTrace>(pack, out);
}

}  // namespace tarvo_test

#endif  // TARVO_TEST_PACK_WALK_H
