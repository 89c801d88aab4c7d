// Differential driver: the same seeded calls against whichever library it is linked with
// (libhostutil.so natively, hostutil.dll under Wine), one line per call, so that
// scripts/differential can compare the two builds byte for byte.
//
//   hostutil_differential OUTPUT FIRST_SEED SEED_COUNT
//
// Run it in an empty scratch folder: every file it makes has a relative name there, but the
// value files and the trace file, which lie beside the executable. Each line holds the
// function, its inputs (texts in hex), its result and the whole output buffer in hex, four
// canary bytes behind it included; buffers are pre-filled with 0xA5, files are read back.
// Buffers above 4 KiB are printed as their length and an FNV-1a digest. Paths beside the
// executable are printed with the executable's folder replaced by "<F>/".
//
// Not driven, as their answers are the machine's or the clock's: GetLastErrorString(Ex)
// texts (only the refused calls are), GetTempDirPath, GetDriveTypeEx, LocalTimeGet, the
// values of the three file-time getters (only their results), the trace stamp's time, the
// system queries (system folder, names, address, version, display, language, user group),
// the printer look-ups and every dialog, help viewer and the browser. GlobalAllocEx blocks
// without zero-filling are not printed.
//
// sprintfEx reads its format as the platform's C library does, and the two differ where the
// platforms do (long is 32 bits on Windows, I64 and hs are Windows' own): the formats made
// here use the forms both read alike.
//
// Choices where the behaviour is left open, made the same on both builds:
// - strrstr with an empty needle answers null.
#include <hostutil.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using bytes = std::string;

#if defined(_WIN32)
const char sep[] = "\\";
#else
const char sep[] = "/";
#endif

struct rng {
  uint64_t s;
  uint32_t next() {
    uint64_t z = (s += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 16);
  }
  uint32_t below(uint32_t n) { return n == 0 ? 0 : next() % n; }
  bool one_in(uint32_t n) { return below(n) == 0; }
  template <class T, std::size_t N> T pick(T (&table)[N]) { return table[below(N)]; }
};

FILE* sink;
uint64_t calls;

std::string hex(const void* data, std::size_t n) {
  if (data == nullptr) return "null";
  const auto* p = static_cast<const unsigned char*>(data);
  if (n > 4096) {
    uint64_t h = 14695981039346656037ull;
    for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return "#" + std::to_string(n) + ":" + std::to_string(h);
  }
  std::string s = n == 0 ? "-" : "";
  for (std::size_t i = 0; i < n; ++i) {
    s += "0123456789abcdef"[p[i] >> 4];
    s += "0123456789abcdef"[p[i] & 15];
  }
  return s;
}
std::string hex(const bytes& b) { return hex(b.data(), b.size()); }
std::string text(const char* t) { return t == nullptr ? "null" : hex(t, std::strlen(t)); }
std::string num(uint64_t v) { return std::to_string(v); }
template <class T> std::string bits(const T& v) { return hex(&v, sizeof v); }

void emit(const char* function, std::initializer_list<std::string> fields) {
  std::string line = function;
  for (const std::string& f : fields) line += " " + f;
  line += "\n";
  std::fputs(line.c_str(), sink);
  ++calls;
}

// A caller's buffer of size bytes and four canary bytes, all 0xA5; null when asked.
template <class T = char> struct buffer {
  std::vector<T> b;
  uint32_t size;
  bool null;
  explicit buffer(uint32_t n, bool is_null = false)
      : b(n + 4, static_cast<T>(0xA5A5u)), size(n), null(is_null) {}
  T* p() { return null ? nullptr : b.data(); }
  std::string dump() const { return hex(b.data(), b.size() * sizeof(T)); }
};

// Sizes at the edges of n: 0, 1, n - 1, n, n + 1, n + 2, or anything up to about 2n.
uint32_t edge(rng& r, uint32_t n) {
  const uint32_t v[] = {0, 1, n > 0 ? n - 1 : 0, n, n + 1, n + 2, r.below(2 * n + 8), n};
  return v[r.below(8)];
}

// Number-like pieces first: numeric texts take only those.
const char* const pieces[] = {
    "0", "1", "7", "9", "00", "a", "F", "f", "g", "-", "+", "0x", "0X", " ", ".", "4294967295",
    "4294967296", "2147483647", "2147483648", "FFFFFFFF", "100000000", "ffffffffffffffff",
    "10000000000000000", "99999999999", "1e5", "\x80", "", "key", "K", "s", "=", "[", "]", ";",
    "\t", "\"", ",", "\"\"", "\r", "\n", "\r\n", "\r\n\x0c", "\x0c", "\n\r", "DEFAULT", "\\", "/",
    "%", "ab", "AB", "aB", "@`[{", "USB", "lpt", "IP_", "192.168.0.1", "\xC3\xA9", "\xE6\x97\xA5",
    "\xF0\x9F\x98\x80", "\xC0\x80", "\xED\xA0\x80", "\xED\xBF\xBF", "\xF4\x90\x80\x80", "\xE2\x82",
    "\xFF", "\x81", "\x8D", "\x9D", "\xA0", "\xFE", "\x83\x5C", "\xE9"};
constexpr uint32_t numeric_pieces = 26;
constexpr uint32_t all_pieces = sizeof pieces / sizeof pieces[0];

