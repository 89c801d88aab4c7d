// The checks of the ANSI side shared by the locale tests of both ports.
#include <string>
#include <vector>

#include "convert/encoding_samples.h"
#include "hostutil.h"

namespace encoding_test {

std::string check_ansi_samples(const std::vector<ansi_sample>& samples) {
  std::string failed, ansi_lines, utf8_lines;
  for (const auto& s : samples) {
    const auto a = static_cast<uint32_t>(s.ansi.size()), n = static_cast<uint32_t>(s.utf16.size());
    const units source(s.utf16.begin(), s.utf16.end());
    std::string utf8(3 * n + 4, 'Z'), narrow(a + 4, 'Z'), tight(a, 'Z'), back(3 * n + 4, 'Z');
    utf8.resize(ChangeUTF16ToUTF8(source.data(), n, utf8.data(), 3 * n));
    units wide(n + 4, 0x5A5A);
    const bool held[] = {
        ChangeAnsiToUnicode(s.ansi.data(), a, wide.data(), n + 4) == int32_t(n) &&
            to_u16(wide.data(), n) == s.utf16,
        ChangeUnicodeToAnsi(source.data(), n, narrow.data(), a + 4) == int32_t(a) &&
            narrow.substr(0, a) == s.ansi,
        ChangeUnicodeToAnsi(source.data(), n, tight.data(), a - 1) == 0 && tight.back() == 'Z',
        ChangeUTF8ToAnsi(utf8.data(), uint32_t(utf8.size()), narrow.data(), a + 4) == int32_t(a) &&
            narrow.substr(0, a) == s.ansi,
        ChangeAnsiToUTF8(s.ansi.data(), a, back.data(), uint32_t(back.size())) ==
                int32_t(utf8.size()) &&
            back.substr(0, utf8.size()) == utf8};
    const char* what[] = {"ANSI to UTF-16", "UTF-16 to ANSI", "one byte short, or past its size",
                          "UTF-8 to ANSI", "ANSI to UTF-8"};
    for (int i = 0; i < 5; ++i) {
      if (!held[i])
        failed += "sample " + std::to_string(&s - samples.data()) + ": " + what[i] + "\n";
    }
    ansi_lines += s.ansi + "\r\n";
    utf8_lines += utf8 + "\r\n";
  }
  // Line by line; the last CR LF left out of the inputs comes back.
  std::string out(ansi_lines.size() + utf8_lines.size(), 'Z');
  auto size = static_cast<uint32_t>(out.size());
  if (ChangeUTF8ToAnsi_MultiLine(utf8_lines.c_str(), uint32_t(utf8_lines.size() - 2), out.data(),
                                 &size) != int32_t(ansi_lines.size()) ||
      out.c_str() != ansi_lines) {
    failed += "UTF-8 lines to ANSI\n";
  }
  if (ChangeAnsiToUTF8_MultiLine(ansi_lines.c_str(), uint32_t(ansi_lines.size() - 2), out.data(),
                                 &size) != int32_t(utf8_lines.size()) ||
      out.c_str() != utf8_lines) {
    failed += "ANSI lines to UTF-8\n";
  }
  return failed;
}

}  // namespace encoding_test
