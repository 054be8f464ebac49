// Console input from a file given with -i: a generated text of 12.5, 25 and
// 50 MB read line by line (inl) and word by word (inw) through the
// console's scanners. Equal bytes per second at every size show that the
// reading is linear in the size of the input; the console reads through the
// C library's buffer, never with a system call per character.
//
// The whole interpreter on the same task: bench/input_lines.mrv and
// bench/input_words.mrv, timed with "morvu -i <file> <program>".

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/stream.h"
#include "runtime/terminal.h"

namespace {

using namespace morvu;

constexpr int64_t megabyte = 1 << 20;

// A file of about `bytes` bytes: lines of eight words of mixed length.
class INPUT_FILE {
public:
    explicit INPUT_FILE(int64_t bytes) {
        char name[] = "/tmp/morvu_input_bench_XXXXXX";
        const int descriptor = ::mkstemp(name);
        if (descriptor < 0) std::abort();
        ::close(descriptor);
        path = name;
        std::FILE* file = std::fopen(name, "w");
        if (file == nullptr) std::abort();
        static const char* const words[] = {"alpha", "be", "gamma42", "d", "epsilon", "zeta", "eta", "theta-x"};
        int64_t written = 0;
        for (int64_t line = 0; written < bytes; ++line) {
            std::string text;
            for (int i = 0; i < 8; ++i) {
                text += words[(line + i) % 8];
                text += i == 7 ? '\n' : ' ';
            }
            std::fputs(text.c_str(), file);
            written += static_cast<int64_t>(text.size());
        }
        std::fclose(file);
        size = written;
    }
    ~INPUT_FILE() { std::remove(path.c_str()); }
    INPUT_FILE(const INPUT_FILE&) = delete;
    INPUT_FILE& operator=(const INPUT_FILE&) = delete;

    std::string path;
    int64_t size = 0;
};

const INPUT_FILE& input_of(int64_t megabytes_times_two) {
    static INPUT_FILE small(12 * megabyte + megabyte / 2);
    static INPUT_FILE medium(25 * megabyte);
    static INPUT_FILE large(50 * megabyte);
    return megabytes_times_two == 25 ? small : megabytes_times_two == 50 ? medium : large;
}

void open_console(const INPUT_FILE& input) {
    if (console_stream.open_files(input.path.c_str(), false, "", false, false)) std::abort();
}

void read_lines(benchmark::State& state) {
    const INPUT_FILE& input = input_of(state.range(0));
    int64_t lines = 0;
    for (auto _ : state) {
        open_console(input);
        const char* error = nullptr;
        std::string line;
        while (read_input_line(&console_stream, line, &error)) {
            ++lines;
            line.clear();
        }
    }
    benchmark::DoNotOptimize(lines);
    state.SetBytesProcessed(state.iterations() * input.size);
}

void read_words(benchmark::State& state) {
    const INPUT_FILE& input = input_of(state.range(0));
    terminal_format.set_in_spc(word_separators, word_separator_count);
    int64_t words = 0;
    for (auto _ : state) {
        open_console(input);
        const char* error = nullptr;
        std::string word;
        while (read_input_item(&console_stream, word, false, &error)) {
            ++words;
            word.clear();
        }
    }
    terminal_format.clear_in_spc();
    benchmark::DoNotOptimize(words);
    state.SetBytesProcessed(state.iterations() * input.size);
}

// The argument is the size in half megabytes: 25, 50 and 100.
BENCHMARK(read_lines)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(read_words)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
