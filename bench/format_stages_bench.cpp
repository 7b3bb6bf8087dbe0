// Times the format core (processor time of the running thread): each of stages 1 to 12 alone, stages 1 to 12
// together and the whole run, on about 1 MB and 10 MB of real SQL with CR LF
// line ends. A stage whose time per MB is much larger at 10 MB than at 1 MB is
// not linear in the text.
//
// Run by hand: build/bench/format_stages_bench [--benchmark_filter=...]
// The inputs are mixed_1mb.sql and oracle_1mb.sql from the folder in
// $KELVRA_BENCH_INPUTS (default: the shared benchmark folder beside the checkout);
// the 10 MB inputs are each file repeated ten times.
#include "formatter/FormatDriver.h"
#include "formatter/FormatRunState.h"
#include "formatter/TextUtil.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <time.h>

using namespace kelvra;

namespace {

struct Input {
    std::string name;
    std::string text;
};

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        std::exit(1);
    }
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<Input> LoadInputs() {
    const char *env = std::getenv("KELVRA_BENCH_INPUTS");
    const std::string folder = env && *env ? env : KELVRA_BENCH_INPUTS;
    std::vector<Input> inputs;
    for (const char *base : {"mixed", "oracle"}) {
        // The editor hands the core CR LF line ends.
        std::string text = ToCrLf(ReadFile(folder + "/" + base + "_1mb.sql"));
        std::string ten;
        ten.reserve(text.size() * 10);
        for (int i = 0; i < 10; ++i) ten += text;
        inputs.push_back({std::string(base) + "_1mb", std::move(text)});
        inputs.push_back({std::string(base) + "_10mb", std::move(ten)});
    }
    return inputs;
}

// CPU time of this thread: the machines are shared, and wall time counts the
// time other processes hold the processor.
double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

const EditorOptions kOptions{};
// Built on first use: the catalogue's word lists are themselves static objects.
const KeywordCatalogue &Catalogue() {
    static const KeywordCatalogue catalogue;
    return catalogue;
}
ProgressSink gSink;

// Index in the stage table of the stage numbered `number`.
std::size_t StageIndex(const std::string &number) {
    const auto table = StageTable();
    for (std::size_t i = 0; i < table.size(); ++i)
        if (number == table[i].number) return i;
    std::abort();
}

// Runs the table's stages [from, to) on `run`.
void RunStages(FormatRunState &run, std::size_t from, std::size_t to) {
    const auto table = StageTable();
    for (std::size_t i = from; i < to; ++i) RunStage(run, table[i]);
}

// Throughput, and the figure to compare between 1 MB and 10 MB.
void Finish(benchmark::State &state, const Input &input, double seconds) {
    if (state.iterations() == 0) return;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.text.size()));
    state.counters["ms_per_MB"] =
        seconds * 1e3 / static_cast<double>(state.iterations()) / (static_cast<double>(input.text.size()) / 1e6);
}

// One stage alone: the state before it is built once, copied for each
// iteration outside the timed part.
void BM_Stage(benchmark::State &state, const Input *input, std::size_t index) {
    FormatRunState before(kOptions, Catalogue(), gSink);
    before.Begin(input->text);
    RunStages(before, 0, index);
    double total = 0;
    for (auto _ : state) {
        FormatRunState run(before);
        const double start = ThreadSeconds();
        RunStage(run, StageTable()[index]);
        const double took = ThreadSeconds() - start;
        benchmark::DoNotOptimize(run.work.data());
        state.SetIterationTime(took);
        total += took;
    }
    Finish(state, *input, total);
}

void BM_Stages1To12(benchmark::State &state, const Input *input) {
    const std::size_t end = StageIndex("12") + 1;
    double total = 0;
    for (auto _ : state) {
        FormatRunState run(kOptions, Catalogue(), gSink);
        run.Begin(input->text);
        const double start = ThreadSeconds();
        RunStages(run, 0, end);
        const double took = ThreadSeconds() - start;
        benchmark::DoNotOptimize(run.work.data());
        state.SetIterationTime(took);
        total += took;
    }
    Finish(state, *input, total);
}

void BM_WholeRun(benchmark::State &state, const Input *input) {
    double total = 0;
    for (auto _ : state) {
        const double start = ThreadSeconds();
        FormatResult r = RunFormat(input->text, kOptions, Catalogue(), gSink);
        const double took = ThreadSeconds() - start;
        if (r.end != RunEnd::Normal) {
            state.SkipWithError(("run did not end normally: " + r.message.text).c_str());
            break;
        }
        benchmark::DoNotOptimize(r.text.data());
        state.SetIterationTime(took);
        total += took;
    }
    Finish(state, *input, total);
}

} // namespace

int main(int argc, char **argv) {
    static const std::vector<Input> inputs = LoadInputs();
    const std::size_t last = StageIndex("12");
    for (const Input &input : inputs) {
        for (std::size_t i = 0; i <= last; ++i)
            benchmark::RegisterBenchmark(("stage/" + std::string(StageTable()[i].number) + "/" + input.name).c_str(),
                                         BM_Stage, &input, i)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("stages_1_to_12/" + input.name).c_str(), BM_Stages1To12, &input)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("whole_run/" + input.name).c_str(), BM_WholeRun, &input)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
