// Differential driver: the same seeded calls against whichever library it is linked with
// (libhostutil.so natively, hostutil.dll under Wine), one line per call, so that
// scripts/differential can compare the two builds byte for byte.
//
//   hostutil_differential OUTPUT FIRST_SEED SEED_COUNT
//
// Run it in an empty folder: its files have relative names there, but the value files and
// the trace file, which lie beside the executable. A line holds the function, its inputs
// (texts in hex), its result and the whole output buffer in hex with four canary bytes behind
// it; buffers start as 0xA5 bytes, files are read back. Buffers above 4 KiB are printed as
// their length and an FNV-1a digest; paths beside the executable with its folder as "<F>".
//
// Not driven, as their answers are the machine's or the clock's: the texts of
// GetLastErrorString(Ex) (only refused calls), GetTempDirPath, GetDriveTypeEx, LocalTimeGet,
// the values of the file-time getters (only their results), the time in the trace records,
// the system, user-group and printer queries, the dialogs, the help viewers and the browser;
// nor the contents of blocks GlobalAllocEx does not zero.
//
// Where the platforms differ of right, the inputs keep to what both read alike:
// - sprintfEx reads its format as the platform's C library does (long is 32 bits on Windows,
//   I64, hs and hh are Windows' own or read otherwise, and so are a "0" or "#" flag beside a
//   precision or on %c and %s, and a precision on %c): the formats use the forms both
//   read alike.
// - A write test that fails names the drive of the path's first two characters on Windows
//   and the path's file system on POSIX: the failure codes 4 and 6 to 9 print as 4.
// - Hidden and system attributes cannot be set on POSIX files: they are not set.
// - Wine's UTF-8 decoder splits an ill-formed sequence of three or four bytes otherwise than
//   Windows, which takes each maximal ill-formed part as one U+FFFD; and Wine takes 29
//   February of any year and the year 30828, which Windows refuses: the inputs hold none
//   of these.
// Choices where the behaviour is left open, made the same on both builds: strrstr with an
// empty needle answers null.
#include <hostutil.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using bytes = std::string;
using u32 = uint32_t;

const char sep = static_cast<char>(std::filesystem::path::preferred_separator);

