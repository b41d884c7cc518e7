#ifndef TAL_TEST_COUNTING_POOL_H
#define TAL_TEST_COUNTING_POOL_H

#include <cstddef>
#include <cstdlib>
#include <map>

#include "tal/pool/tal_pool.h"

namespace tal_test {

// Memory source for tests: counts what it hands out and takes back, checks
// that every block comes back with the size it was asked for, and refuses on
// demand (all requests, or every request after a number of granted ones).
class CountingPool : public tal::mempool {
public:
    CountingPool() : mallocs(0), frees(0), refusals(0), bad_frees(0), _grants_left(-1) {}
    ~CountingPool() override
    {
        for (std::map<void*, size_t>::iterator it = _live.begin(); it != _live.end(); ++it) ::free(it->first);
    }

    void* malloc(size_t size) override
    {
        ++mallocs;
        if (_grants_left == 0) {
            ++refusals;
            return NULL;
        }
        if (_grants_left > 0) --_grants_left;
        // A zero-byte request still gets a distinct block to track.
        void* p = ::malloc(size ? size : 1);
        if (p) _live[p] = size;
        return p;
    }

    void free(void* p, size_t size) override
    {
        ++frees;
        std::map<void*, size_t>::iterator it = _live.find(p);
        if (it == _live.end() || it->second != size) {
            ++bad_frees;  // not ours, or the wrong size: leave it alone
            return;
        }
        _live.erase(it);
        ::free(p);
    }

    // Grants n more requests, then refuses every one; -1 grants all again.
    void refuse_after(long n) { _grants_left = n; }
    void refuse_all() { _grants_left = 0; }
    void grant_all() { _grants_left = -1; }

    size_t live_blocks() const { return _live.size(); }
    size_t live_bytes() const
    {
        size_t total = 0;
        for (std::map<void*, size_t>::const_iterator it = _live.begin(); it != _live.end(); ++it)
            total += it->second;
        return total;
    }
    // Size asked for the live block p, 0 when p is not a live block.
    size_t size_of(const void* p) const
    {
        std::map<void*, size_t>::const_iterator it = _live.find(const_cast<void*>(p));
        return it == _live.end() ? 0 : it->second;
    }

    size_t mallocs;    // requests, refused ones included
    size_t frees;      // returns, bad ones included
    size_t refusals;   // requests answered with null
    size_t bad_frees;  // returns of an unknown block or with the wrong size

private:
    CountingPool(const CountingPool&);
    CountingPool& operator=(const CountingPool&);

    std::map<void*, size_t> _live;
    long _grants_left;
};

}  // namespace tal_test

#endif
