// ReadLine over a large buffered input, beside a plain memchr scan of the same bytes.
#include "net/tcp_connection.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace kestrel {
namespace {

std::string Lines(size_t lineLength, size_t total) {
    std::string line(lineLength, 'x');
    line += "\r\n";
    std::string text;
    while (text.size() < total)
        text += line;
    return text;
}

void ReadAll(benchmark::State& state, size_t lineLength) {
    const std::string input = Lines(lineLength, 4 << 20);
    TcpConnection connection;
    for (auto _ : state) {
        state.PauseTiming();
        connection.PendingInput.Clear();
        connection.PendingInput.Append(input);
        state.ResumeTiming();
        while (connection.PendingInput.Size() > 0)
            benchmark::DoNotOptimize(connection.ReadLine());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}

// The same into one string whose storage each line reuses, as the header reader does.
void ReadInto(benchmark::State& state, size_t lineLength) {
    const std::string input = Lines(lineLength, 4 << 20);
    TcpConnection connection;
    std::string line;
    for (auto _ : state) {
        state.PauseTiming();
        connection.PendingInput.Clear();
        connection.PendingInput.Append(input);
        state.ResumeTiming();
        while (connection.PendingInput.Size() > 0) {
            connection.ReadLine(line);
            benchmark::DoNotOptimize(line.data());
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}

void Memchr(benchmark::State& state, size_t lineLength) {
    const std::string input = Lines(lineLength, 4 << 20);
    for (auto _ : state) {
        size_t lines = 0;
        const char* p = input.data();
        const char* end = p + input.size();
        while (const void* lf = std::memchr(p, '\n', static_cast<size_t>(end - p))) {
            p = static_cast<const char*>(lf) + 1;
            ++lines;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}

// 32-byte and 46-byte lines with their CR LF, as POP3 replies and header lines come.
BENCHMARK_CAPTURE(ReadInto, Lines32, 30)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadInto, Lines46, 44)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadAll, ShortLines, 30)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Memchr, ShortLines, 30)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadAll, LongLines, 4000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Memchr, LongLines, 4000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kestrel
