// Building and reading back packs of three workloads in both versions, each
// beside a memcpy of the version-2 pack's bytes (the physical bound) and,
// when msgpack-c is found, beside its packer and unpacker on the same keys
// and values. scripts/run-benchmarks prints the ratios.
#include "workload.h"
#ifdef TARVO_HAVE_MSGPACK
#include "msgpack_peer.h"
#endif

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using bench::Packed;
using bench::Sink;
using bench::Value;

struct Workload {
    std::string name;
    Value tree;
    size_t capacity;  // pack buffer bytes, ample for version 1's full paths
};

void add(const std::shared_ptr<Workload>& w)
{
    const std::string n = w->name + "/";
    auto packed = [w](int version) { return std::make_shared<Packed>(version, w->tree, w->capacity); };

    benchmark::RegisterBenchmark((n + "memcpy").c_str(), [w, packed](benchmark::State& state) {
        const auto p = packed(2);
        std::vector<char> to(p->size);
        for (auto _ : state) {
            std::memcpy(to.data(), p->buf.data(), to.size());
            benchmark::DoNotOptimize(to.data());
            benchmark::ClobberMemory();
        }
        state.SetBytesProcessed(state.iterations() * p->size);
    });
    for (int version : {1, 2}) {
        const std::string v = "v" + std::to_string(version);
        benchmark::RegisterBenchmark((n + v + "_build").c_str(),
                                     [w, packed, version](benchmark::State& state) {
                                         const auto p = packed(version);
                                         for (auto _ : state) {
                                             if (p->build(w->tree) < 0)
                                                 state.SkipWithError("a put was refused");
                                             benchmark::ClobberMemory();
                                         }
                                         state.SetBytesProcessed(state.iterations() * p->size);
                                     });
        benchmark::RegisterBenchmark((n + v + "_walk").c_str(), [packed, version](benchmark::State& state) {
            const auto p = packed(version);
            Sink sink;
            std::vector<char> tmp(1 << 16);
            for (auto _ : state) {
                sink.rewind();
                tarvo_t* pack =
                    tarvo_open_rw(p->buf.data(), p->size, tmp.data(), static_cast<int>(tmp.size()));
                bench::read_pack(pack, sink);
                tarvo_finish(pack);
                benchmark::DoNotOptimize(sink.sum);
            }
            state.SetBytesProcessed(state.iterations() * p->size);
        });
    }
#ifdef TARVO_HAVE_MSGPACK
    benchmark::RegisterBenchmark((n + "msgpack_pack").c_str(), [w](benchmark::State& state) {
        msgpack_sbuffer sbuf;
        msgpack_sbuffer_init(&sbuf);
        for (auto _ : state) {
            bench::msgpack_build(sbuf, w->tree);
            benchmark::ClobberMemory();
        }
        state.SetBytesProcessed(state.iterations() * sbuf.size);
        msgpack_sbuffer_destroy(&sbuf);
    });
    benchmark::RegisterBenchmark((n + "msgpack_unpack").c_str(), [w](benchmark::State& state) {
        msgpack_sbuffer sbuf;
        msgpack_sbuffer_init(&sbuf);
        bench::msgpack_build(sbuf, w->tree);
        Sink sink;
        for (auto _ : state) {
            sink.rewind();
            if (!bench::msgpack_walk(sbuf.data, sbuf.size, sink)) state.SkipWithError("does not unpack");
            benchmark::DoNotOptimize(sink.sum);
        }
        state.SetBytesProcessed(state.iterations() * sbuf.size);
        msgpack_sbuffer_destroy(&sbuf);
    });
#endif
}

const bool registered = [] {
    add(std::make_shared<Workload>(Workload{"small_scalars", bench::small_scalars(100000), size_t{8} << 20}));
    add(std::make_shared<Workload>(
        Workload{"large_raws", bench::large_raws(4, size_t{4} << 20), size_t{20} << 20}));
    add(std::make_shared<Workload>(Workload{"nested", bench::nested_records(10000), size_t{16} << 20}));
    return true;
}();

}  // namespace
