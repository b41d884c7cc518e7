// Writes the seed corpus of text_fuzz: every string literal of the given
// test sources (the texts the conversions are tested with), one file each.
//   text_seeds <corpus dir> <test source>...
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <corpus dir> <test source>...\n", argv[0]);
        return 2;
    }
    std::set<std::string> texts;
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i]);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        const std::string src((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // Literals as written: escapes stay as their characters, which
        // only adds variety to the seeds.
        for (size_t at = src.find('"'); at != std::string::npos; at = src.find('"', at + 1)) {
            size_t end = at + 1;
            while (end < src.size() && src[end] != '"' && src[end] != '\n') end += src[end] == '\\' ? 2 : 1;
            if (end >= src.size() || src[end] != '"') continue;
            texts.insert(src.substr(at + 1, end - at - 1));
            at = end;
        }
    }
    int n = 0;
    for (const std::string& t : texts) {
        const std::string path = std::string(argv[1]) + "/text" + std::to_string(n++);
        std::ofstream(path, std::ios::binary) << t;
    }
    std::printf("%d seeds in %s\n", n, argv[1]);
    return 0;
}
