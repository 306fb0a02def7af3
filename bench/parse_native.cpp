// The message-file parser on the host (g++ -O2): the shipped French file
// and generated 1 MiB and 5 MiB files through vz::ParseMessageText. The
// bytes are decoded from Windows-1252 before the clock starts: what is
// timed is the parser alone.
// Usage: parse_native DATA_DIR
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench_common.h"
#include "messages/message_table.h"
#include "testkit/cp1252.h"

using vzbench::Fmt;
using vzbench::Median;
using vzbench::Report;

namespace {

double ParseMs(const std::wstring& text, vz::MessageTable& table) {
  const auto start = std::chrono::steady_clock::now();
  vz::ParseMessageText(text, table);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : "data";
  std::ifstream in(dir + "/FrmDescFRA.txt", std::ios::binary);
  const std::string shipped((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (shipped.empty()) {
    std::fprintf(stderr, "no %s/FrmDescFRA.txt\n", dir.c_str());
    return 1;
  }
  const std::wstring fra = vz::test::cp1252::Decode(shipped);
  const std::wstring one = vz::test::cp1252::Decode(vzbench::GenerateMessageFile(1u << 20));
  const std::wstring five = vz::test::cp1252::Decode(vzbench::GenerateMessageFile(5u << 20));

  vz::MessageTable table;
  std::vector<double> tf, t1, t5;
  for (int i = 0; i < 1000; ++i) tf.push_back(ParseMs(fra, table));
  for (int i = 0; i < 11; ++i) {
    t1.push_back(ParseMs(one, table));
    t5.push_back(ParseMs(five, table));
  }
  // Something of the result must be used, so nothing is optimised away.
  std::printf("end message after parsing: %zu characters\n", table[vz::Msg::End].size());

  const double mib = 1024.0 * 1024.0;
  const double mf = Median(tf), m1 = Median(t1), m5 = Median(t5);
  Report("ParseMessageText FrmDescFRA.txt (" + std::to_string(shipped.size()) +
             " B) [native -O2, 1000 runs]",
         Fmt("%.4f ms", mf), "-", "-", "figure only", true,
         Fmt("%.1f MiB/s", shipped.size() / mib / (mf / 1000)));
  Report("ParseMessageText 5 MiB generated [native -O2, 11 runs]", Fmt("%.1f ms", m5),
         Fmt("%.1f ms", m1) + " (1 MiB)", Fmt("%.2f", m5 / m1),
         "< 100 ms; 5 MiB/1 MiB ratio ~5 (4-6)", m5 < 100 && m5 / m1 >= 4 && m5 / m1 <= 6,
         Fmt("%.1f MiB/s", five.size() / mib / (m5 / 1000)) +
             "; decoding from Windows-1252 not timed");
  return 0;
}