bytes gen(rng& r, bool numeric = false, bool nul = false) {
  bytes s;
  const uint32_t n = r.one_in(8) ? r.below(40) : r.below(6);
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t k = numeric ? 9 : r.below(24);
    if (k == 0) s += static_cast<char>(1 + r.below(255));
    else if (k == 1 && r.one_in(3)) s.append(100 + r.below(200), "aZ 9,\r\"\xE9"[r.below(8)]);
    else if (k == 2 && nul) s += '\0';
    else s += pieces[r.below(numeric ? numeric_pieces : all_pieces)];
  }
  return s;
}
std::vector<hu_wchar> gen16(rng& r) {
  const hu_wchar units[] = {0x41,   0xE9,   0x3042, 0xD800, 0xDC00, 0xD83D, 0xDE00, 0x0D,  0x0A,
                            0x0C,   0,      0xFFFF, 0xFFFE, 0x80,   0x20AC, 0x81,   0x7F,  0xFF,
                            0xDBFF, 0xDFFF, 0x5C,   0x3041, 0x2014, 0x30FC, 0xA5,   0x2026, 0x9D};
  std::vector<hu_wchar> s(r.one_in(8) ? r.below(200) : r.below(12));
  // Random units from ranges without Windows' look-alike replacements in ANSI.
  const uint32_t from[] = {0, 0x3040, 0xD800}, span[] = {0x100, 0x6000, 0x800};
  for (hu_wchar& u : s) {
    const uint32_t k = r.below(3);
    u = r.one_in(6) ? static_cast<hu_wchar>(from[k] + r.below(span[k])) : r.pick(units);
  }
  return s;
}
// Wine's UTF-8 decoder splits an ill-formed sequence of three or four bytes otherwise than
// Windows (which takes each maximal ill-formed part as one U+FFFD), and Windows gives
// look-alikes in ANSI for many characters from U+0100 to U+2FFF: the UTF-8 inputs here hold
// neither (the lead byte becomes "?"). Ill-formed two-byte sequences and stray bytes stay.
bytes agreeable(bytes s, bool to_ansi) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0xC2) continue;
    const std::size_t n = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    const unsigned low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80, high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
    bool whole = b < 0xF5 && i + n <= s.size();
    for (std::size_t k = 1; whole && k < n; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      whole = c >= (k == 1 ? low : 0x80) && c <= (k == 1 ? high : 0xBF);
    }
    if ((n > 2 && !whole) || (to_ansi && whole && (b <= 0xDF ? b >= 0xC4 : b <= 0xE2))) s[i] = '?';
    else if (whole) i += n - 1;
  }
  return s;
}
uint32_t number(rng& r) {
  const uint32_t v[] = {0,      1,          2,          9,          10,         15,       16,
                        0x7F,   0x80,       0xFF,       0x100,      0x7FFF,     0x8000,   0xFFFF,
                        0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 999999999u, 1000000000u};
  return r.one_in(3) ? r.next() : r.one_in(2) ? r.below(1000) : r.pick(v);
}
const char* maybe(rng& r, const bytes& s) { return r.one_in(12) ? nullptr : s.c_str(); }
uint32_t at_most(uint32_t v, std::size_t limit) { return v < limit ? v : static_cast<uint32_t>(limit); }

bool read_raw(const char* path, bytes& b) {
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) b.append(chunk, n);
  return std::fclose(f) == 0;
}
std::string read_back(const char* path) {
  bytes b;
  return read_raw(path, b) ? hex(b) : "missing";
}
void write_file(const char* path, const bytes& data) {
  if (FILE* f = std::fopen(path, "wb")) {
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
  }
}

std::string folder;  // the executable's folder
std::string beside(const char* name) { return folder + sep + name; }
std::string normalised(const char* path) {
  std::string s = path;
  if (s.compare(0, folder.size(), folder) != 0) return "?" + hex(s);
  return s.size() == folder.size() ? "<F>" : "<F>/" + hex(s.substr(folder.size() + 1));
}

// ---- frame, lock ----

void drive_compare(rng& r) {
  bytes a = gen(r), b = a;
  if (r.one_in(2)) {
    for (char& c : b)
      if (r.one_in(2) && (c & 0x40)) c ^= 0x20;
  } else if (r.one_in(2)) {
    b = r.one_in(2) ? gen(r) : b.substr(0, r.below(static_cast<uint32_t>(b.size()) + 1));
  }
  const char *pa = maybe(r, a), *pb = maybe(r, b);
  const uint32_t n = edge(r, static_cast<uint32_t>(a.size() > b.size() ? a.size() : b.size()));
  const std::string in = text(pa) + " " + text(pb);
  emit("CompareCase", {in, num(CompareCase(pa, pb))});
  emit("CompareNoCase", {in, num(CompareNoCase(pa, pb))});
  emit("CompareCaseN", {in, num(n), num(CompareCaseN(pa, pb, n))});
  emit("CompareNoCaseN", {in, num(n), num(CompareNoCaseN(pa, pb, n))});
  bytes t = a + '\0' + b;
  const std::string before = hex(t);
  const uint32_t count = at_most(edge(r, static_cast<uint32_t>(t.size())), t.size());
  const bool upper = r.one_in(2);
  (upper ? MakeUpper : MakeLower)(r.one_in(12) ? nullptr : t.data(), count);
  emit(upper ? "MakeUpper" : "MakeLower", {before, num(count), hex(t)});
  buffer<> e(r.below(2), r.one_in(2));
  emit("GetLastErrorString", {num(e.size), num(GetLastErrorString(2, e.p(), e.size)), e.dump()});
}

