// Golden bytes of a version-1 pack, shared by the engine and plain-function tests.
#ifndef TARVO_TEST_V1_GOLDEN_H
#define TARVO_TEST_V1_GOLDEN_H

#include "golden_hex.h"

namespace tarvo_test {

// A version-1 pack of 148 bytes in a 256-byte buffer:
// i:int32 -2; o:{s:"hi"}; a:[bool 2, null, {x:uint64 1}]
const char V1_NESTED[] =
    // header: magic, header length 24, root object, 3 items, room 108, length 148
    "50434b00 18000000 02000000 03000000 6c000000 94000000"
    // int32 "i" = -2
    "15 0200 04000000 6900 feffffff"
    // object "o": value 22 bytes, 1 child, parent = root
    "02 0200 16000000 6f00 01000000 00000000"
    //   str "o,s" = "hi"
    "20 0400 03000000 6f2c7300 686900"
    // array "a": value 71 bytes, 3 children, parent = root
    "04 0200 47000000 6100 03000000 00000000"
    //   bool "a:0" stored as 1
    "30 0400 01000000 613a3000 01"
    //   null "a:1"
    "40 0400 00000000 613a3100"
    //   object "a:2": value 29 bytes, 1 child, parent = the array at 0x44
    "02 0400 1d000000 613a3200 01000000 44000000"
    //     uint64 "a:2,x" = 1
    "1a 0600 08000000 613a322c7800 0100000000000000";

}  // namespace tarvo_test

#endif