struct rng {
  uint64_t s;
  u32 next() {
    uint64_t z = (s += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<u32>((z ^ (z >> 31)) >> 16);
  }
  u32 below(u32 n) { return n == 0 ? 0 : next() % n; }
  bool one_in(u32 n) { return below(n) == 0; }
  template <class V>
  auto pick(const V& v) {
    return v[below(static_cast<u32>(std::size(v)))];
  }
};

FILE* sink;
uint64_t calls;

std::string hex(const void* data, std::size_t n) {
  if (data == nullptr) return "null";
  const auto* p = static_cast<const unsigned char*>(data);
  std::string s = n == 0 ? "-" : "";
  if (n > 4096) {
    uint64_t h = 14695981039346656037ull;
    for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return "#" + std::to_string(n) + ":" + std::to_string(h);
  }
  for (std::size_t i = 0; i < n; ++i)
    s.append(1, "0123456789abcdef"[p[i] >> 4]).append(1, "0123456789abcdef"[p[i] & 15]);
  return s;
}
std::string hex(const bytes& b) { return hex(b.data(), b.size()); }
std::string T(const char* t) { return t == nullptr ? "null" : hex(t, std::strlen(t)); }
template <class V>
std::string bits(const V& v) {
  return hex(&v, sizeof v);
}
template <class S>
u32 len(const S& s) {
  return static_cast<u32>(s.size());
}

// One output line: the function, then each field behind a space.
struct line {
  std::string text;
  explicit line(const char* function) : text(function) {}
  ~line() {
    std::fputs((text + "\n").c_str(), sink);
    ++calls;
  }
  line& operator<<(const std::string& f) { return text += " " + f, *this; }
  line& operator<<(const char* f) { return *this << std::string(f); }
  line& operator<<(uint64_t v) { return *this << std::to_string(v); }
  line& operator<<(u32 v) { return *this << uint64_t{v}; }
  line& operator<<(int32_t v) { return *this << uint64_t{static_cast<u32>(v)}; }
  line& operator<<(bool v) { return *this << uint64_t{v}; }
  line& operator<<(const void*) = delete;
};

// A caller's buffer of n units and four canary units, all 0xA5 bytes; null when asked.
template <class C = char>
struct buffer {
  std::vector<C> b;
  u32 size;
  bool null;
  explicit buffer(u32 n, bool is_null = false)
      : b(n + 4, static_cast<C>(0xA5A5)), size(n), null(is_null) {}
  C* p() { return null ? nullptr : b.data(); }
  std::string dump() const { return hex(b.data(), b.size() * sizeof(C)); }
};

// Sizes at the edges of n: 0, 1, n - 1, n, n + 1, n + 2, or anything up to about 2n.
u32 edge(rng& r, u32 n) {
  const u32 v[] = {0, 1, n > 0 ? n - 1 : 0, n, n + 1, n + 2, r.below(2 * n + 8), n};
  return v[r.below(8)];
}
u32 at_most(u32 v, std::size_t limit) { return v < limit ? v : static_cast<u32>(limit); }

// A table written as one text, its items apart by "|".
std::vector<std::string> table(const char* text) {
  std::vector<std::string> items(1);
  for (const char* c = text; *c != '\0'; ++c) *c == '|' ? items.emplace_back() : items.back() += *c;
  return items;
}
std::vector<uint64_t> numbers(const char* text) {
  std::vector<uint64_t> items;
  for (char* end = nullptr; *text != '\0'; text = end)
    items.push_back(std::strtoull(text, &end, 0));
  return items;
}

// Number-like pieces first, then the line ends: numeric texts take only the first.
const auto pieces = table(
    "0|1|7|9|00|a|F|f|g|-|+|0x|0X| |.|4294967295|4294967296|2147483647|2147483648|FFFFFFFF|"
    "100000000|ffffffffffffffff|10000000000000000|99999999999|1e5|\x80|\r|\n|\r\n|\r\n\x0c|"
    "\x0c|\n\r||key|K|s|=|[|]|;|\t|\"|,|\"\"|DEFAULT|\\|/|%|ab|AB|aB|@`[{|USB|lpt|IP_|"
    "192.168.0.1|\xC3\xA9|\xE6\x97\xA5|\xF0\x9F\x98\x80|\xC0\x80|\xED\xA0\x80|"
    "\xF4\x90\x80\x80|\xE2\x82|\xFF|\x81|\x8D|\x9D|\xA0|\xFE|\x83\x5C|\xE9|\xC4\x80|"
    "\xE2\x88\x92|\xEF\xBD\x9E");
constexpr u32 numeric_pieces = 26;

bytes gen(rng& r, bool numeric = false, bool nul = false) {
  bytes s;
  for (u32 i = 0, n = r.one_in(8) ? r.below(40) : r.below(6); i < n; ++i) {
    const u32 k = numeric ? 9 : r.below(24);
    if (k == 0)
      s += static_cast<char>(1 + r.below(255));
    else if (k == 1 && r.one_in(3))
      s.append(100 + r.below(200), "aZ 9,\r\"\xE9"[r.below(8)]);
    else if (k == 2 && nul)
      s += '\0';
    else
      s += pieces[r.below(numeric ? numeric_pieces : sizeof pieces / sizeof pieces[0])];
  }
  return s;
}
std::basic_string<hu_wchar> gen16(rng& r) {
  const hu_wchar units[] = {0x41,   0xE9,   0x3042, 0xD800, 0xDC00, 0xD83D, 0xDE00, 0x0D,   0x0A,
                            0x0C,   0,      0xFFFF, 0xFFFE, 0x80,   0x20AC, 0x81,   0x7F,   0xFF,
                            0xDBFF, 0xDFFF, 0x5C,   0x3041, 0x2014, 0x30FC, 0xA5,   0x2026, 0x9D,
                            0x0100, 0x2212, 0x30FB, 0xFF01, 0xFF5E, 0xFF5F};
  // Random units from ranges with and without look-alikes in ANSI.
  const u32 from[] = {0, 0x100, 0x3000, 0xD800, 0xFF00},
            span[] = {0x100, 0x2F00, 0x6000, 0x800, 0x100};
  std::basic_string<hu_wchar> s(r.one_in(8) ? r.below(200) : r.below(12), 0);
  for (hu_wchar& u : s) {
    const u32 k = r.below(5);
    u = r.one_in(6) ? static_cast<hu_wchar>(from[k] + r.below(span[k])) : r.pick(units);
  }
  return s;
}
// UTF-8 with no ill-formed sequence of three or four bytes: their lead bytes become "?".
bytes agreeable(bytes s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0xC2) continue;
    const std::size_t n = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    const unsigned low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
    const unsigned high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
    bool whole = b < 0xF5 && i + n <= s.size();
    for (std::size_t k = 1; whole && k < n; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      whole = c >= (k == 1 ? low : 0x80) && c <= (k == 1 ? high : 0xBF);
    }
    if (n > 2 && !whole)
      s[i] = '?';
    else if (whole)
      i += n - 1;
  }
  return s;
}
u32 number(rng& r) {
  static const auto v = numbers(
      "0 1 2 9 10 15 16 0x7F 0x80 0xFF 0x100 0x7FFF 0x8000 0xFFFF 0x10000 0x7FFFFFFF 0x80000000 "
      "0xFFFFFFFF 0xFFFFFFFE 999999999 1000000000");
  return r.one_in(3) ? r.next() : r.one_in(2) ? r.below(1000) : static_cast<u32>(r.pick(v));
}
const char* maybe(rng& r, const bytes& s) { return r.one_in(12) ? nullptr : s.c_str(); }

bool read_raw(const char* path, bytes& b) {
  std::ifstream f(path, std::ios::binary);
  b.assign(std::istreambuf_iterator<char>(f), {});
  return f.is_open();
}
std::string read_back(const std::string& path) {
  bytes b;
  return read_raw(path.c_str(), b) ? hex(b) : "missing";
}
// The file made to hold data, or removed when missing.
void set_file(const std::string& path, const bytes& data, bool missing = false) {
  if (missing)
    std::remove(path.c_str());
  else
    std::ofstream(path, std::ios::binary) << data;
}

std::string folder;  // the executable's
std::string beside(const char* name) { return folder + sep + name; }

// ---- frame, lock, heap ----

// A block that begins like a heap area's head, but for its last letter.
char fake_head[24] = "HEAPMNGX";

