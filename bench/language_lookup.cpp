// Language texts are never cached: every lookup reads LANGUAGE and the language file
// again, so that a language changed outside takes effect at once. This measures what a
// screen full of texts costs that way (every key name of the key table, as the key
// list and the key tooltips look them up) against reading the file once and looking the
// same keys up in memory: the ratio is the price of not caching.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include "../tests/support/VirtualKeyboard.h"
#include "shell/Language.h"
#include "shell/LanguageKeys.h"
#include "shell/ProgramPaths.h"
#include "storage/IniFile.h"

using namespace t44;

namespace {

// A private configuration folder, and the language files of the build beside the
// executable's parent folder (build/bench/.. is where CMake copies them).
struct Setup {
    test::TempDir config;
    Setup() {
        ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
        ::setenv("LANG", "pt_BR.UTF-8", 1);
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
        shell::setProgramDir(shell::programPaths().programDir + "../");
    }
};

}  // namespace

static void BM_KeyNamesEachLookedUp(benchmark::State &state) {
    Setup setup;
    size_t chars = 0;
    for (auto _ : state)
        for (const char *key : shell::keyNameKeys()) chars += shell::LangText(key).size();
    benchmark::DoNotOptimize(chars);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(shell::keyNameKeys().size()));
}

static void BM_KeyNamesFromOneRead(benchmark::State &state) {
    Setup setup;
    size_t chars = 0;
    for (auto _ : state) {
        storage::CIniFile ini;
        ini.load(shell::LanguageFilePath(shell::LanguageIndex()));
        for (const char *key : shell::keyNameKeys()) chars += ini.get(shell::kTextSection, key).value_or("").size();
    }
    benchmark::DoNotOptimize(chars);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(shell::keyNameKeys().size()));
}

BENCHMARK(BM_KeyNamesFromOneRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KeyNamesEachLookedUp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
