// The line-by-line conversions on a 1 MiB multi-line text, both ways, against a
// walk that fetches each line by its number (GetFileOneLine for 1, 2, 3, ...,
// each line converted into the free end of a zero-filled accumulator) and against
// one iconv call over the whole text. Prints the ratios after the timings.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "hostutil.h"
#include "measures.h"

namespace {

// 1 MiB of UTF-8 lines of 40 to 120 bytes: ASCII, accented Latin and kana.
const std::string& utf8_text() {
  static const std::string text = [] {
    const char* pieces[] = {"The quick brown fox ",
                            "Gr\xC3\xBC\xC3\x9F"
                            "e aus K\xC3\xB6ln ",
                            "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF ",
                            "jumps over 13 lazy dogs ", "caf\xC3\xA9 cr\xC3\xA8me "};
    std::string t;
    unsigned seed = 1;
    while (t.size() < (1u << 20) - 200) {
      std::string line;
      const std::size_t want = 40 + (seed = seed * 1103515245u + 12345u) % 81;
      while (line.size() < want) line += pieces[(seed = seed * 1103515245u + 12345u) >> 16 & 3];
      t += line + "\r\n";
    }
    return t;
  }();
  return text;
}

// The same text in UTF-16, NUL-ended; its length leaves the NUL out.
const std::vector<hu_wchar>& utf16_text() {
  static const std::vector<hu_wchar> text = [] {
    const std::string& u8 = utf8_text();
    uint32_t size = 0;
    ChangeUTF8ToUTF16_MultiLine(u8.c_str(), static_cast<uint32_t>(u8.size()), nullptr, &size);
    std::vector<hu_wchar> t(std::size_t{size} + 1);
    ChangeUTF8ToUTF16_MultiLine(u8.c_str(), static_cast<uint32_t>(u8.size()), t.data(), &size);
    t.resize(std::size_t{size} + 1);
    return t;
  }();
  return text;
}
uint32_t utf16_length() { return static_cast<uint32_t>(utf16_text().size() - 1); }

// ---- the library: one pass with the shared line iterator -------------------

// One multi-line call over the whole text of length units, into as many units
// as the UTF-8 text has bytes, and a NUL.
template <typename In, typename Out>
void one_pass(benchmark::State& state,
              int32_t(HOSTUTIL_CALL* convert)(const In*, uint32_t, Out*, uint32_t*), const In* text,
              uint32_t length) {
  const std::size_t room = utf8_text().size();
  std::vector<Out> out(room + 1);
  for (auto _ : state) {
    uint32_t size = static_cast<uint32_t>(room);
    benchmark::DoNotOptimize(convert(text, length, out.data(), &size));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(utf8_text().size()));
}

void BM_OnePassUtf8ToUtf16(benchmark::State& state) {
  const std::string& text = utf8_text();
  one_pass(state, ChangeUTF8ToUTF16_MultiLine, text.c_str(), static_cast<uint32_t>(text.size()));
}

void BM_OnePassUtf16ToUtf8(benchmark::State& state) {
  one_pass(state, ChangeUTF16ToUTF8_MultiLine, utf16_text().data(), utf16_length());
}

// ---- the reference: each line fetched by its number ------------------------

// Line number `number` of a UTF-16 text by the same rules as GetFileOneLine,
// searched from the start every time.
bool utf16_line_by_number(const hu_wchar* text, uint32_t length, uint32_t number,
                          std::vector<hu_wchar>& line) {
  std::fill(line.begin(), line.end(), 0);
  uint32_t at = 0;
  for (uint32_t skip = 1; skip < number; ++skip) {
    while (at < length && text[at] != 0 && text[at] != '\r') ++at;
    if (at >= length || text[at] == 0 || at + 1 >= length || text[at + 1] == 0) return false;
    at += 2;
    if (at < length && text[at] == 0x0C) ++at;
  }
  if (at >= length || text[at] == 0) return false;
  uint32_t n = 0;
  while (at + n < length && text[at + n] != '\r' && n + 1 < line.size()) ++n;
  std::copy(text + at, text + at + n, line.begin());
  return true;
}

std::size_t measured(const char* text) { return std::strlen(text); }
std::size_t measured(const hu_wchar* text) {
  std::size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

// Each line of a text of length units, fetched by its number with fetch(number,
// line), converted into the free end of a zero-filled accumulator of growth
// times length units and followed by CR LF; the walk ends at the first line that
// cannot be fetched or is empty.
template <typename In, typename Out, typename Fetch>
void by_number(benchmark::State& state, uint32_t length, std::size_t growth, Fetch fetch,
               int32_t(HOSTUTIL_CALL* convert)(const In*, uint32_t, Out*, uint32_t)) {
  for (auto _ : state) {
    std::vector<Out> accumulator(growth * length + 3);
    std::vector<In> line(std::size_t{length} + 1);
    for (uint32_t number = 1; fetch(number, line); ++number) {
      const auto n = static_cast<uint32_t>(measured(line.data()));
      if (n == 0) break;
      const std::size_t used = measured(accumulator.data());
      const std::size_t room = accumulator.size() - used;
      const int32_t got =
          convert(line.data(), n, accumulator.data() + used, static_cast<uint32_t>(room));
      accumulator[used + got] = '\r';
      accumulator[used + got + 1] = '\n';
    }
    benchmark::DoNotOptimize(accumulator.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(utf8_text().size()));
}

void BM_ByNumberUtf8ToUtf16(benchmark::State& state) {
  const std::string& text = utf8_text();
  const auto length = static_cast<uint32_t>(text.size());
  const auto fetch = [&](uint32_t number, std::vector<char>& line) {
    std::fill(line.begin(), line.end(), '\0');
    return GetFileOneLine(text.c_str(), length, number, line.data(), length + 1) != 0;
  };
  by_number(state, length, 1, fetch, ChangeUTF8ToUTF16);
}

void BM_ByNumberUtf16ToUtf8(benchmark::State& state) {
  const hu_wchar* text = utf16_text().data();
  const uint32_t length = utf16_length();
  const auto fetch = [&](uint32_t number, std::vector<hu_wchar>& line) {
    return utf16_line_by_number(text, length, number, line);
  };
  by_number(state, length, 4, fetch, ChangeUTF16ToUTF8);
}

// ---- iconv over the whole text at once -------------------------------------

void iconv_whole(benchmark::State& state, const char* to, const char* from, const char* in,
                 std::size_t in_bytes, std::size_t out_bytes) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv_open failed");
    return;
  }
  std::vector<char> out(out_bytes);
  for (auto _ : state) {
    char* src = const_cast<char*>(in);
    std::size_t src_left = in_bytes;
    char* dst = out.data();
    std::size_t dst_left = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    benchmark::DoNotOptimize(iconv(cd, &src, &src_left, &dst, &dst_left));
  }
  iconv_close(cd);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(utf8_text().size()));
}