void drive_compare(rng& r) {
  bytes a = gen(r), b = a;
  if (r.one_in(2)) {
    for (char& c : b) c ^= r.one_in(2) && (c & 0x40) ? 0x20 : 0;
  } else if (r.one_in(2)) {
    b = r.one_in(2) ? gen(r) : b.substr(0, r.below(len(b) + 1));
  }
  const char *pa = maybe(r, a), *pb = maybe(r, b);
  const u32 n = edge(r, std::max(len(a), len(b)));
  const std::string in = T(pa) + " " + T(pb);
  line("CompareCase") << in << CompareCase(pa, pb) << CompareNoCase(pa, pb);
  line("CompareCaseN") << in << n << CompareCaseN(pa, pb, n) << CompareNoCaseN(pa, pb, n);
  bytes t = a + '\0' + b;
  const std::string before = hex(t);
  const u32 count = at_most(edge(r, len(t)), t.size());
  const bool upper = r.one_in(2);
  (upper ? MakeUpper : MakeLower)(r.one_in(12) ? nullptr : t.data(), count);
  line(upper ? "MakeUpper" : "MakeLower") << before << count << hex(t);
  buffer<> e(r.below(2), r.one_in(2));
  line("GetLastErrorString") << e.size << GetLastErrorString(2, e.p(), e.size) << e.dump();
}

void drive_semaphore(rng& r) {
  const bytes name = gen(r);
  const char* nm = r.one_in(3) ? nullptr : name.c_str();
  const uint64_t n = r.one_in(2) ? number(r) : (uint64_t{r.next()} << 32 | r.next());
  const std::string in = T(nm) + " " + std::to_string(n);
  const u32 n32 = static_cast<u32>(n);
  line("SemaphoreCreate") << in << SemaphoreIsExist(nm, n32) << SemaphoreCreate(nm, n);
  line("SemaphoreEntry") << in << SemaphoreEntry(nm, n, 1) << SemaphoreIsEntry(nm, n)
                         << SemaphoreIsExist(nm, n32);
  SemaphoreLeave(nm, n);
  line("SemaphoreLeave") << in << SemaphoreIsEntry(nm, n);
  if (r.one_in(2)) SemaphoreRelease(nm, n);
  line("SemaphoreRelease") << in << SemaphoreIsExist(nm, n32);
  const u32 v = number(r), w = number(r);
  line("Values") << v << w << ResetValue(v) << SetValue(v, w) << IncrementValue(v)
                 << DecrementValue(v);
}

// The fetches that take a record from an area's end or front.
using taker = decltype(&FetchHeapLastData);
const taker takers[] = {FetchHeapLastData, FetchAndFreeHeapData, FetchAndFreeHeapLastData};

void drive_heap(rng& r) {
  HeapAreaHead* area = nullptr;
  std::vector<bytes> records;
  for (u32 i = 0, k = r.below(7); i < k; ++i) {
    const bytes& d = records.emplace_back(gen(r, false, true));
    line("AllocHeapAreaAndSetData")
        << hex(d) << AllocHeapAreaAndSetData(&area, r.one_in(15) ? nullptr : d.data(), len(d));
  }
  line("IsHeapAddress") << IsHeapAddress(area) << IsHeapAddress(fake_head);
  void* cursor = area;
  for (std::size_t i = 0; i <= records.size(); ++i) {
    buffer<> b(edge(r, i < records.size() ? len(records[i]) : 4), r.one_in(10));
    line("FetchHeapData") << b.size << FetchHeapData(&cursor, b.p(), b.size) << b.dump();
  }
  for (u32 i = 0, k = r.below(6); i < k; ++i) {
    const bytes key = records.empty() || r.one_in(4) ? gen(r) : records[r.below(len(records))];
    buffer<> b(edge(r, len(key)), r.one_in(10));
    const u32 op = r.below(4);
    const u32 got = op < 3 ? takers[op](&area, b.p(), b.size)
                           : SearchAndFreeHeapData(&area, key.data(), len(key), b.p(), b.size);
    line("HeapOp") << op << hex(key) << b.size << got << b.dump() << (area != nullptr);
  }
  line("FreeHeapArea") << FreeHeapArea(&area) << (area != nullptr);
  const u32 flags = r.one_in(4) ? 0 : HOSTUTIL_ZEROINIT, size = edge(r, 64);
  void* block = r.one_in(2) ? GlobalAllocEx(flags, size) : HeapAllocExEx(flags, size);
  line("GlobalAllocEx") << flags << size << (block && flags ? hex(block, size) : T(nullptr))
                        << (block != nullptr) << GlobalAreaIsEntry(block) << GlobalAreaEntry(block)
                        << GlobalAreaIsEntry(block);
  GlobalAreaLeave(block);
  const u32 how = r.below(4);  // 3 leaves it to GlobalAreaLumpFree
  decltype(&GlobalFreeEx) const frees[] = {GlobalFreeEx, GlobalFreeExEx, HeapFreeExEx};
  line("GlobalFree") << GlobalAreaIsEntry(block) << how << (how < 3 ? frees[how](block) : 7u);
}

// ---- files, times, dump, trace ----

