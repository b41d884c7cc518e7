// Quillet records to version-2 packs, through a value tree.
#ifndef QUILLET2TARVO_H
#define QUILLET2TARVO_H

#include <stddef.h>

// Converts the quillet record in the quillet_size bytes at quillet into a
// version-2 pack at the start of tarvo, which holds max_tarvo_size bytes.
// Pack capacities from quillet_size up, doubling, are tried while they stay
// within max_tarvo_size (and within the pack interface's int sizes); one
// that succeeds below max_tarvo_size gives 0 with the pack's size stored at
// *tarvo_size. -1 when none did (*tarvo_size untouched; tarvo may hold a
// partial pack). A record that cannot be read, a root that is neither an
// object nor an array, a NULL tarvo or tarvo_size and exhausted memory leave
// as exceptions of the tal::Exception family.
int quillet2tarvo(const char* quillet, size_t quillet_size, char* tarvo, size_t* tarvo_size,
                  const size_t max_tarvo_size);

#endif