void drive_semaphore(rng& r) {
  const bytes name = gen(r);
  const char* nm = r.one_in(3) ? nullptr : name.c_str();
  const uint64_t n = r.one_in(2) ? number(r) : (uint64_t{r.next()} << 32 | r.next());
  const std::string in = text(nm) + " " + num(n);
  emit("SemaphoreIsExist", {in, num(SemaphoreIsExist(nm, static_cast<uint32_t>(n)))});
  emit("SemaphoreCreate", {in, num(SemaphoreCreate(nm, n))});
  emit("SemaphoreEntry", {in, num(SemaphoreEntry(nm, n, 1))});
  emit("SemaphoreIsEntry", {in, num(SemaphoreIsEntry(nm, n))});
  emit("SemaphoreIsExist", {in, num(SemaphoreIsExist(nm, static_cast<uint32_t>(n)))});
  SemaphoreLeave(nm, n);
  emit("SemaphoreIsEntry", {in, num(SemaphoreIsEntry(nm, n))});
  if (r.one_in(2)) SemaphoreRelease(nm, n);
  emit("SemaphoreIsExist", {in, num(SemaphoreIsExist(nm, static_cast<uint32_t>(n)))});
  const uint32_t v = number(r), w = number(r);
  emit("Values", {num(v), num(w), num(ResetValue(v)), num(SetValue(v, w)), num(IncrementValue(v)),
                  num(DecrementValue(v))});
}

// ---- heap ----

void drive_heap(rng& r) {
  HeapAreaHead* area = nullptr;
  std::vector<bytes> records;
  for (uint32_t i = 0, k = r.below(7); i < k; ++i) {
    records.push_back(gen(r, false, true));
    const bytes& d = records.back();
    emit("AllocHeapAreaAndSetData", {hex(d), num(AllocHeapAreaAndSetData(
                                                 &area, r.one_in(15) ? nullptr : d.data(),
                                                 static_cast<uint32_t>(d.size())))});
  }
  char fake[24] = "HEAPMNGX";
  emit("IsHeapAddress", {num(IsHeapAddress(area)), num(IsHeapAddress(fake))});
  void* cursor = area;
  for (std::size_t i = 0; i <= records.size(); ++i) {
    buffer<> b(edge(r, i < records.size() ? static_cast<uint32_t>(records[i].size()) : 4),
               r.one_in(10));
    emit("FetchHeapData", {num(b.size), num(FetchHeapData(&cursor, b.p(), b.size)), b.dump()});
  }
  for (uint32_t i = 0, k = r.below(6); i < k; ++i) {
    const bytes key = records.empty() || r.one_in(4) ? gen(r) : records[r.below(
                                                                     static_cast<uint32_t>(records.size()))];
    buffer<> b(edge(r, static_cast<uint32_t>(key.size())), r.one_in(10));
    const uint32_t op = r.below(4);
    const uint32_t got =
        op == 0   ? FetchHeapLastData(&area, b.p(), b.size)
        : op == 1 ? FetchAndFreeHeapData(&area, b.p(), b.size)
        : op == 2 ? FetchAndFreeHeapLastData(&area, b.p(), b.size)
                  : SearchAndFreeHeapData(&area, key.data(), static_cast<uint32_t>(key.size()), b.p(),
                                          b.size);
    emit("HeapOp", {num(op), hex(key), num(b.size), num(got), b.dump(), num(area != nullptr)});
  }
  emit("FreeHeapArea", {num(FreeHeapArea(&area)), num(area != nullptr)});
  const uint32_t flags = r.one_in(4) ? 0 : HOSTUTIL_ZEROINIT, size = edge(r, 64);
  void* block = r.one_in(2) ? GlobalAllocEx(flags, size) : HeapAllocExEx(flags, size);
  emit("GlobalAllocEx", {num(flags), num(size), block == nullptr ? "null" : flags ? hex(block, size) : "block"});
  emit("GlobalAreaIsEntry", {num(GlobalAreaIsEntry(block))});
  emit("GlobalAreaEntry", {num(GlobalAreaEntry(block))});
  emit("GlobalAreaIsEntry", {num(GlobalAreaIsEntry(block))});
  GlobalAreaLeave(block);
  emit("GlobalAreaIsEntry", {num(GlobalAreaIsEntry(block))});
  const uint32_t how = r.below(4);  // 3 leaves it to GlobalAreaLumpFree
  if (how < 3) {
    emit("GlobalFree", {num(how), num(how == 0   ? GlobalFreeEx(block)
                                      : how == 1 ? GlobalFreeExEx(block)
                                                 : HeapFreeExEx(block))});
  }
}

// ---- files, times, dump, trace ----

void drive_file(rng& r) {
  const char* name = "f.bin";
  const bytes data = gen(r, false, true);
  const uint32_t size = at_most(edge(r, static_cast<uint32_t>(data.size())), data.size());
  const char* paths[] = {name, name, "", nullptr, "g.bin"};
  const char* path = r.pick(paths);
  emit("FileWrite", {text(path), hex(data), num(size), num(FileWrite(path, data.data(), size))});
  emit("FileSizeGet", {num(FileSizeGet(name)), num(FileSizeGet(path)), read_back(name)});
  buffer<> b(edge(r, size), r.one_in(10));
  emit("FileRead", {text(path), num(b.size), num(FileRead(path, b.p(), b.size)), b.dump()});
  const char* patterns[] = {name, "f*", "*.bin", "f?bin", "g*", "", nullptr, "."};
  const char* pattern = r.pick(patterns);
  hu_WIN32_FIND_DATAA fd;
  std::memset(&fd, 0xA5, sizeof fd);
  const bool record = !r.one_in(8);
  const uint32_t found = FindAndGetInformationOfFile(pattern, record ? &fd : nullptr);
  emit("FindAndGetInformationOfFile", {text(pattern), num(found), found && record ? num(fd.dwFileAttributes) : "", hex(&fd.nFileSizeHigh, 8),
                                       found && record ? text(fd.cFileName) + " " + text(fd.cAlternateFileName) : ""});
  hu_FILETIME ft = {0xA5A5A5A5u, 0xA5A5A5A5u};
  emit("FileTimeGet", {text(pattern), num(CreateFileTimeGet(pattern, &ft)),
                       num(LastAccessFileTimeGet(pattern, &ft)),
                       num(LastWriteFileTimeGet(pattern, found ? &ft : nullptr)),
                       num(found || ft.dwLowDateTime == 0xA5A5A5A5u)});
  const uint32_t attributes[] = {0x1, 0x20, 0x80, 0, 0x21, 0x10};
  const uint32_t a = r.pick(attributes);
  emit("FileAttributesSet", {num(a), num(FileAttributesSet(path, a) != 0), num(FileAttributesGet(path)),
                             num(FileAttributesGet(name))});
  FileAttributesSet(name, 0x80);
  const char* moved = r.one_in(2) ? "h.bin" : name;
  const uint32_t tested = PreFileWrite(path);  // 4 and 6 to 9 name the drive: none on POSIX
  emit("PreFileWrite", {text(path), num(tested >= 4 && tested != 5 ? 4 : tested), read_back(name)});
  emit("FileMove", {text(path), moved, num(FileMove(path, moved) != 0), read_back(name), read_back("h.bin")});
  emit("FileDelete", {num(FileDelete(name) != 0), num(FileDelete("h.bin") != 0), num(FileDelete(name) != 0),
                      num(FileAttributesGet(name))});
  std::remove("g.bin");
}