void drive_file(rng& r) {
  const char* name = "f.bin";
  const bytes data = gen(r, false, true);
  const u32 size = at_most(edge(r, len(data)), data.size());
  const char* paths[] = {name, name, "", nullptr, "g.bin"};
  const char* path = r.pick(paths);
  line("FileWrite") << T(path) << hex(data) << size << FileWrite(path, data.data(), size)
                    << FileSizeGet(name) << FileSizeGet(path) << read_back(name);
  buffer<> b(edge(r, size), r.one_in(10));
  line("FileRead") << T(path) << b.size << FileRead(path, b.p(), b.size) << b.dump();
  const char* patterns[] = {name, "f*", "*.bin", "f?bin", "g*", "", nullptr, "."};
  const char* pattern = r.pick(patterns);
  hu_WIN32_FIND_DATAA fd;
  std::memset(&fd, 0xA5, sizeof fd);
  const bool record = !r.one_in(8);
  const bool found = FindAndGetInformationOfFile(pattern, record ? &fd : nullptr) != 0;
  line("FindAndGetInformationOfFile")
      << T(pattern) << found << hex(&fd.nFileSizeHigh, 8)
      << (found && record ? T(fd.cFileName) + " " + T(fd.cAlternateFileName) + " " +
                                std::to_string(fd.dwFileAttributes)
                          : hex(&fd, 4));
  hu_FILETIME ft = {0xA5A5A5A5u, 0xA5A5A5A5u};
  line("FileTimeGet") << T(pattern) << CreateFileTimeGet(pattern, &ft)
                      << LastAccessFileTimeGet(pattern, &ft)
                      << LastWriteFileTimeGet(pattern, found ? &ft : nullptr)
                      << (found || ft.dwLowDateTime == 0xA5A5A5A5u);
  const u32 attributes[] = {0x1, 0x20, 0x80, 0, 0x21, 0x10};
  const u32 a = r.pick(attributes);
  line("FileAttributesSet") << a << (FileAttributesSet(path, a) != 0) << FileAttributesGet(path)
                            << FileAttributesGet(name);
  FileAttributesSet(name, 0x80);
  const u32 tested = PreFileWrite(path);
  line("PreFileWrite") << T(path) << (tested >= 4 && tested != 5 ? 4 : tested) << read_back(name);
  const char* moved = r.one_in(2) ? "h.bin" : name;
  line("FileMove") << T(path) << moved << (FileMove(path, moved) != 0) << read_back(name)
                   << read_back("h.bin");
  line("FileDelete") << (FileDelete(name) != 0) << (FileDelete("h.bin") != 0)
                     << (FileDelete(name) != 0) << FileAttributesGet(name);
  std::remove("g.bin");
}

void drive_line(rng& r) {
  bytes t = gen(r);
  for (u32 i = 0, k = r.below(4); i < k; ++i) t += pieces[numeric_pieces + r.below(6)] + gen(r);
  t += '\0';
  if (r.one_in(4)) t += gen(r, false, true);
  const u32 length = at_most(edge(r, len(t)), t.size()), number = r.below(6);
  buffer<> b(edge(r, r.below(len(t) + 4)), r.one_in(12));
  line("GetFileOneLine") << hex(t) << length << number << b.size
                         << GetFileOneLine(r.one_in(12) ? nullptr : t.data(), length, number, b.p(),
                                           b.size)
                         << b.dump();
}

void drive_path_folder(rng& r) {
  const bytes name = r.one_in(2) ? gen(r) : std::string(25 + r.below(40), 'n');
  const char* nm = maybe(r, name);
  // The sizes near the result's length, but never below the executable's own path.
  const u32 f = len(folder), need = nm ? 2 + len(name) : 1;
  const u32 size = f + std::max<u32>(32, edge(r, need));
  buffer<> b(size);
  GetFilePath(nm, b.p(), size);
  const std::string got = b.p();
  line("GetFilePath") << T(nm) << size - f << (got.compare(0, f, folder) ? "?" : "<F>")
                      << hex(got.substr(std::min<std::size_t>(f + 1, got.size())))
                      << hex(b.p() + size, 4);
  const std::string parents[] = {".", "d", std::string("d") + sep, std::string("d") + sep + "e",
                                 std::string("nothere") + sep + "x"};
  const std::string folders[] = {"d", "e", "e.x", "\xE9t\xE9", "", "ab_12", "\x83x"};
  const u32 which = r.below(5);
  const std::string& parent = parents[which];
  const std::string made = r.pick(folders);
  const u32 created = CreateFolder(parent.c_str(), r.one_in(12) ? nullptr : made.c_str());
  const std::string joined = parent.back() != sep ? parent + sep + made : parent + made;
  line("CreateFolder") << which << hex(made) << created << FileAttributesGet(joined.c_str());
}

