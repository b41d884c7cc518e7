// The conversion routine quillet2tarvo on records from 1 KiB to 16 MiB, each
// beside a memcpy of the record's bytes; both report bytes of the record per
// second, so their ratio is the routine's share of the physical bound. The
// threshold leaves room for every trial by doubling, as a caller who cannot
// predict the pack's size would give it.
#include "quillet/test/quillet_bytes.h"
#include "quillet2tarvo.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace quillet_test;

// A root object holding an array "rows" of objects of an id, a name, a score
// and a few raw bytes, with as many rows as reach size bytes.
const bytes& record(size_t size)
{
    static std::map<size_t, bytes> made;
    bytes& out = made[size];
    if (!out.empty()) return out;
    std::vector<bytes> rows;
    size_t total = 20;
    for (uint32_t i = 0; total < size; ++i) {
        const std::string name = "name" + std::to_string(i);
        rows.push_back(
            container(0x10, "",
                      {item(0x14, "id", le32(i)), item(0xd0, "name", name + '\0'),
                       item(0x48, "score", bytes(8, '\x40')), item(0xe0, "flags", bytes(8, char(i)))}));
        total += rows.back().size();
    }
    out = container(0x10, "", {container(0x20, "rows", rows)});
    return out;
}

void BM_Quillet2Tarvo(benchmark::State& state)
{
    const bytes& in = record(static_cast<size_t>(state.range(0)));
    const size_t threshold = in.size() * 8;
    std::vector<char> out(threshold);
    size_t size = 0;
    for (auto _ : state) {
        if (quillet2tarvo(in.data(), in.size(), out.data(), &size, threshold) != 0)
            state.SkipWithError("no pack within the threshold");
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(in.size()));
    state.counters["pack_bytes"] = static_cast<double>(size);
}

void BM_Memcpy(benchmark::State& state)
{
    const bytes& in = record(static_cast<size_t>(state.range(0)));
    std::vector<char> out(in.size());
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), in.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(in.size()));
}

}  // namespace

BENCHMARK(BM_Quillet2Tarvo)->RangeMultiplier(4)->Range(1 << 10, 16 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Memcpy)->RangeMultiplier(4)->Range(1 << 10, 16 << 20)->Unit(benchmark::kMicrosecond);