void drive_line(rng& r) {
  bytes t = gen(r);
  for (uint32_t i = 0, k = r.below(4); i < k; ++i) t += pieces[38 + r.below(6)] + gen(r);
  t += '\0';
  if (r.one_in(4)) t += gen(r, false, true);
  const uint32_t length = at_most(edge(r, static_cast<uint32_t>(t.size())), t.size());
  const uint32_t number = r.below(6);
  buffer<> b(edge(r, r.below(static_cast<uint32_t>(t.size()) + 4)), r.one_in(12));
  emit("GetFileOneLine", {hex(t), num(length), num(number), num(b.size),
                          num(GetFileOneLine(r.one_in(12) ? nullptr : t.data(), length, number, b.p(), b.size)),
                          b.dump()});
}

void drive_path_folder(rng& r) {
  const bytes name = r.one_in(2) ? gen(r) : std::string(25 + r.below(40), 'n');
  const char* nm = maybe(r, name);
  const uint32_t need = static_cast<uint32_t>(folder.size()) + (nm ? 2 + static_cast<uint32_t>(name.size()) : 1);
  uint32_t size = static_cast<uint32_t>(folder.size()) + edge(r, need - static_cast<uint32_t>(folder.size()));
  if (size < folder.size() + 32) size = static_cast<uint32_t>(folder.size()) + 32;
  buffer<> b(size);
  GetFilePath(nm, b.p(), size);
  emit("GetFilePath", {text(nm), num(size - folder.size()), normalised(b.p()), hex(b.p() + size, 4)});
  const std::string parents[] = {".", "d", std::string("d") + sep, std::string("d") + sep + "e",
                                 std::string("nothere") + sep + "x"};
  const std::string folders[] = {"d", "e", "e.x", "\xE9t\xE9", "", "ab_12", "\x83x"};
  const uint32_t which = r.below(5);
  const std::string parent = parents[which], made = r.pick(folders);
  const uint32_t created = CreateFolder(parent.c_str(), r.one_in(12) ? nullptr : made.c_str());
  std::string joined = parent.empty() || parent.back() != sep[0] ? parent + sep + made : parent + made;
  emit("CreateFolder", {num(which), hex(made), num(created), num(FileAttributesGet(joined.c_str()))});
}

void drive_times(rng& r) {
  auto filetime = [&r] {
    const uint64_t v[] = {0, 1, 0x7FFFFFFFFFFFFFFFull, 0x8000000000000000ull, ~0ull, 0x01D9000000000000ull,
                          2650467743999999999ull, 2650467744000000000ull, 504911232000000000ull};
    const uint64_t t = r.one_in(2) ? r.pick(v) + r.below(3) - 1 : uint64_t{r.next()} << 32 | r.next();
    return hu_FILETIME{static_cast<uint32_t>(t), static_cast<uint32_t>(t >> 32)};
  };
  const hu_FILETIME a = filetime(), b = filetime();
  const std::string in = bits(a) + " " + bits(b);
  emit("CalculateSubstructOfFILETIMEToSecond", {in, bits(CalculateSubstructOfFILETIMEToSecond(a, b))});
  emit("CalculateSubstructOfFILETIMEToMinute", {in, bits(CalculateSubstructOfFILETIMEToMinute(a, b))});
  emit("CalculateSubstructOfFILETIMEToHour", {in, bits(CalculateSubstructOfFILETIMEToHour(a, b))});
  auto field = [&r](std::initializer_list<uint16_t> edges, uint32_t range) {
    return r.one_in(3) ? edges.begin()[r.below(static_cast<uint32_t>(edges.size()))]
                       : static_cast<uint16_t>(r.below(range));
  };
  hu_SYSTEMTIME st = {field({1600, 1601, 1999, 2000, 2100, 30827, 30828, 0, 65535}, 3000),
                      field({0, 1, 2, 12, 13}, 13), field({0, 6, 7, 100}, 7), field({0, 1, 28, 29, 30, 31, 32}, 32),
                      field({0, 23, 24}, 24), field({0, 59, 60}, 60), field({0, 59, 60}, 60),
                      field({0, 999, 1000}, 1000)};
  // Wine takes 29 February of any year, and days of 30828 past the tick count's end.
  if (st.wYear == 30828 && st.wMonth > 8) st.wMonth = 8;
  if (st.wMonth == 2 && st.wDay == 29 && (st.wYear % 4 != 0 || (st.wYear % 100 == 0 && st.wYear % 400 != 0)))
    st.wDay = 28;
  hu_FILETIME ft = {0xA5A5A5A5u, 0xA5A5A5A5u};
  emit("CalculateSystemTimeToFileTime", {bits(st),
                                         num(CalculateSystemTimeToFileTime(&st, r.one_in(12) ? nullptr : &ft) != 0),
                                         bits(ft)});
  hu_FILETIME in_time = r.one_in(2) ? ft : filetime();
  std::memset(&st, 0xA5, sizeof st);
  emit("CalculateFileTimeToSystemTime", {bits(in_time), num(CalculateFileTimeToSystemTime(&in_time, &st) != 0),
                                         hex(&st, sizeof st)});
}