void drive_times(rng& r) {
  static const auto edges = numbers(
      "0 1 0x7FFFFFFFFFFFFFFF 0x8000000000000000 0xFFFFFFFFFFFFFFFF 0x01D9000000000000 "
      "2650467743999999999 504911232000000000");
  auto filetime = [&r] {
    const uint64_t t =
        r.one_in(2) ? r.pick(edges) + r.below(3) - 1 : uint64_t{r.next()} << 32 | r.next();
    return hu_FILETIME{static_cast<u32>(t), static_cast<u32>(t >> 32)};
  };
  const hu_FILETIME a = filetime(), b = filetime();
  line("CalculateSubstructOfFILETIME")
      << bits(a) << bits(b) << bits(CalculateSubstructOfFILETIMEToSecond(a, b))
      << bits(CalculateSubstructOfFILETIMEToMinute(a, b))
      << bits(CalculateSubstructOfFILETIMEToHour(a, b));
  static const auto fields = table(
      "1600 1601 1999 2000 2100 30827 30828 0 65535 2999|0 1 2 12 13 12|0 6 7 100 6|"
      "0 1 28 29 30 31 32 31|0 23 24 23|0 59 60 59|0 59 60 59|0 999 1000 999");
  uint16_t f[8];  // an edge of each field, or anything up to the field's last usual value
  for (int i = 0; i < 8; ++i) {
    const auto v = numbers(fields[i].c_str());
    f[i] = static_cast<uint16_t>(r.one_in(3) ? r.pick(v) : r.below(static_cast<u32>(v.back()) + 1));
  }
  hu_SYSTEMTIME st = {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]};
  if (st.wYear == 30828) st.wYear = 30827;
  const u32 y = st.wYear;
  if (st.wMonth == 2 && st.wDay == 29 && (y % 4 != 0 || (y % 100 == 0 && y % 400 != 0)))
    st.wDay = 28;
  hu_FILETIME ft = {0xA5A5A5A5u, 0xA5A5A5A5u};
  line("CalculateSystemTimeToFileTime")
      << bits(st) << (CalculateSystemTimeToFileTime(&st, r.one_in(12) ? nullptr : &ft) != 0)
      << bits(ft);
  hu_FILETIME in = r.one_in(2) ? ft : filetime();
  std::memset(&st, 0xA5, sizeof st);
  line("CalculateFileTimeToSystemTime")
      << bits(in) << (CalculateFileTimeToSystemTime(&in, &st) != 0) << bits(st);
}

void drive_dump_trace(rng& r) {
  const bytes data = r.one_in(300) ? std::string(70000, 'x') : gen(r, false, true);
  static const auto per_line = numbers("0 1 2 3 4 7 8 15 16 17 32 255 256 257");
  const u32 b = r.one_in(4) ? r.below(300) : static_cast<u32>(r.pick(per_line));
  const u32 x = number(r), y = number(r);
  const u32 need = GetSizeOfBinDataDumpFile(len(data), b);
  buffer<> out(edge(r, need + r.below(3)), r.one_in(12));
  line("CreateBinDataDumpFile") << x << y << GetSizeOfBinDataDumpFile(x, y) << hex(data) << b
                                << need << out.size
                                << CreateBinDataDumpFile(maybe(r, data), len(data), out.p(),
                                                         out.size, b)
                                << out.dump();
  if (!r.one_in(8)) return;
  const std::string path = beside("trace.txt");
  if (r.one_in(2)) set_file(path, r.one_in(4) ? std::string(20481, 'q') : gen(r, false, true));
  const bytes message = gen(r);
  const u32 written = Trace(maybe(r, message), r.next());
  bytes file;
  const bool there = read_raw(path.c_str(), file);
  // The time of day in each record: the 23 characters between "<<" and ">>".
  for (std::size_t at = 25; (at = file.find(">>\r\n", at)) != bytes::npos; at += 4)
    if (file.compare(at - 25, 2, "<<") == 0) file.replace(at - 23, 23, 23, '#');
  const std::size_t used = file.find_last_not_of('\0') + 1;  // npos + 1 is 0
  line("Trace") << hex(message) << written << there << hex(file.substr(0, used))
                << file.size() - used;
}

// ---- profile and value files ----

void drive_profile(rng& r) {
  static const auto names = table("s|S|sec|a b|| s |k|K|key|k2|=| k ");
  static const auto ends = table("\n|\r||\r\n\x0c|\n\r|\r\n\r\n");
  static const auto functions = table(
      "GetPrivateProfileStrEx|GetPrivateProfileIntEx|WritePrivateProfileStrEx|"
      "WritePrivateProfileIntEx|GetFileValueString|GetFileValueInt|WriteFileValueString|"
      "WriteFileValueInt");
  bytes file;
  for (u32 i = 0, n = r.below(12); i < n; ++i) {
    // A section, a key and its value (four times out of eight), a bare key, a comment, junk.
    const std::string name = r.pick(names), junk = gen(r);
    const std::string lines[] = {(r.one_in(6) ? " [" : "[") + name + (r.one_in(8) ? "" : "]"),
                                 name + (r.one_in(4) ? " = " : "=") + junk, name, ";" + junk, junk};
    const u32 kind = r.below(8);
    file += lines[kind < 5 ? (kind > 0) : kind - 3] + (r.one_in(6) ? r.pick(ends) : "\r\n");
  }
  const bool beside_exe = r.one_in(4);
  const std::string path = beside_exe ? beside("differential.ini") : "p.ini";
  set_file(path, file, r.one_in(8));
  for (u32 i = 0, k = 1 + r.below(4); i < k; ++i) {
    const std::string section_name = r.pick(names), key_name = r.pick(names);
    const char* section = r.one_in(10) ? nullptr : section_name.c_str();
    const char* key = r.one_in(8) ? nullptr : key_name.c_str();
    const bytes value = gen(r, r.one_in(2));
    const char *v = maybe(r, value), *p = r.one_in(15) ? nullptr : path.c_str();
    const char* fn = r.one_in(15) ? nullptr : "differential.ini";
    const u32 n = number(r), op = r.below(4) + (beside_exe ? 4 : 0);
    buffer<> b(edge(r, r.below(24)), r.one_in(12));
    line l(functions[op].c_str());
    l << op << hex(file) << T(section) << T(key) << T(v) << n << b.size;
    if (op == 0) l << GetPrivateProfileStrEx(section, key, v, b.p(), b.size, p) << b.dump();
    if (op == 1) l << GetPrivateProfileIntEx(section, key, n, p);
    if (op == 2) l << WritePrivateProfileStrEx(section, key, v, p);
    if (op == 3) l << WritePrivateProfileIntEx(section, key, n, p, n & 1);
    if (op == 4) l << GetFileValueString(fn, section, key, v, b.p(), b.size) << b.dump();
    if (op == 5) l << GetFileValueInt(fn, section, key, n);
    if (op == 6) l << WriteFileValueString(fn, section, key, v);
    if (op == 7) l << WriteFileValueInt(fn, section, key, static_cast<int32_t>(n));
    l << read_back(path);
  }
  std::remove(path.c_str());
}

