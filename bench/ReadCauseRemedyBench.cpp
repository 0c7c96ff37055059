// One diagnosis page costs one ReadCauseRemedy: two key reads of a cause/remedy
// file of 1,000 sections, each read opening and scanning the file anew.
#include "data/AppState.h"
#include "data/COperateIni.h"
#include "platform/ExeDir.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr int kSections = 1000;

std::string Text(char fill, int number)
{
    std::string text = "Text " + std::to_string(number) + ".\\n";
    text.resize(300, fill);
    return text;
}

// A throw-away executable directory holding QL7_Tool/QL7BE.ini.
class BenchData {
public:
    BenchData()
    {
        char pattern[] = "/tmp/darvell-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr)
            std::abort();
        m_root = pattern;
        std::filesystem::create_directory(m_root + "/QL7_Tool");
        std::ofstream out(m_root + "/QL7_Tool/QL7BE.ini", std::ios::binary);
        for (int n = 1; n <= kSections; ++n)
            out << "[3LINEE" << n << "]\r\nca=" << Text('c', n) << "\r\nre=" << Text('r', n) << "\r\n";
        platform::SetExecutableDirForTesting(m_root);
    }
    ~BenchData()
    {
        platform::SetExecutableDirForTesting({});
        std::filesystem::remove_all(m_root);
    }

private:
    std::string m_root;
};

void Run(benchmark::State& state, int (*pick)(int))
{
    BenchData data;
    AppState app;
    app.m_nLanguage = 1;
    const COperateIni ini(app, 0);
    std::string remedy, cause;
    int i = 0;
    for (auto _ : state) {
        if (!ini.ReadCauseRemedy(pick(i++), remedy, cause, 1)) {
            state.SkipWithError("section not found");
            break;
        }
        benchmark::DoNotOptimize(remedy.data());
        benchmark::DoNotOptimize(cause.data());
    }
}

void BM_ReadCauseRemedy_AnySection(benchmark::State& state)
{
    Run(state, [](int i) { return 1 + (i * 379) % kSections; });
}

void BM_ReadCauseRemedy_LastSection(benchmark::State& state)
{
    Run(state, [](int) { return kSections; });
}

} // namespace

BENCHMARK(BM_ReadCauseRemedy_AnySection)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadCauseRemedy_LastSection)->Unit(benchmark::kMicrosecond);
