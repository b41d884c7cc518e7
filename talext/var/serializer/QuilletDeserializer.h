// Quillet records to value trees.
#ifndef TALEXT_VAR_SERIALIZER_QUILLETDESERIALIZER_H
#define TALEXT_VAR_SERIALIZER_QUILLETDESERIALIZER_H

#include <cstddef>
#include <cstdint>

#include "quillet/quillet.h"
#include "tal/ResourcePool.h"
#include "tal/var/IVar.h"
#include "talext/var/serializer/IBinaryDeserializer.h"

namespace tal {
namespace var {

// Size in bytes of the item at offset 0 of buffer, as far as the bytes
// present tell: the header's own size (2, 3 or 6) when even the header is cut
// short, 0 when the type byte marks a deleted item. Counted in 64 bits, so a
// long item near the format's 32-bit limit never wraps into a size that seems
// to fit. An empty buffer throws the reader's "Buffer overflow".
size_t getQuilletSize(const quillet::Buffer& buffer);

// Builds one quillet record at a time into a value tree in a resource pool:
// objects become Dicts, arrays and isoarrays Arrays, object-isoarrays Arrays
// of one Dict per row, numbers Number<T> of the same width and sign, booleans
// Bool, strings String (ShallowString when borrowed), raw bytes ShallowRaw,
// null the shared Null::null.
//
// Every value of a tree (and every copied text, byte block and key) belongs
// to the pool and stays valid until the pool is reset or destroyed, also
// after later parses and after the deserializer is gone. Nesting is limited
// by the reader (quillet::MAX_DEPTH levels, tal::ParseErrorException).
class QuilletDeserializer : public IBinaryDeserializer {
public:
    // How string and raw items are taken.
    enum copy_option_t {
        // Views into the input buffer, which must then outlive the tree.
        SHALLOW = 0,
        // Copies into the pool; the tree refers to nothing of the input.
        DEEP = 1,
    };

    // rp must outlive every tree built here; the result starts as the null.
    explicit QuilletDeserializer(tal::ResourcePool& rp);
    ~QuilletDeserializer() override;

    // The size of the record at the head of buf (getQuilletSize over its
    // first max_size bytes); when it is at most max_size the record is parsed
    // and becomes the result. A failed parse leaves the result as it was;
    // what it built stays in the pool, unreachable.
    size_t try_deserialize(const void* buf, size_t max_size) override;
    IVar& get_result() const override;

    // There are no options: -1 for every argument, nothing changes.
    int set_opt(int optname, const void* optval, size_t optlen);
    void set_copy_option(copy_option_t copy_opt) { _copy_opt = copy_opt; }
    copy_option_t get_copy_option() const { return _copy_opt; }

private:
    typedef IVar& (QuilletDeserializer::*container_builder_t)(quillet::buffer::Reader&);
    typedef IVar& (*scalar_builder_t)(tal::ResourcePool&, copy_option_t, const quillet::Iterator&);
    // What a type byte turns into: at most one of the two is set.
    struct item_kind_t {
        scalar_builder_t scalar;
        container_builder_t container;
    };
    static const item_kind_t& _s_kind(uint8_t type);

    QuilletDeserializer(const QuilletDeserializer&) = delete;
    QuilletDeserializer& operator=(const QuilletDeserializer&) = delete;

    // The item it that reader delivered.
    IVar& _deserialize_value(const quillet::buffer::Reader& reader, const quillet::Iterator& it);
    // A container item, read by a child reader. Kept out of line: the
    // child reader's frame would otherwise burden every scalar.
    __attribute__((noinline)) IVar& _deserialize_child(container_builder_t container,
                                                       const quillet::buffer::Reader& reader,
                                                       const quillet::Iterator& it);
    // A scalar item built by scalar, which needs no reader; a type byte
    // without a builder (scalar null) is refused.
    IVar& _deserialize_scalar(scalar_builder_t scalar, const quillet::Iterator& it);
    IVar& _deserialize_dict(quillet::buffer::Reader& reader);
    IVar& _deserialize_array(quillet::buffer::Reader& reader);
    IVar& _deserialize_objectisoarray(quillet::buffer::Reader& reader);

    tal::ResourcePool& _rp;
    IVar* _pres;
    copy_option_t _copy_opt;
};

}  // namespace var
}  // namespace tal

#endif