void drive_dump_trace(rng& r) {
  bytes data = r.one_in(300) ? std::string(70000, 'x') : gen(r, false, true);
  const uint32_t per_line[] = {0, 1, 2, 3, 4, 7, 8, 15, 16, 17, 32, 255, 256, 257};
  const uint32_t b = r.one_in(4) ? r.below(300) : r.pick(per_line);
  const uint32_t size = static_cast<uint32_t>(data.size());
  const uint32_t x = number(r), y = number(r);
  emit("GetSizeOfBinDataDumpFile", {num(x), num(y), num(GetSizeOfBinDataDumpFile(x, y))});
  const uint32_t need = GetSizeOfBinDataDumpFile(size, b);
  buffer<> out(edge(r, need + r.below(3)), r.one_in(12));
  emit("CreateBinDataDumpFile", {hex(data), num(b), num(need), num(out.size),
                                 num(CreateBinDataDumpFile(maybe(r, data), size, out.p(), out.size, b)),
                                 out.dump()});
  if (!r.one_in(8)) return;
  const std::string path = beside("trace.txt");
  if (r.one_in(2)) write_file(path.c_str(), r.one_in(4) ? std::string(20481, 'q') : gen(r, false, true));
  const bytes message = gen(r);
  const uint32_t written = Trace(maybe(r, message), r.next());
  bytes file;
  const bool there = read_raw(path.c_str(), file);
  // The time of day in each record: the 23 characters between "<<" and ">>".
  for (std::size_t at = 25; (at = file.find(">>\r\n", at)) != bytes::npos; at += 4)
    if (file.compare(at - 25, 2, "<<") == 0) file.replace(at - 23, 23, 23, '#');
  const std::size_t used = file.find_last_not_of('\0') + 1;  // npos + 1 is 0
  emit("Trace", {hex(message), num(written), num(there), hex(file.substr(0, used)), num(file.size() - used)});
}

// ---- profile files ----

bytes gen_profile(rng& r) {
  const char* const names[] = {"s", "S", "sec", "a b", "", " s ", "k", "K", "key", "k2", "=", " k "};
  const char* const ends[] = {"\n", "\r", "", "\r\n\x0c", "\n\r", "\r\n\r\n"};
  bytes t;
  for (uint32_t i = 0, n = r.below(12); i < n; ++i) {
    switch (r.below(8)) {
      case 0: t += std::string(r.one_in(6) ? " [" : "[") + r.pick(names) + (r.one_in(8) ? "" : "]"); break;
      case 5: t += r.pick(names); break;
      case 6: t += ";" + gen(r); break;
      case 7: t += gen(r); break;
      default: t += r.pick(names) + std::string(r.one_in(4) ? " = " : "=") + gen(r);
    }
    t += r.one_in(6) ? r.pick(ends) : "\r\n";
  }
  return t;
}

void drive_profile(rng& r) {
  const char* const names[] = {"s", "S", "sec", "a b", "", " s ", "k", "K", "key", "k2", "nokey"};
  const bool beside_exe = r.one_in(4);
  const std::string path = beside_exe ? beside("differential.ini") : "p.ini";
  const bytes file = gen_profile(r);
  if (r.one_in(8)) std::remove(path.c_str());
  else write_file(path.c_str(), file);
  for (uint32_t i = 0, k = 1 + r.below(4); i < k; ++i) {
    const char* section = r.one_in(10) ? nullptr : r.pick(names);
    const char* key = r.one_in(8) ? nullptr : r.pick(names);
    const bytes value = gen(r, r.one_in(2));
    const char* v = maybe(r, value);
    const char* p = r.one_in(15) ? nullptr : path.c_str();
    const char* fn = r.one_in(15) ? nullptr : "differential.ini";
    const uint32_t n = number(r);
    const std::string in = hex(file) + " " + text(section) + " " + text(key) + " " + text(v);
    buffer<> b(edge(r, r.below(24)), r.one_in(12));
    switch (r.below(4) + (beside_exe ? 4 : 0)) {
      case 0: emit("GetPrivateProfileStrEx", {in, num(b.size), num(GetPrivateProfileStrEx(section, key, v, b.p(), b.size, p)), b.dump()}); break;
      case 1: emit("GetPrivateProfileIntEx", {in, num(GetPrivateProfileIntEx(section, key, n, p))}); break;
      case 2: emit("WritePrivateProfileStrEx", {in, num(WritePrivateProfileStrEx(section, key, v, p)), read_back(path.c_str())}); break;
      case 3: emit("WritePrivateProfileIntEx", {in, num(n), num(WritePrivateProfileIntEx(section, key, n, p, r.below(2))), read_back(path.c_str())}); break;
      case 4: emit("GetFileValueString", {in, num(b.size), num(GetFileValueString(fn, section, key, v, b.p(), b.size)), b.dump()}); break;
      case 5: emit("GetFileValueInt", {in, num(GetFileValueInt(fn, section, key, n))}); break;
      case 6: emit("WriteFileValueString", {in, num(WriteFileValueString(fn, section, key, v)), read_back(path.c_str())}); break;
      default: emit("WriteFileValueInt", {in, num(WriteFileValueInt(fn, section, key, static_cast<int32_t>(n))), read_back(path.c_str())});
    }
  }
  std::remove(path.c_str());
}

