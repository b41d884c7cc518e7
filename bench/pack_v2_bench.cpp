// Building and walking version-2 packs. Building stays linear in the item
// count: compare the per-item time across sizes, and the run whose temp
// area is too small for the lookup index (the "already present" check then
// scans, which is quadratic).
#include "tarvo.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> names(int n) {
    std::vector<std::string> v;
    for (int i = 0; i < n; ++i) v.push_back("key" + std::to_string(i));
    return v;
}

// One nested object per named scalar, as a dict of dicts is written.
void build(benchmark::State& state, int temp) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<std::string> keys = names(n);
    std::vector<char> buf(static_cast<size_t>(n) * 32 + 64), tmp(static_cast<size_t>(temp));
    for (auto _ : state) {
        tarvo_t* p = tarvo_open_w(2, buf.data(), static_cast<int>(buf.size()), tmp.data(), temp);
        for (int i = 0; i < n; ++i) {
            tarvo_t* o = tarvo_put_object(p, keys[i].c_str());
            tarvo_finish(o);
        }
        benchmark::DoNotOptimize(tarvo_get_size(p));
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_BuildIndexed(benchmark::State& state) { build(state, 1 << 20); }
void BM_BuildScanning(benchmark::State& state) { build(state, 136 + 72); }

void BM_Walk(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<std::string> keys = names(n);
    std::vector<char> buf(static_cast<size_t>(n) * 32 + 64), tmp(4096);
    tarvo_t* p = tarvo_open_w(2, buf.data(), static_cast<int>(buf.size()), tmp.data(), 4096);
    for (int i = 0; i < n; ++i) tarvo_put_int64(p, keys[i].c_str(), i);
    for (auto _ : state) {
        tarvo_item_t item;
        long sum = 0;
        for (int r = tarvo_first_item(p, &item); r == 0; r = tarvo_next_item(&item, &item))
            sum += static_cast<long>(item.value_size);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

} // namespace

BENCHMARK(BM_BuildIndexed)->RangeMultiplier(4)->Range(256, 16384);
BENCHMARK(BM_BuildScanning)->RangeMultiplier(4)->Range(256, 4096);
BENCHMARK(BM_Walk)->RangeMultiplier(4)->Range(256, 16384);
