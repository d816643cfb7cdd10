// The shape alone, against OpenGL calls that do nothing: what the program itself spends on
// one elongated sphere, per call and per vertex.
#include "geometry/geometry.h"

#include <benchmark/benchmark.h>

namespace
{

constexpr std::uint32_t colour_seed = 100;
constexpr double radius = 5.0;
constexpr int slices = 50;
constexpr int stacks = 50;

// Two fans of a pole and slices + 1 ring vertices, and every band but the top cap's and the
// bottom cap's a strip of slices + 1 vertex pairs.
constexpr int fan_vertices = slices + 2;
constexpr int strip_vertices = 2 * (slices + 1);
constexpr int strips = stacks - 1;
constexpr int vertices_per_shape = 2 * fan_vertices + strips * strip_vertices;

void shape(benchmark::State& state)
{
    for (auto _ : state) {
        seed_colours(colour_seed);
        draw_elongated_sphere(radius, slices, stacks);
    }
    state.counters["vertices"] = vertices_per_shape;
    state.counters["per_vertex"] =
        benchmark::Counter(vertices_per_shape, benchmark::Counter::kIsIterationInvariantRate |
                                                   benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(shape)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