// ---- CSV ----

const char* const separators[] = {",", ",", ";", "\t", "", "ab", "\"", "\r\n", nullptr, ",,"};

void drive_csv_items(rng& r) {
  const bytes item = gen(r);
  const char* it = maybe(r, item);
  const char* s = r.pick(separators);
  const uint32_t quotes = static_cast<uint32_t>(std::count(item.begin(), item.end(), '"'));
  buffer<> b(edge(r, static_cast<uint32_t>(item.size()) + 2 + quotes), r.one_in(12));
  const uint32_t v = r.below(4), escape = r.below(2);
  const uint32_t made = v == 0   ? MakeCSVOneItem(it, b.p(), b.size)
                        : v == 1 ? MakeCSVOneItem2(it, b.p(), b.size, s)
                        : v == 2 ? MakeCSVOneItem3(it, b.p(), b.size, s, escape)
                                 : MakeCSVOneItemEx(it, b.p(), b.size, s);
  emit("MakeCSVOneItem", {num(v), text(it), text(s), num(escape), num(b.size), num(made), b.dump()});
  bytes line;
  for (uint32_t i = 0, k = r.below(6); i < k; ++i) {
    if (i > 0) line += s != nullptr && r.one_in(2) ? s : ",";
    line += r.one_in(3) ? "\"" + gen(r) + (r.one_in(4) ? "" : "\"") : gen(r);
  }
  const char* at = maybe(r, line);
  for (int i = 0; at != nullptr && i < 8; ++i) {
    buffer<> item_out(edge(r, 6), r.one_in(15));
    const uint32_t g = r.below(4);
    const char* next = g == 0   ? GetCSVOneItem(at, item_out.p(), item_out.size)
                       : g == 1 ? GetCSVOneItem2(at, item_out.p(), item_out.size, s)
                       : g == 2 ? GetCSVOneItem3(at, item_out.p(), item_out.size, s)
                                : GetCSVOneItemEx(at, item_out.p(), item_out.size, s);
    emit("GetCSVOneItem", {num(g), hex(line), num(at - line.c_str()), text(s), num(item_out.size),
                           next ? num(next - line.c_str()) : "null", item_out.dump()});
    at = next;
  }
}

void drive_csv_file(rng& r) {
  HeapAreaHead* area = nullptr;
  const char* const shapes[] = {"", "\r\n", ",", "\r\n,"};
  std::string records;
  for (uint32_t i = 0, k = r.below(8); i < k; ++i) {
    bytes d = r.pick(shapes) + gen(r, false, true) + (r.one_in(4) ? "," : "");
    if (r.one_in(40)) d.assign(5120 + r.below(2), 'r');
    if (d.empty()) d = std::string(1, '\0');
    records += hex(d) + ".";
    AllocHeapAreaAndSetData(&area, d.data(), static_cast<uint32_t>(d.size()));
  }
  const bytes old = gen(r, false, true);
  if (r.one_in(3)) std::remove("c.csv");
  else write_file("c.csv", old);
  char fake[24] = "HEAPMNGX";
  const HeapAreaHead* head = r.one_in(12) ? reinterpret_cast<const HeapAreaHead*>(fake) : area;
  const uint32_t replace = r.below(2);
  const bool jbk = r.one_in(60);
  const uint32_t result = (jbk ? MakeJBKFile : MakeCSVFile)(r.one_in(15) ? nullptr : "c.csv", head, replace);
  emit(jbk ? "MakeJBKFile" : "MakeCSVFile", {records, hex(old), num(replace), num(result), read_back("c.csv")});
  FreeHeapArea(&area);
  std::remove("c.csv");
}

// ---- numbers, byte order, CRC, search, sort ----

void drive_numbers(rng& r) {
  const bytes t = gen(r, true);
  const char* p = maybe(r, t);
  const uint32_t length = edge(r, static_cast<uint32_t>(t.size()));
  const std::string in = text(p) + " " + num(length);
  uint32_t o1 = 0xA5A5A5A5u, o2 = o1;
  emit("ChangeAsciiToHex", {in, num(ChangeAsciiToHex(p, length)), num(ChangeAsciiToHexEx(p, length, &o1)), num(o1),
                            bits(ChangeAsciiToHexEx2(p, length)), num(ChangeAsciiToPtr(p, length))});
  emit("ChangeAsciiToBin", {in, num(ChangeAsciiToBin(p, length)), num(ChangeAsciiToBinEx(p, length, &o2)), num(o2),
                            p ? bits(ChangeAsciiToFloat(p, length)) : "", num(static_cast<uint32_t>(NumericCheck(p)))});
  const uint32_t v = number(r), width = r.below(14);
  const int32_t suppress = static_cast<int32_t>(r.below(3)) - 1;
  buffer<> h(width + 1), d(width + 1);
  ChangeHexToAscii(v, h.p(), width, suppress);
  ChangeBinToAscii(v, d.p(), width, suppress);
  emit("ChangeHexBinToAscii", {num(v), num(width), num(static_cast<uint32_t>(suppress)), h.dump(), d.dump()});
  buffer<> point(edge(r, 12 + r.below(3)), r.one_in(12));
  const uint32_t decimals = r.below(12);
  emit("ChangeBinToAsciiWithDecimalPoint", {num(v), num(point.size), num(decimals),
                                            num(static_cast<uint32_t>(ChangeBinToAsciiWithDecimalPoint(
                                                static_cast<int32_t>(v), point.p(), point.size, decimals))),
                                            point.dump()});
  bytes z = r.one_in(3) ? "-" + gen(r, true) : gen(r, true);
  const uint32_t zsize = edge(r, static_cast<uint32_t>(z.size()) + 1 + r.below(8));
  buffer<> zb(zsize > z.size() ? zsize : static_cast<uint32_t>(z.size()) + 1);
  std::memcpy(zb.p(), z.c_str(), z.size() + 1);
  const uint32_t zwidth = r.below(16);
  const int32_t mode = static_cast<int32_t>(r.below(2));
  emit("ZeroSuppressProc", {hex(z), num(zsize), num(zwidth), num(static_cast<uint32_t>(mode)),
                            num(static_cast<uint32_t>(ZeroSuppressProc(r.one_in(15) ? nullptr : zb.p(), zsize, zwidth, mode))),
                            zb.dump()});
  bytes block = gen(r, false, true);
  const uint32_t bsize = r.one_in(20) ? 257 + r.below(3) : at_most(edge(r, static_cast<uint32_t>(block.size())), block.size());
  if (block.size() < bsize) block.resize(bsize, 'e');
  const std::string before = hex(block);
  ChangeEndian(block.data(), bsize);
  const uint32_t es = r.below(7);
  emit("ChangeEndian", {before, num(bsize), hex(block), num(es), num(ChangeBigEndian(v, es)), num(ChangeLittleEndian(v, es))});
  emit("GetPortKind", {text(p), num(GetPortKind(p))});
}

