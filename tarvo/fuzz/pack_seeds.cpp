// Writes the seed corpus of pack_fuzz: the tests' valid packs of both
// versions, empty ones and ones with many siblings, each behind the
// fuzzer's two control bytes (no room, some room and a full byte of room
// past the pack; the smallest temp area, a middle one misaligned, and the
// largest, which holds lookup indexes).
//   pack_seeds <corpus dir>
#include "pack_walk.h"
#include "tarvo.h"
#include "v1_golden.h"
#include "v2_support.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// An empty root object of the given version, as exactly its bytes.
std::vector<char> empty_pack(int version)
{
    std::vector<char> buf(64), tmp(256);
    tarvo_t* p = tarvo_open_w(version, buf.data(), int(buf.size()), tmp.data(), int(tmp.size()));
    buf.resize(tarvo_get_size(p));
    tarvo_finish(p);
    return buf;
}

// Enough siblings for the lookup index of an object, every fourth an object.
std::vector<char> many_siblings(int version)
{
    std::vector<char> buf(4096), tmp(1 << 16);
    tarvo_t* p = tarvo_open_w(version, buf.data(), int(buf.size()), tmp.data(), int(tmp.size()));
    for (int i = 0; i < 40; ++i) {
        const std::string name = "s" + std::to_string(i);
        if (i % 4 == 0)
            tarvo_finish(tarvo_put_object(p, name.c_str()));
        else
            tarvo_put_int32(p, name.c_str(), i);
    }
    buf.resize(tarvo_get_size(p));
    tarvo_finish(p);
    return buf;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus dir>\n", argv[0]);
        return 2;
    }
    const std::vector<char> packs[] = {
        tarvo_test::hex_bytes(tarvo_test::V1_NESTED),
        tarvo_test::v2_sample(),
        empty_pack(1),
        empty_pack(2),
        many_siblings(1),
        many_siblings(2),
    };
    const unsigned char controls[][2] = {{0, 0}, {64, 0x43}, {255, 0xf8}};
    int n = 0;
    for (const std::vector<char>& pack : packs) {
        for (const auto& control : controls) {
            std::ofstream out(std::string(argv[1]) + "/pack" + std::to_string(n++), std::ios::binary);
            out.write(reinterpret_cast<const char*>(control), 2);
            out.write(pack.data(), std::streamsize(pack.size()));
        }
    }
    std::printf("%d seeds in %s\n", n, argv[1]);
    return 0;
}
