// Writes the seed corpus of quillet_fuzz: the tests' valid records and ones
// built with their record builder (a table, a deep nesting, an isoarray that
// widens sixfold in its pack), each behind the fuzzer's control byte (no
// extra threshold and the most).
//   quillet_seeds <corpus dir>
#include "quillet/test/quillet_bytes.h"
#include "talext/test/sample_record.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus dir>\n", argv[0]);
        return 2;
    }
    using namespace quillet_test;
    bytes deep = item(0x61, "", h("00"));
    for (int i = 0; i < 20; ++i)
        deep = container(i % 2 ? 0x10 : 0x20, i % 2 ? "" : "o", {deep});  // named inside objects
    const bytes records[] = {
        talext_test::sample_record(),
        container(0x10, "", {}),
        container(0x20, "", {item(0xd0, "", h("7800")), item(0xe0, "", h("0102")), item(0x31, "", h("01"))}),
        container(
            0x40, "rows",
            {isoarray("id", 0x24, h("01000000 02000000 03000000")),
             container(0x20, "name",
                       {item(0xd0, "", h("6100")), item(0xd0, "", h("6200")), item(0x50, "", h("6300"))})}),
        deep,
        isoarray("", 0x11, bytes(200, '\x85')),
    };
    int n = 0;
    for (const bytes& record : records) {
        for (const char control : {'\0', '\xff'}) {
            std::ofstream out(std::string(argv[1]) + "/record" + std::to_string(n++), std::ios::binary);
            out << control << record;
        }
    }
    std::printf("%d seeds in %s\n", n, argv[1]);
    return 0;
}
