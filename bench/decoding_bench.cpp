// Header decoding over realistic values: MB/s per decoder, and the address parsers.
#include "message/decoding.h"
#include "message/email_address.h"
#include "message/header_list.h"

#include <benchmark/benchmark.h>

namespace kestrel {
namespace {

std::string Repeat(const std::string& piece, int times) {
    std::string all;
    for (int i = 0; i < times; ++i)
        all += piece;
    return all;
}

// A German subject in ISO-8859-1 Q words, a UTF-8 one in B words (adjacent, so converted as one
// run), a Russian one in KOI8-R Q words (through the platform's converter), a Japanese one in
// ISO-2022-JP B words, and plain text.
const std::string QWords = Repeat("=?ISO-8859-1?Q?Gr=FC=DFe_aus_M=FCnchen?= ", 4);
const std::string BWordsUtf8 = Repeat("=?UTF-8?B?R3LDvMOfZSBhdXMgTcO8bmNoZW4=?= ", 4);
const std::string Koi8Words =
    Repeat("=?KOI8-R?Q?=F0=D2=C9=D7=C5=D4_=C9=DA_=ED=CF=D3=CB=D7=D9?= ", 4);
const std::string JisWords = Repeat("=?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?= ", 4);
const std::string Plain = "Re: the quarterly report, second draft (with the figures)";
const std::string AddressList =
    Repeat("\"Doe, Jane\" <jane.doe@example.org>, Max Mustermann <max@example.de>, ", 10) +
    "last@example.com";

void Decode(benchmark::State& state, const std::string* value) {
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeEncodedWords(*value));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * value->size()));
}

void ParseList(benchmark::State& state) {
    EmailAddressList list;
    for (auto _ : state) {
        ParseAddressList(AddressList, list);
        benchmark::DoNotOptimize(list.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * AddressList.size()));
}

void ParseSender(benchmark::State& state) {
    const std::string from = "=?ISO-8859-1?Q?J=FCrgen_M=FCller?= <juergen.mueller@example.de>";
    EmailAddress item;
    for (auto _ : state) {
        item.SetText(DecodeEncodedWords(from));
        benchmark::DoNotOptimize(item.Text());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * from.size()));
}

// A header folded over many lines: unfolding must stay linear.
void UnfoldLong(benchmark::State& state) {
    HeaderList headers;
    headers.Add("Subject: start");
    for (int i = 0; i < state.range(0); ++i)
        headers.Add(" folded continuation line number " + std::to_string(i));
    size_t bytes = 0;
    for (const std::string& line : headers.Lines)
        bytes += line.size();
    for (auto _ : state)
        benchmark::DoNotOptimize(headers.ValueOf("subject"));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

BENCHMARK_CAPTURE(Decode, IsoQWords, &QWords);
BENCHMARK_CAPTURE(Decode, Utf8BWords, &BWordsUtf8);
BENCHMARK_CAPTURE(Decode, Koi8RQWords, &Koi8Words);
BENCHMARK_CAPTURE(Decode, Iso2022JpBWords, &JisWords);
BENCHMARK_CAPTURE(Decode, PlainText, &Plain);
BENCHMARK(ParseList);
BENCHMARK(ParseSender);
BENCHMARK(UnfoldLong)->Arg(1000)->Arg(50000);

} // namespace
} // namespace kestrel
