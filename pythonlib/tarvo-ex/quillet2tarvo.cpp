#include "quillet2tarvo.h"

#include <limits.h>

#include "tal/ResourcePool.h"
#include "talext/var/serializer/QuilletDeserializer.h"
#include "talext/var/serializer/TarvoSerializer.h"
#include "tarvo.h"

namespace {

// The capacity after c, or 0 when doubling would pass limit (or c is 0 and
// could never grow).
size_t next_capacity(size_t c, size_t limit) { return c == 0 || c > limit / 2 ? 0 : c * 2; }

}  // namespace

int quillet2tarvo(const char* quillet, size_t quillet_size, char* tarvo, size_t* tarvo_size,
                  const size_t max_tarvo_size) {
  if (tarvo == NULL || tarvo_size == NULL) {
    throw tal::NullPointerException()
        << TAL_EXCEPTION_ARG << (tarvo == NULL ? "tarvo" : "tarvo_size");
  }
  // Everything below, the tree and every trial's handles, goes with rp.
  tal::ResourcePool rp;
  tal::var::QuilletDeserializer deserializer(rp);
  const tal::var::IVar& root = deserializer.deserialize(quillet, quillet_size);
  tal::var::TarvoSerializer serializer;
  // Capacities are handed to the pack interface as int.
  const size_t limit = max_tarvo_size < static_cast<size_t>(INT_MAX) ? max_tarvo_size : INT_MAX;
  for (size_t c = quillet_size; c != 0 && c <= limit; c = next_capacity(c, limit)) {
    size_t n = 0;
    try {
      tarvo_t* pack = tarvo_open_w_rp(2, tarvo, static_cast<int>(c), &rp);
      n = serializer.serialize(root, pack);
      tarvo_close(pack);
    } catch (const tal::var::TarvoSerializerException&) {
      continue;
    }
    // A capacity equal to the threshold is tried, but only one below it
    // counts as success.
    if (c >= max_tarvo_size) return -1;
    *tarvo_size = n;
    return 0;
  }
  return -1;
}
