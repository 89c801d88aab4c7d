// The checks of the ANSI side shared by the locale tests of both ports: they
// run in child processes, so they gather failures as text instead of asserting.
#include <string>
#include <vector>

#include "convert/encoding_samples.h"
#include "hostutil.h"
#include "os/utf_codec.h"

namespace encoding_test {

std::string check_ansi_samples(const std::vector<ansi_sample>& samples) {
  std::string failed;
  auto expect = [&failed](bool ok, const std::string& what) {
    if (!ok) failed += what + "\n";
  };
  std::string ansi_lines, utf8_lines;
  for (const auto& s : samples) {
    const auto a = static_cast<uint32_t>(s.ansi.size());
    const units source(s.utf16.begin(), s.utf16.end());
    const auto n = static_cast<uint32_t>(source.size());
    std::string utf8(3 * n, '\0');
    utf8.resize(hostutil::os::utf16_to_utf8(source.data(), n, utf8.data(), utf8.size()));
    const std::string what = "sample " + std::to_string(&s - samples.data()) + ": ";

    units wide(n + 4, 0x5A5A);
    expect(ChangeAnsiToUnicode(s.ansi.data(), a, wide.data(), n + 4) == static_cast<int32_t>(n) &&
               to_u16(wide.data(), n) == s.utf16,
           what + "ANSI to UTF-16");
    std::string narrow(a + 4, 'Z');
    expect(ChangeUnicodeToAnsi(source.data(), n, narrow.data(), a + 4) == static_cast<int32_t>(a) &&
               narrow.substr(0, a) == s.ansi,
           what + "UTF-16 to ANSI");
    std::string tight(a, 'Z');
    expect(ChangeUnicodeToAnsi(source.data(), n, tight.data(), a - 1) == 0 && tight.back() == 'Z',
           what + "one byte short fails and writes nothing past its size");
    narrow.assign(a + 4, 'Z');
    expect(ChangeUTF8ToAnsi(utf8.data(), static_cast<uint32_t>(utf8.size()), narrow.data(),
                            a + 4) == static_cast<int32_t>(a) &&
               narrow.substr(0, a) == s.ansi,
           what + "UTF-8 to ANSI");
    narrow.assign(utf8.size() + 4, 'Z');
    expect(
        ChangeAnsiToUTF8(s.ansi.data(), a, narrow.data(), static_cast<uint32_t>(narrow.size())) ==
                static_cast<int32_t>(utf8.size()) &&
            narrow.substr(0, utf8.size()) == utf8,
        what + "ANSI to UTF-8");
    ansi_lines += s.ansi + "\r\n";
    utf8_lines += utf8 + "\r\n";
  }
  // Line by line; the last CR LF left out of the inputs comes back.
  std::string out(ansi_lines.size() + utf8_lines.size(), 'Z');
  auto size = static_cast<uint32_t>(out.size());
  expect(
      ChangeUTF8ToAnsi_MultiLine(utf8_lines.c_str(), static_cast<uint32_t>(utf8_lines.size() - 2),
                                 out.data(), &size) == static_cast<int32_t>(ansi_lines.size()) &&
          out.c_str() == ansi_lines,
      "UTF-8 lines to ANSI");
  out.assign(out.size(), 'Z');
  expect(
      ChangeAnsiToUTF8_MultiLine(ansi_lines.c_str(), static_cast<uint32_t>(ansi_lines.size() - 2),
                                 out.data(), &size) == static_cast<int32_t>(utf8_lines.size()) &&
          out.c_str() == utf8_lines,
      "ANSI lines to UTF-8");
  return failed;
}

}  // namespace encoding_test
