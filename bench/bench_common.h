// What every benchmark program shares: medians, the result line that
// bench/run.sh turns into RESULTS.md, and the generator of large message
// files. Plain C++17, no Windows header, so the native parser benchmark
// uses it too.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace vzbench {

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline double Min(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

inline double Max(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

inline std::string Fmt(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof(text), format, value);
  return text;
}

// One figure, as a tab-separated line that run.sh collects:
//   RESULT  name  measured  reference  ratio  target  verdict  note
// "-" stands for an empty column. verdict is "met" or "missed".
inline void Report(const std::string& name, const std::string& measured,
                   const std::string& reference, const std::string& ratio,
                   const std::string& target, bool met, const std::string& note = "-") {
  std::printf("RESULT\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", name.c_str(), measured.c_str(),
              reference.empty() ? "-" : reference.c_str(), ratio.empty() ? "-" : ratio.c_str(),
              target.c_str(), met ? "met" : "missed", note.empty() ? "-" : note.c_str());
  std::fflush(stdout);
}

// A message file of about `bytes` bytes in Windows-1252 with CR LF line
// ends: known keys with accented values and "§" breaks, unknown keys,
// comments, section headers, lines without "=" or without a key, trailing
// blanks, a lone LF inside a value and a lone CR as a line end. Always the
// same bytes for the same size; it ends at a line end.
inline std::string GenerateMessageFile(std::size_t bytes) {
  static const char* const kKeys[] = {
      "FRM_ALL_NO_COM_SELECT",     "FRM_ALL_C_EXIT",
      "FRM_FW_UPGRADE_TITLE",      "FRM_FW_UPGRADE_C_UPGRADE",
      "FRM_FW_UPGRADE_L_COM_PORT", "FRM_FW_UPGRADE_DOWNLOAD_TOUT_MSG",
      "FRM_FW_UPGRADE_END_MSG",    "FRM_FW_UPGRADE_BAK_SD10_MSG",
      "FRM_FW_UPGRADE_AVVISO_MSG", "FRM_FW_UPGRADE_VERIFICA_FW_MACCHINA_MSG",
  };
  const std::string accented =
      "Mise \xE0 jour termin\xE9"
      "e";  // à, é
  std::string out;
  out.reserve(bytes + 256);
  for (unsigned i = 0; out.size() < bytes; ++i) {
    const std::string n = std::to_string(i);
    const char* key = kKeys[(i / 10) % (sizeof(kKeys) / sizeof(kKeys[0]))];
    switch (i % 10) {
      case 0:
        out += "; comment line " + n + " \xE9t\xE9\r\n";
        break;
      case 1:
        out += "[Section" + n + "]\r\n";
        break;
      case 2:
        out += std::string(key) + "=" + accented + " " + n +
               "\xA7"
               "Red\xE9marrez la caisse\r\n";
        break;
      case 3:
        out += "FRM_UNKNOWN_KEY_" + n + "=valeur inconnue\r\n";
        break;
      case 4:
        out += "a line without any equals sign " + n + "\r\n";
        break;
      case 5:
        out += "=value without a key " + n + "\r\n";
        break;
      case 6:
        out += std::string(key) + "=QUITTER " + n + "     \r\n";
        break;
      case 7:
        out += std::string(key) + "=first part\nsecond part " + n + "\r\n";
        break;
      case 8:
        out += std::string(key) + "=ended by a lone CR " + n + "\r";
        break;
      default:
        out += std::string(key) + "=Aucun port s\xE9lectionn\xE9 " + n +
               "\xA7\xA7"
               "Fin\r\n";
        break;
    }
  }
  return out;
}

}  // namespace vzbench
