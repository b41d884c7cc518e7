#ifndef TAL_TEST_RECORDING_POOL_H
#define TAL_TEST_RECORDING_POOL_H

#include <cstdio>
#include <string>
#include <vector>

#include "tal/test/counting_pool.h"

namespace tal_test {

// One log per test of what memory sources and probes did, in order.
inline std::vector<std::string>& event_log()
{
    static std::vector<std::string> log;
    return log;
}

inline void note(const std::string& event) { event_log().push_back(event); }

// Counting pool that also notes "malloc <n>", "refused <n>" and "free <n>".
class RecordingPool : public CountingPool {
public:
    void* malloc(size_t size) override
    {
        void* p = CountingPool::malloc(size);
        note((p ? "malloc " : "refused ") + std::to_string(size));
        return p;
    }
    void free(void* p, size_t size) override
    {
        note("free " + std::to_string(size));
        CountingPool::free(p, size);
    }
};

// An address as "%p" renders it, for the texts of out-of-memory messages.
inline std::string address_text(const void* p)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%p", p);
    return buf;
}

typedef std::vector<std::string> Events;

}  // namespace tal_test

#endif