void drive_algo(rng& r) {
  const bytes data = gen(r, false, true);
  const uint32_t length = at_most(edge(r, static_cast<uint32_t>(data.size())), data.size());
  emit("CalculateCRC", {hex(data), num(length), num(CalculateCRC(maybe(r, data), length))});
  std::vector<int32_t> a(r.below(40));
  const int32_t values[] = {INT32_MIN, INT32_MAX, -1, 0, 1, INT32_MIN + 1, INT32_MAX - 1};
  for (int32_t& x : a) x = r.one_in(4) ? r.pick(values) : static_cast<int32_t>(r.below(20)) - 10;
  const uint32_t count = at_most(edge(r, static_cast<uint32_t>(a.size())), a.size());
  const std::string before = hex(a.data(), a.size() * 4);
  const int32_t ascending = static_cast<int32_t>(r.below(3)) - 1;
  QuickSort(a.data(), count, ascending);
  emit("QuickSort", {before, num(count), num(static_cast<uint32_t>(ascending)), hex(a.data(), a.size() * 4)});
  const int32_t key = !a.empty() && r.one_in(2) ? a[r.below(static_cast<uint32_t>(a.size()))] : r.pick(values);
  const int32_t* array = r.one_in(15) ? nullptr : a.data();
  emit(ascending ? "BinarySearch" : "BinarySearchDSC",
       {hex(a.data(), a.size() * 4), num(count), bits(key),
        num(ascending ? BinarySearch(array, count, key) : BinarySearchDSC(array, count, key))});
  const bytes hay = gen(r);
  bytes needle = !hay.empty() && r.one_in(2) ? hay.substr(r.below(static_cast<uint32_t>(hay.size())), 1 + r.below(4)) : gen(r);
  if (r.one_in(3))
    for (char& c : needle) c ^= (c & 0x40) ? 0x20 : 0;
  const char *h = maybe(r, hay), *n = maybe(r, needle);
  const uint32_t window = edge(r, static_cast<uint32_t>(hay.size()));
  auto at = [h](const char* found) { return found ? num(found - h) : "null"; };
  emit("StringSearch", {text(h), text(n), num(window), at(memstr(h, n, window)), at(strrstr(h, n)), at(strnostr(h, n))});
}

void drive_format(rng& r) {
  const char* const flags[] = {"", "", "-", "0", "+", " ", "#", "-0", "+ "};
  const char* const widths[] = {"", "", "1", "5", "12", "*", "0"};
  const char* const precisions[] = {"", "", ".", ".0", ".3", ".12", ".*"};
  const char* const types[] = {"d", "i", "u", "x", "X", "o", "c", "s", "hd", "lld", "hx", "%", "llx"};
  const char* const strings[] = {"", "abc", "\xE9\x80", "a long string of forty characters, or so"};
  const bytes long_text(300, 'L');
  intptr_t args[12] = {};
  std::string format;
  uint32_t used = 0;
  auto literal = [&] {
    for (char c : gen(r)) format += c == '%' ? "%%" : std::string(1, c);
  };
  for (uint32_t i = 0, k = r.below(5); i < k; ++i) {
    literal();
    const std::string type = r.pick(types), width = r.pick(widths);
    std::string precision = r.pick(precisions);
    std::string flag = r.pick(flags);
    // A "0" flag beside a precision is read apart by the two C libraries.
    if (!precision.empty() && flag.find('0') != std::string::npos) flag = "-";
    if (type == "c") precision.clear();  // a precision on %c means nothing in C
    if (type == "%") {
      format += "%%";
      continue;
    }
    format += "%" + flag + width + precision + type;
    if (width == "*") args[used++] = static_cast<int32_t>(r.below(30)) - 5;
    if (precision == ".*") args[used++] = static_cast<int32_t>(r.below(20)) - 3;
    if (type == "s") args[used++] = reinterpret_cast<intptr_t>(r.one_in(8) ? long_text.c_str() : r.pick(strings));
    else args[used++] = static_cast<intptr_t>(uint64_t{r.next()} << 32 | number(r));
  }
  if (r.one_in(4)) literal();
  buffer<> b(edge(r, r.below(60)), r.one_in(15));
  sprintfEx(b.p(), b.size, r.one_in(20) ? nullptr : format.c_str(), args[0], args[1], args[2], args[3], args[4], args[5],
            args[6], args[7], args[8], args[9], args[10], args[11]);
  emit("sprintfEx", {text(format.c_str()), num(b.size), b.dump()});
}