// ---- CSV ----

void drive_csv_items(rng& r) {
  const char* const separators[] = {",", ",", ";", "\t", "", "ab", "\"", "\r\n", nullptr, ",,"};
  const bytes item = gen(r);
  const char *it = maybe(r, item), *s = r.pick(separators);
  buffer<> b(edge(r, len(item) + 2 + u32(std::count(item.begin(), item.end(), '"'))), r.one_in(12));
  const u32 v = r.below(4), escape = r.below(2);
  line("MakeCSVOneItem") << v << T(it) << T(s) << escape << b.size
                         << (v == 0   ? MakeCSVOneItem(it, b.p(), b.size)
                             : v == 1 ? MakeCSVOneItem2(it, b.p(), b.size, s)
                             : v == 2 ? MakeCSVOneItem3(it, b.p(), b.size, s, escape)
                                      : MakeCSVOneItemEx(it, b.p(), b.size, s))
                         << b.dump();
  bytes text;
  for (u32 i = 0, k = r.below(6); i < k; ++i) {
    if (i > 0) text += s != nullptr && r.one_in(2) ? s : ",";
    text += r.one_in(3) ? "\"" + gen(r) + (r.one_in(4) ? "" : "\"") : gen(r);
  }
  for (const char* at = maybe(r, text); at != nullptr;) {
    buffer<> out(edge(r, 6), r.one_in(15));
    const u32 g = r.below(4);
    const char* next = g == 0   ? GetCSVOneItem(at, out.p(), out.size)
                       : g == 1 ? GetCSVOneItem2(at, out.p(), out.size, s)
                       : g == 2 ? GetCSVOneItem3(at, out.p(), out.size, s)
                                : GetCSVOneItemEx(at, out.p(), out.size, s);
    line("GetCSVOneItem") << g << hex(text) << uint64_t(at - text.c_str()) << T(s) << out.size
                          << (next ? std::to_string(next - text.c_str()) : "null") << out.dump();
    at = next && next > at ? next : nullptr;
  }
}

void drive_csv_file(rng& r) {
  HeapAreaHead* area = nullptr;
  const char* const shapes[] = {"", "\r\n", ",", "\r\n,"};
  std::string records;
  for (u32 i = 0, k = r.below(8); i < k; ++i) {
    bytes d = r.pick(shapes) + gen(r, false, true) + (r.one_in(4) ? "," : "");
    if (r.one_in(40)) d.assign(5120 + r.below(2), 'r');
    if (d.empty()) d = std::string(1, '\0');
    records += hex(d) + ".";
    AllocHeapAreaAndSetData(&area, d.data(), len(d));
  }
  const bytes old = gen(r, false, true);
  set_file("c.csv", old, r.one_in(3));
  const auto* head = r.one_in(12) ? reinterpret_cast<const HeapAreaHead*>(fake_head) : area;
  const u32 replace = r.below(2);
  const bool jbk = r.one_in(60);
  const char* path = r.one_in(15) ? nullptr : "c.csv";
  line(jbk ? "MakeJBKFile" : "MakeCSVFile")
      << records << hex(old) << replace << (jbk ? MakeJBKFile : MakeCSVFile)(path, head, replace)
      << read_back("c.csv");
  FreeHeapArea(&area);
  std::remove("c.csv");
}

// ---- numbers, byte order, CRC, search, sort, format ----

