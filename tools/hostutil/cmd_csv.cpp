// hostutil csv split / join: CSV items from the shell in the library's three
// quoting variants, and the tour's step for a CSV file made from records.
#include <iostream>
#include <string>
#include <vector>

#include "host.h"

namespace {

constexpr int not_done = 2;

// 0 chooses by the separator: doubled quotes for ",", quotes kept otherwise.
struct csv_options {
  std::string separator = ",";
  int variant = 0;
};

// Work, when the options go together; otherwise not_done, with the reason said.
int with_checked_options(const csv_options& o, int (*work)(const csv_options&)) {
  if (o.separator.empty()) {
    return host::fail(not_done, "hostutil csv: the separator must not be empty");
  }
  if (o.variant == 1 && o.separator != ",") {
    return host::fail(not_done, "hostutil csv: variant 1 separates by \",\" only");
  }
  return work(o);
}

// Each variant's taker and maker, by the variant number.
struct csv_variant {
  char*(HOSTUTIL_CALL* take)(const char* line, char* buffer, uint32_t size, const char* sep);
  uint32_t(HOSTUTIL_CALL* make)(const char* item, char* buffer, uint32_t size, const char* sep);
};
const csv_variant by_number[] = {
    {GetCSVOneItemEx, MakeCSVOneItemEx},
    {[](const char* line, char* buffer, uint32_t size, const char*) {
       return GetCSVOneItem(line, buffer, size);
     },
     [](const char* item, char* buffer, uint32_t size, const char*) {
       return MakeCSVOneItem(item, buffer, size);
     }},
    {GetCSVOneItem2, MakeCSVOneItem2},
    {GetCSVOneItem3, [](const char* item, char* buffer, uint32_t size,
                        const char* sep) { return MakeCSVOneItem3(item, buffer, size, sep, 1); }},
};

void drop_line_end(std::string& line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

int csv_split(const csv_options& o) {
  host::library_session session;
  std::string line;
  while (std::getline(std::cin, line)) {
    drop_line_end(line);
    // No item is longer than its line.
    std::vector<char> item(line.size() + 1);
    const char* at = line.c_str();
    do {
      at = by_number[o.variant].take(at, item.data(), static_cast<uint32_t>(item.size()),
                                     o.separator.c_str());
      std::cout << item.data() << "\n";
    } while (at != nullptr);
  }
  return 0;
}

int csv_join(const csv_options& o) {
  host::library_session session;
  std::string item;
  std::string line;
  while (std::getline(std::cin, item)) {
    drop_line_end(item);
    // Quoted, every character doubled, at most.
    std::vector<char> made(2 * item.size() + 3);
    if (by_number[o.variant].make(item.c_str(), made.data(), static_cast<uint32_t>(made.size()),
                                  o.separator.c_str()) == 0) {
      return host::fail(not_done, "hostutil csv: cannot make an item of \"" + item + "\"");
    }
    line += o.separator + made.data();
  }
  // Each item follows a separator, the first one's dropped.
  std::cout << line.erase(0, o.separator.size()) << "\n";
  return 0;
}

const bool commands = host::add_commands([](CLI::App& app) {
  auto* csv = app.add_subcommand("csv", "Make and take apart CSV items");
  csv->require_subcommand(1);
  static csv_options options;
  const std::string variants =
      "1: \",\" and doubled quotes; 2: quotes kept; 3: doubled quotes (default: 1 for \",\", "
      "2 otherwise)";
  auto* split = csv->add_subcommand("split", "Read CSV lines from stdin, print one item a line");
  auto* join = csv->add_subcommand("join", "Read items from stdin, one a line; print one CSV line");
  for (auto* sub : {split, join}) {
    sub->add_option("--sep", options.separator, "separator")->capture_default_str();
    sub->add_option("--variant", options.variant, variants)->check(CLI::Range(1, 3));
  }
  host::runs(split, [] { return with_checked_options(options, csv_split); });
  host::runs(join, [] { return with_checked_options(options, csv_join); });
});

const bool csv_step = host::add_tour_step(
    {70, "CSV file made from records", [](host::tour_context& t) {
       host::library_session session;
       const std::vector<std::vector<std::string>> rows{
           {"id", "name", "note"}, {"1", "Smith, J.", "said \"hi\""}, {"2", "Lee", ""}};
       HeapAreaHead* area = nullptr;
       bool ok = true;
       for (size_t r = 0; r < rows.size(); ++r) {
         for (size_t c = 0; c < rows[r].size(); ++c) {
           char item[64];
           MakeCSVOneItem(rows[r][c].c_str(), item, sizeof item);
           // The first record of a line carries the line end before it; an
           // empty item is a record that holds only its NUL.
           const std::string record = std::string(r > 0 && c == 0 ? "\r\n" : "") + item;
           const uint32_t length = record.empty() ? 1 : static_cast<uint32_t>(record.size());
           ok &= AllocHeapAreaAndSetData(&area, record.c_str(), length) == 1;
         }
       }
       const std::string path = t.scratch + "records.csv";
       ok &= t.check(MakeCSVFile(path.c_str(), area, 1) == 1, "MakeCSVFile of 9 records");
       const std::string text = host::read_file(path).value_or("");
       t.say(host::one_line(text));
       ok &= t.check(text == "id,name,note\r\n1,\"Smith, J.\",\"said \"\"hi\"\"\"\r\n2,Lee,\r\n",
                     "quoted where needed, lines joined by commas");
       ok &=
           t.check(MakeCSVFile(path.c_str(), area, 0) == 1 && host::read_file(path) == text + text,
                   "a second call adds the same lines");
       const std::string second = text.substr(text.find('\n') + 1);
       char item[64];
       const char* at = GetCSVOneItem(second.c_str(), item, sizeof item);
       at = GetCSVOneItem(at, item, sizeof item);
       ok &= t.check(std::string(item) == "Smith, J.", "GetCSVOneItem takes \"Smith, J.\" back");
       FreeHeapArea(&area);
       return ok;
     }});

}  // namespace