// ---- encodings ----

template <class In, class Out>
void convert(rng& r, const char* name, int32_t (*f)(const In*, uint32_t, Out*, uint32_t), const In* text_in,
             uint32_t units, uint32_t expected, bool zero_length_allowed = false) {
  uint32_t length = at_most(edge(r, units), units);
  if (length == 0 && !zero_length_allowed && r.one_in(2)) length = units;
  buffer<Out> b(edge(r, expected), r.one_in(15));
  emit(name, {hex(text_in, units * sizeof(In)), num(length), num(b.size),
              num(static_cast<uint32_t>(f(r.one_in(20) ? nullptr : text_in, length, b.p(), b.size))), b.dump()});
}

template <class In, class Out>
void lines(rng& r, const char* name, int32_t (*f)(const In*, uint32_t, Out*, uint32_t*), const In* text_in,
           uint32_t units) {
  const uint32_t length = at_most(edge(r, units), units);
  uint32_t need = 0xA5A5A5A5u;
  const uint32_t first = static_cast<uint32_t>(f(text_in, length, nullptr, &need));
  const uint32_t room = need < 0x100000 ? need : 16;
  buffer<Out> b(room + 1 + r.below(3));
  const uint32_t sizes[] = {room, room, room - 1, room + 1, b.size, 0, b.size - 1};
  uint32_t size = at_most(r.pick(sizes), b.size), given = size;
  const uint32_t second = static_cast<uint32_t>(f(r.one_in(20) ? nullptr : text_in, length, b.p(), &size));
  emit(name, {hex(text_in, units * sizeof(In)), num(length), num(first), num(need), num(given), num(second),
              num(size), b.dump()});
}

void drive_encodings(rng& r) {
  const uint32_t which = r.below(10);
  const bytes raw = gen(r, false, true);
  const bool ansi_in = which == 2 || which == 4 || which == 6;
  const bytes t = ansi_in ? raw : agreeable(raw, which == 5 || which == 7);
  const auto n = static_cast<uint32_t>(t.size());
  const std::vector<hu_wchar> w = gen16(r);
  const auto m = static_cast<uint32_t>(w.size());
  switch (which) {
    case 0: convert(r, "ChangeUTF8ToUTF16", ChangeUTF8ToUTF16, t.c_str(), n, n); break;
    case 1: convert(r, "ChangeUTF16ToUTF8", ChangeUTF16ToUTF8, w.data(), m, 3 * m); break;
    case 2: convert(r, "ChangeAnsiToUnicode", ChangeAnsiToUnicode, t.c_str(), n, n, true); break;
    case 3: convert(r, "ChangeUnicodeToAnsi", ChangeUnicodeToAnsi, w.data(), m, m); break;
    case 4: convert(r, "ChangeAnsiToUTF8", ChangeAnsiToUTF8, t.c_str(), n, 2 * n); break;
    case 5: convert(r, "ChangeUTF8ToAnsi", ChangeUTF8ToAnsi, t.c_str(), n, n); break;
    case 6: lines(r, "ChangeAnsiToUTF8_MultiLine", ChangeAnsiToUTF8_MultiLine, t.c_str(), n); break;
    case 7: lines(r, "ChangeUTF8ToAnsi_MultiLine", ChangeUTF8ToAnsi_MultiLine, t.c_str(), n); break;
    case 8: lines(r, "ChangeUTF8ToUTF16_MultiLine", ChangeUTF8ToUTF16_MultiLine, t.c_str(), n); break;
    default: lines(r, "ChangeUTF16ToUTF8_MultiLine", ChangeUTF16ToUTF8_MultiLine, w.data(), m);
  }
}

void (*const drivers[])(rng&) = {drive_compare,     drive_semaphore, drive_heap,     drive_file,
                                 drive_line,        drive_path_folder, drive_times,  drive_dump_trace,
                                 drive_profile,     drive_csv_items, drive_csv_file, drive_numbers,
                                 drive_algo,        drive_format,    drive_encodings};
constexpr uint32_t driver_count = sizeof drivers / sizeof drivers[0];
// Rounds of each driver in one seed: those that lock or take scratch memory (a round trip to
// Wine's server each time) and the file writers less often.
const uint32_t rounds[driver_count] = {6, 1, 1, 1, 6, 1, 6, 4, 2, 4, 1, 4, 6, 6, 10};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (sink = std::fopen(argv[1], "wb")) == nullptr) {
    std::fputs("usage: hostutil_differential OUTPUT FIRST_SEED SEED_COUNT\n", stderr);
    return 2;
  }
  char here[4096] = {};
  GetFilePath(nullptr, here, sizeof here);
  folder = here;
  const uint64_t first = std::strtoull(argv[2], nullptr, 10), count = std::strtoull(argv[3], nullptr, 10);
  for (uint64_t seed = first; seed < first + count; ++seed) {
    rng r{seed};
    emit("seed", {num(seed)});
    // A few calls before the semaphore table is set up: what needs it must fail alike.
    for (int i = 0; i < 2; ++i) drivers[r.below(driver_count)](r);
    SemaphoreControlBegin();
    for (uint32_t d = 0; d < driver_count; ++d)
      for (uint32_t i = 0; i < rounds[d] + (d == 10 ? 0 : r.below(2)); ++i) drivers[d](r);
    emit("GlobalAreaLumpFree", {num(GlobalAreaLumpFree())});
    SemaphoreControlEnd();
  }
  std::fprintf(stderr, "%llu calls\n", static_cast<unsigned long long>(calls));
  return std::fclose(sink) == 0 ? 0 : 1;
}
