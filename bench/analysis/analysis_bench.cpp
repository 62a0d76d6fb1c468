// Analysis time against input size, for the shapes that stress the analyser:
// deep nesting of every kind and long operator chains. Each benchmark runs at a
// size and at twice that size; the times should differ by about a factor of two.
// A quadratic or exponential cost (from backtracking) would show as far more.
#include <benchmark/benchmark.h>

#include <string>

#include "analysis/code_analysis.h"
#include "environment/environment.h"
#include "items/analyzed_macro.h"

namespace {

std::string Repeat(const std::string& text, int times) {
    std::string out;
    out.reserve(text.size() * times);
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

std::string Brackets(int n) { return "x = " + Repeat("(", n) + "1" + Repeat(")", n) + ";"; }
std::string Blocks(int n) { return Repeat("{", n) + "x = 1;" + Repeat("}", n); }
std::string Prefixes(int n) { return "x = " + Repeat("- ", n) + "1;"; }
std::string Calls(int n) { return "x = " + Repeat("int(", n) + "1" + Repeat(")", n) + ";"; }
std::string IfChains(int n) { return Repeat("if (x == 1) y = 1; else ", n) + "y = 0;"; }
std::string Loops(int n) { return Repeat("while (x < 1) ", n) + "x++;"; }
std::string Sum(int n) { return "x = a" + Repeat(" + a", n) + ";"; }
std::string Assignments(int n) { return Repeat("a = ", n) + "1;"; }
std::string Lines(int n) { return Repeat("x = y * 3 + 1; if (x > 2) { y = x - 1; } else y++;\n", n); }
// Nesting that fails only at its very end: every level is abandoned once.
std::string Unclosed(int n) { return Repeat("if (x) { ", n) + "x = 1;"; }

template <std::string (*Make)(int)>
void Analyse(benchmark::State& state) {
    TQuorinEnvironment environment;
    const std::string source = Make(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Quorin::TCodeAnalysis analysis(&environment, source);
        benchmark::DoNotOptimize(analysis.AnalyzeSource());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}

#define SIZES ->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond)
BENCHMARK_TEMPLATE(Analyse, Brackets) SIZES;
BENCHMARK_TEMPLATE(Analyse, Blocks) SIZES;
BENCHMARK_TEMPLATE(Analyse, Prefixes) SIZES;
BENCHMARK_TEMPLATE(Analyse, Calls) SIZES;
BENCHMARK_TEMPLATE(Analyse, IfChains) SIZES;
BENCHMARK_TEMPLATE(Analyse, Loops) SIZES;
BENCHMARK_TEMPLATE(Analyse, Assignments) SIZES;
BENCHMARK_TEMPLATE(Analyse, Unclosed) SIZES;
BENCHMARK_TEMPLATE(Analyse, Sum)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Analyse, Lines)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
