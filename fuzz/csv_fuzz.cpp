// The CSV functions and the heap areas they write from, on any input: item
// answers inside the line, results that end in a NUL with zeros behind, items
// that come back as they went in; a heap area driven against a queue of its
// records; and the CSV or JBK file of those records read back against the
// joining rule. Every output buffer is fenced by canaries.
#include <cctype>
#include <deque>

#include "fuzz_support.h"

namespace {

const char* const separators[] = {",", ";", "\t", "::", "\""};

void walk(const std::string& line, uint32_t size, int variant, const char* sep) {
  const std::vector<char> exact = fuzz::exact(line);
  const char* at = exact.data();
  const char* end = at + line.size();
  for (int items = 0; at != nullptr && items <= static_cast<int>(line.size()) + 1; ++items) {
    fuzz::fenced buffer(size, 'x');
    const char* next = variant == 0
                           ? GetCSVOneItem(at, buffer.data(), size)
                           : (variant == 1   ? GetCSVOneItem2
                              : variant == 2 ? GetCSVOneItem3
                                             : GetCSVOneItemEx)(at, buffer.data(), size, sep);
    check(buffer.cleared_text());
    check(next == nullptr || (next > at && next <= end));
    at = next;
  }
  check(at == nullptr);
}

void items(const std::string& line, uint32_t size, const char* sep) {
  for (int variant = 0; variant < 4; ++variant) walk(line, size, variant, sep);
  // Encoders: a NUL-ended result with zeros behind, and the matching decoder
  // gives the item back, as the last of its line.
  const auto comes_back = [&line](const fuzz::fenced& made, auto decode) {
    std::string back(line.size() + 1, 'x');
    return made.cleared_text() &&
           decode(made.data(), back.data(), static_cast<uint32_t>(back.size())) == nullptr &&
           line == back.c_str();
  };
  fuzz::fenced made(size, 'x');
  const uint32_t one = MakeCSVOneItem(line.c_str(), made.data(), size);
  check(one == 1 ? comes_back(made, GetCSVOneItem) : made[0] == '\0');
  // A quoted item's closing quote is followed by the NUL, an unquoted one
  // holds neither separator nor quote: either way it is a whole last item.
  fuzz::fenced quoted(size, 'x');
  if (MakeCSVOneItem3(line.c_str(), quoted.data(), size, sep, 1) == 1)
    check(comes_back(quoted, [sep](auto... a) { return GetCSVOneItem3(a..., sep); }));
  fuzz::fenced plain(size, 'x');
  const uint32_t two = MakeCSVOneItem2(line.c_str(), plain.data(), size, sep);
  check(two == 1 ? plain.cleared_text() : plain[0] == '\0');
  // The Ex form is the first for exactly ",", else the second.
  const bool comma = std::strcmp(sep, ",") == 0;
  fuzz::fenced either(size, 'x');
  check(MakeCSVOneItemEx(line.c_str(), either.data(), size, sep) == (comma ? one : two));
  check(either.all() == (comma ? made : plain).all());
}

// The joining rule: a comma between the items of a line, none before a record
// that starts a line or brings its own, nor after a line end.
std::string joined(std::string text, const std::deque<std::string>& records) {
  if (!text.empty() && !text.ends_with("\r\n")) text += "\r\n";
  bool line_start = true;
  for (const std::string& record : records) {
    const std::string item = record.substr(0, record.find('\0'));
    const bool starts_line = item.starts_with("\r\n");
    line_start = line_start || starts_line;
    if (item[0] != ',') {
      if (!text.empty() && !starts_line && !text.ends_with("\r\n") &&
          !(line_start && text.back() == ','))
        text += ',';
      line_start = starts_line;
    }
    text += item;
  }
  return text.ends_with("\r\n") ? text : text + "\r\n";
}

// Heap area steps chosen by the input, each against a queue of the records.
void records(fuzz::input& in) {
  HeapAreaHead* area = nullptr;
  std::deque<std::string> model;
  while (in.size > 0) {
    const uint32_t step = in.byte() % 8;
    const uint32_t size = in.byte() % 24;
    if (step >= 5) {
      const std::string data = in.bytes(1 + size % 12);
      check(AllocHeapAreaAndSetData(&area, data.data(), static_cast<uint32_t>(data.size())) ==
            !data.empty());
      if (!data.empty()) model.push_back(data);
    } else if (step == 0) {
      void* cursor = area;
      for (const std::string& record : model) {
        fuzz::fenced each(size);
        const uint32_t got = FetchHeapData(&cursor, each.data(), size);
        check(got == (record.size() <= size ? record.size() : 0));
        if (got == 0) break;  // the cursor stays on the record
        check(each.holds(record));
      }
    } else if (!model.empty()) {
      // The last record (1, 3), the first (2) or one equal to a key (4).
      const std::string expected = step == 4   ? model[size % model.size()]
                                   : step == 2 ? model.front()
                                               : model.back();
      const bool fits = expected.size() <= size;
      const auto length = static_cast<uint32_t>(expected.size());
      fuzz::fenced buffer(size);
      const uint32_t got =
          step == 4 ? SearchAndFreeHeapData(&area, expected.data(), length, buffer.data(), size)
                    : (step == 1   ? FetchHeapLastData
                       : step == 2 ? FetchAndFreeHeapData
                                   : FetchAndFreeHeapLastData)(&area, buffer.data(), size);
      check(got == (fits ? length : 0));
      if (fits) check(buffer.holds(expected));
      if (step == 4 && !fits) check(buffer.untouched());
      if (step == 2 && fits) model.pop_front();
      if (step == 3 && fits) model.pop_back();
      if (step == 4) model.erase(std::find(model.begin(), model.end(), expected));
    }
    check(model.empty() ? area == nullptr : area != nullptr && area->recordCount == model.size());
  }
  // A first record that spells the signature, in either case, reads as an area's head.
  const std::string first = model.empty() ? "" : model[0].substr(0, 8);
  const bool signed_as_head =
      first.size() == 8 && std::equal(first.begin(), first.end(), HOSTUTIL_HEAP_SIGNATURE,
                                      [](char a, char b) { return std::toupper(a & 0xFF) == b; });
  check(IsHeapAddress(area) == (area != nullptr) &&
        IsHeapAddress(model.empty() ? "" : model[0].c_str()) == signed_as_head);
  if (area == nullptr) return;
  // The records as a CSV or JBK file, new or added to one of some lines.
  const std::string path = fuzz::scratch("out.csv");
  const std::string before = model.front().substr(0, model.front().find('\0'));
  const uint32_t replace = model.size() % 2;
  fuzz::put(path, before);
  check(((model.size() & 2) != 0 ? MakeJBKFile : MakeCSVFile)(path.c_str(), area, replace) == 1);
  check(fuzz::get(path) == joined(replace ? "" : before, model));
  check(FreeHeapArea(&area) == 0 && area == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::input in{data, size};
  const uint32_t pick = in.byte();
  const uint32_t buffer_size = 1 + in.u16() % 1024;
  const char* sep = separators[in.byte() % 5];
  if (pick % 2 == 0) {
    const std::string text = in.rest();
    items(text.substr(0, text.find('\0')), buffer_size, sep);
  } else {
    records(in);
  }
  return 0;
}
