#ifndef TAL_TEST_POOL_PROBES_H
#define TAL_TEST_POOL_PROBES_H

#include <stdexcept>
#include <string>

#include "tal/ResourcePool.h"
#include "tal/test/recording_pool.h"

namespace tal_test {

// Objects created in a resource pool that note their construction, copies
// and destruction in the event log.
struct Probe {
    explicit Probe(int id) : id(id) { note("ctor " + std::to_string(id)); }
    Probe(int id, const std::string& tag) : id(id) { note("ctor " + std::to_string(id) + tag); }
    Probe(const Probe& other) : id(other.id) { note("copy " + std::to_string(id)); }
    virtual ~Probe() { note("dtor " + std::to_string(id)); }
    int id;
};

// A constructor that always fails after noting its attempt.
struct Thrower {
    explicit Thrower(int id)
    {
        note("throw " + std::to_string(id));
        throw std::runtime_error("probe refused");
    }
    virtual ~Thrower() { note("thrower dtor"); }
};

// Size of one record block, as the memory source sees it requested.
const size_t OBJECT_BLOCK = tal::ResourcePool::OBJECT_RECORD_BLOCK;
const size_t ARRAY_BLOCK = tal::ResourcePool::ARRAY_RECORD_BLOCK;

inline std::string pool_refusal_text(const tal::mempool* source, size_t size)
{
    return "_mempool[" + address_text(source) + "] size[" + std::to_string(size) + "]";
}

}  // namespace tal_test

#endif