void drive_numbers(rng& r) {
  const bytes t = gen(r, true);
  const char* p = maybe(r, t);
  const u32 length = edge(r, len(t)), v = number(r), width = r.below(14), decimals = r.below(12);
  u32 o1 = 0xA5A5A5A5u, o2 = o1;
  line("ChangeAsciiToHex") << T(p) << length << ChangeAsciiToHex(p, length)
                           << ChangeAsciiToHexEx(p, length, &o1) << o1
                           << ChangeAsciiToHexEx2(p, length) << ChangeAsciiToPtr(p, length);
  line("ChangeAsciiToBin") << T(p) << length << ChangeAsciiToBin(p, length)
                           << ChangeAsciiToBinEx(p, length, &o2) << o2
                           << (p ? bits(ChangeAsciiToFloat(p, length)) : "") << NumericCheck(p)
                           << GetPortKind(p);
  const int32_t suppress = static_cast<int32_t>(r.below(3)) - 1;
  buffer<> h(width + 1), d(width + 1), point(edge(r, 12 + r.below(3)), r.one_in(12));
  ChangeHexToAscii(v, h.p(), width, suppress);
  ChangeBinToAscii(v, d.p(), width, suppress);
  line("ChangeToAscii") << v << width << suppress << h.dump() << d.dump() << point.size << decimals
                        << ChangeBinToAsciiWithDecimalPoint(static_cast<int32_t>(v), point.p(),
                                                            point.size, decimals)
                        << point.dump();
  const bytes z = r.one_in(3) ? "-" + gen(r, true) : gen(r, true);
  const u32 zsize = edge(r, len(z) + 1 + r.below(8)), zwidth = r.below(16);
  buffer<> zb(std::max(zsize, len(z) + 1));
  std::memcpy(zb.p(), z.c_str(), z.size() + 1);
  const int32_t mode = static_cast<int32_t>(r.below(2));
  line("ZeroSuppressProc") << hex(z) << zsize << zwidth << mode
                           << ZeroSuppressProc(r.one_in(15) ? nullptr : zb.p(), zsize, zwidth, mode)
                           << zb.dump();
  bytes block = gen(r, false, true);
  const u32 bsize = r.one_in(20) ? 257 + r.below(3) : at_most(edge(r, len(block)), block.size());
  block.resize(std::max(bsize, len(block)), 'e');
  const std::string before = hex(block);
  ChangeEndian(block.data(), bsize);
  const u32 es = r.below(7);
  line("ChangeEndian") << before << bsize << hex(block) << es << ChangeBigEndian(v, es)
                       << ChangeLittleEndian(v, es);
}

void drive_algo(rng& r) {
  const bytes data = gen(r, false, true);
  const u32 length = at_most(edge(r, len(data)), data.size());
  line("CalculateCRC") << hex(data) << length << CalculateCRC(maybe(r, data), length);
  std::vector<int32_t> a(r.below(40));
  const int32_t values[] = {INT32_MIN, INT32_MAX, -1, 0, 1, INT32_MIN + 1, INT32_MAX - 1};
  for (int32_t& x : a) x = r.one_in(4) ? r.pick(values) : static_cast<int32_t>(r.below(20)) - 10;
  const u32 count = at_most(edge(r, len(a)), a.size());
  const int32_t ascending = static_cast<int32_t>(r.below(3)) - 1;
  const std::string before = hex(a.data(), a.size() * 4);
  QuickSort(a.data(), count, ascending);
  const int32_t key = !a.empty() && r.one_in(2) ? a[r.below(len(a))] : r.pick(values);
  const int32_t* array = r.one_in(15) ? nullptr : a.data();
  line("QuickSort") << before << count << ascending << hex(a.data(), a.size() * 4) << key
                    << (ascending ? BinarySearch(array, count, key)
                                  : BinarySearchDSC(array, count, key));
  const bytes hay = gen(r);
  bytes needle =
      !hay.empty() && r.one_in(2) ? hay.substr(r.below(len(hay)), 1 + r.below(4)) : gen(r);
  if (r.one_in(3))
    for (char& c : needle) c ^= (c & 0x40) ? 0x20 : 0;
  const char *h = maybe(r, hay), *n = maybe(r, needle);
  const u32 window = edge(r, len(hay));
  auto at = [h](const char* found) { return found ? std::to_string(found - h) : "null"; };
  line("StringSearch") << T(h) << T(n) << window << at(memstr(h, n, window)) << at(strrstr(h, n))
                       << at(strnostr(h, n));
}

void drive_format(rng& r) {
  const char* const flags[] = {"", "", "-", "0", "+", " ", "#", "-0", "+ "};
  const char* const widths[] = {"", "", "1", "5", "12", "*", "0"};
  const char* const precisions[] = {"", "", ".", ".0", ".3", ".12", ".*"};
  const char* const types[] = {"d", "i",  "u",   "x",  "X", "o",  "c",
                               "s", "hd", "lld", "hx", "%", "llx"};
  const char* const strings[] = {"", "abc", "\xE9\x80", "a long string of forty characters, or so"};
  const bytes long_text(300, 'L');
  intptr_t args[12] = {};
  std::string format;
  auto literal = [&] {
    for (char c : gen(r)) format += c == '%' ? "%%" : std::string(1, c);
  };
  for (u32 i = 0, k = r.below(5), used = 0; i < k; ++i) {
    literal();
    const std::string type = r.pick(types), width = r.pick(widths);
    std::string flag = r.pick(flags), precision = r.pick(precisions);
    const bool text = type == "c" || type == "s";
    if ((text || !precision.empty()) && flag.find_first_of("0#") != std::string::npos) flag = "-";
    if (type == "c") precision.clear();
    format += type == "%" ? "%%" : "%" + flag + width + precision + type;
    if (type == "%") continue;
    if (width == "*") args[used++] = static_cast<int32_t>(r.below(30)) - 5;
    if (precision == ".*") args[used++] = static_cast<int32_t>(r.below(20)) - 3;
    args[used++] =
        type == "s" ? reinterpret_cast<intptr_t>(r.one_in(8) ? long_text.c_str() : r.pick(strings))
                    : static_cast<intptr_t>(uint64_t{r.next()} << 32 | number(r));
  }
  if (r.one_in(4)) literal();
  buffer<> b(edge(r, r.below(60)), r.one_in(15));
  sprintfEx(b.p(), b.size, r.one_in(20) ? nullptr : format.c_str(), args[0], args[1], args[2],
            args[3], args[4], args[5], args[6], args[7], args[8], args[9], args[10], args[11]);
  line("sprintfEx") << hex(format) << b.size << b.dump();
}