void BM_IconvUtf8ToUtf16(benchmark::State& state) {
  const std::string& text = utf8_text();
  iconv_whole(state, "UTF-16LE", "UTF-8", text.data(), text.size(), 2 * text.size());
}

void BM_IconvUtf16ToUtf8(benchmark::State& state) {
  iconv_whole(state, "UTF-8", "UTF-16LE", reinterpret_cast<const char*>(utf16_text().data()),
              2 * std::size_t{utf16_length()}, 3 * std::size_t{utf16_length()});
}

// Prints the ratios once the runs are done. CPU time: the machine is shared, and
// no wait is involved.
class encodings_reporter : public bench::ratio_reporter {
 public:
  encodings_reporter() : ratio_reporter(bench::clock::cpu, OO_None) {}  // plain text for logs
  void Finalize() override {
    ratio_reporter::Finalize();
    std::printf("\nratios (alternative CPU time / one-pass CPU time):\n");
    for (const std::string way : {"Utf8ToUtf16", "Utf16ToUtf8"}) {
      const double one_pass = time("BM_OnePass" + way).value_or(0);
      if (one_pass <= 0) continue;
      std::printf("  %-12s line by number %8.1fx   whole-text iconv %5.2fx\n", way.c_str(),
                  time("BM_ByNumber" + way + "/iterations:1").value_or(0) / one_pass,
                  time("BM_Iconv" + way).value_or(0) / one_pass);
    }
  }
};

}  // namespace

BENCHMARK(BM_OnePassUtf8ToUtf16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OnePassUtf16ToUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ByNumberUtf8ToUtf16)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ByNumberUtf16ToUtf8)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_IconvUtf8ToUtf16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconvUtf16ToUtf8)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  encodings_reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
