#ifndef TAL_POOL_TAL_POOL_H
#define TAL_POOL_TAL_POOL_H

#include <cstddef>

namespace tal {

// A source of raw memory. A block goes back to the source that gave it, with
// the byte count that was asked for; holders never own or delete the source,
// which must outlive every block it handed out.
class mempool {
public:
    mempool() {}
    // A block of at least size bytes aligned as ::malloc aligns, or null when
    // the source cannot supply it. Never throws: the holder decides what a
    // refusal means.
    virtual void* malloc(size_t size) = 0;
    // Takes back a block of this source; size is what malloc was asked for.
    virtual void free(void* p, size_t size) = 0;
    virtual ~mempool() {}
};

// The process heap: ::malloc and ::free, size ignored on the way back.
class syspool : public mempool {
public:
    syspool() {}
    void* malloc(size_t size) override;
    void free(void* p, size_t size) override;
    ~syspool() override;
};

}  // namespace tal

#endif