// ---- encodings ----

template <class In, class Out>
void convert(rng& r, const char* name, int32_t (*f)(const In*, u32, Out*, u32),
             const std::basic_string<In>& t, u32 expected, bool zero_length = false) {
  u32 length = at_most(edge(r, len(t)), t.size());
  if (length == 0 && !zero_length && r.one_in(2)) length = len(t);
  buffer<Out> b(edge(r, expected), r.one_in(15));
  line(name) << hex(t.data(), t.size() * sizeof(In)) << length << b.size
             << f(r.one_in(20) ? nullptr : t.c_str(), length, b.p(), b.size) << b.dump();
}

template <class In, class Out>
void lines(rng& r, const char* name, int32_t (*f)(const In*, u32, Out*, u32*),
           const std::basic_string<In>& t) {
  const u32 length = at_most(edge(r, len(t)), t.size());
  u32 need = 0xA5A5A5A5u;
  const int32_t first = f(t.c_str(), length, nullptr, &need);
  const u32 room = need < 0x100000 ? need : 16;
  buffer<Out> b(room + 1 + r.below(3));
  const u32 sizes[] = {room, room, room - 1, room + 1, b.size, 0, b.size - 1};
  u32 size = at_most(r.pick(sizes), b.size);
  const u32 given = size;
  const int32_t second = f(r.one_in(20) ? nullptr : t.c_str(), length, b.p(), &size);
  line(name) << hex(t.data(), t.size() * sizeof(In)) << length << first << need << given << second
             << size << b.dump();
}

void drive_encodings(rng& r) {
  const u32 which = r.below(10);
  const bytes raw = gen(r, false, true);
  const bytes t = which == 2 || which == 4 || which == 6 ? raw : agreeable(raw);
  const std::basic_string<hu_wchar> w = gen16(r);
  const u32 n = len(t), m = len(w);
  if (which == 0) convert(r, "ChangeUTF8ToUTF16", ChangeUTF8ToUTF16, t, n);
  if (which == 1) convert(r, "ChangeUTF16ToUTF8", ChangeUTF16ToUTF8, w, 3 * m);
  if (which == 2) convert(r, "ChangeAnsiToUnicode", ChangeAnsiToUnicode, t, n, true);
  if (which == 3) convert(r, "ChangeUnicodeToAnsi", ChangeUnicodeToAnsi, w, m);
  if (which == 4) convert(r, "ChangeAnsiToUTF8", ChangeAnsiToUTF8, t, 2 * n);
  if (which == 5) convert(r, "ChangeUTF8ToAnsi", ChangeUTF8ToAnsi, t, n);
  if (which == 6) lines(r, "ChangeAnsiToUTF8_MultiLine", ChangeAnsiToUTF8_MultiLine, t);
  if (which == 7) lines(r, "ChangeUTF8ToAnsi_MultiLine", ChangeUTF8ToAnsi_MultiLine, t);
  if (which == 8) lines(r, "ChangeUTF8ToUTF16_MultiLine", ChangeUTF8ToUTF16_MultiLine, t);
  if (which == 9) lines(r, "ChangeUTF16ToUTF8_MultiLine", ChangeUTF16ToUTF8_MultiLine, w);
}

// Each driver with its rounds in one seed: fewer of those that lock or take scratch memory
// (a round trip to Wine's server each time) and of the file writers.
const struct {
  void (*run)(rng&);
  u32 rounds;
} drivers[] = {{drive_compare, 12},  {drive_semaphore, 1},  {drive_heap, 1},
               {drive_file, 1},      {drive_line, 12},      {drive_path_folder, 1},
               {drive_times, 12},    {drive_dump_trace, 4}, {drive_profile, 2},
               {drive_csv_items, 4}, {drive_csv_file, 0},   {drive_numbers, 4},
               {drive_algo, 12},     {drive_format, 12},    {drive_encodings, 10}};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (sink = std::fopen(argv[1], "wb")) == nullptr) {
    std::fputs("usage: hostutil_differential OUTPUT FIRST_SEED SEED_COUNT\n", stderr);
    return 2;
  }
  char here[4096] = {};
  GetFilePath(nullptr, here, sizeof here);
  folder = here;
  std::remove(beside("trace.txt").c_str());  // the log of an earlier run is not this run's
  const uint64_t first = std::strtoull(argv[2], nullptr, 10);
  for (uint64_t seed = first; seed < first + std::strtoull(argv[3], nullptr, 10); ++seed) {
    rng r{seed};
    line("seed") << seed;
    // A few calls before the semaphore table is set up: what needs it must fail alike.
    for (int i = 0; i < 2; ++i) r.pick(drivers).run(r);
    SemaphoreControlBegin();
    for (const auto& d : drivers)
      for (u32 i = 0, k = d.rounds + (d.rounds ? r.below(2) : 1); i < k; ++i) d.run(r);
    line("GlobalAreaLumpFree") << GlobalAreaLumpFree();
    SemaphoreControlEnd();
  }
  std::fprintf(stderr, "%llu calls\n", static_cast<unsigned long long>(calls));
  return std::fclose(sink) == 0 ? 0 : 1;
}
