// Building grows linearly with the item count in both versions: the same
// builds at 1k, 10k, 100k and 1M items should show the same time per item.
// Sibling objects exercise the "already exists" check of container puts,
// once with the name index and once with a temp area too small for it.
#include "workload.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> keys(int n)
{
    std::vector<std::string> v;
    v.reserve(n);
    for (int i = 0; i < n; ++i) v.push_back("k" + std::to_string(i));
    return v;
}

// Empty objects side by side in the root, in a temp area of tmp_size bytes.
void sibling_objects(benchmark::State& state, int version, size_t tmp_size)
{
    const int n = static_cast<int>(state.range(0));
    const std::vector<std::string> names = keys(n);
    std::vector<char> buf(static_cast<size_t>(n) * 32 + 64), tmp(tmp_size);
    for (auto _ : state) {
        tarvo_t* p = tarvo_open_w(version, buf.data(), static_cast<int>(buf.size()), tmp.data(),
                                  static_cast<int>(tmp.size()));
        for (const std::string& name : names) tarvo_finish(tarvo_put_object(p, name.c_str()));
        if (tarvo_get_item_count(p) != n) state.SkipWithError("a put was refused");
        tarvo_finish(p);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void scalars(benchmark::State& state, int version)
{
    const int n = static_cast<int>(state.range(0));
    const bench::Value tree = bench::small_scalars(n);
    bench::Packed p(version, tree, static_cast<size_t>(n) * 32 + 64, 4096);
    for (auto _ : state)
        if (p.build(tree) < 0) state.SkipWithError("a put was refused");
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_Scalars_v1(benchmark::State& state) { scalars(state, 1); }
void BM_Scalars_v2(benchmark::State& state) { scalars(state, 2); }
void BM_SiblingObjects_v1(benchmark::State& state) { sibling_objects(state, 1, size_t{64} << 20); }
void BM_SiblingObjects_v2(benchmark::State& state) { sibling_objects(state, 2, size_t{64} << 20); }
// No room for an index: every container put scans its siblings.
void BM_SiblingObjectsScanning_v1(benchmark::State& state) { sibling_objects(state, 1, 1024); }
void BM_SiblingObjectsScanning_v2(benchmark::State& state) { sibling_objects(state, 2, 208); }

}  // namespace

BENCHMARK(BM_Scalars_v1)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scalars_v2)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SiblingObjects_v1)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SiblingObjects_v2)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SiblingObjectsScanning_v1)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SiblingObjectsScanning_v2)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);
