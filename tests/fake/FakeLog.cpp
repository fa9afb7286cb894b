#include "FakeLog.h"

#include <algorithm>
#include <cstdio>

namespace velmora::fake {

std::string Hex(std::uint64_t value) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(value));
  return buf;
}

void LogCall(CallLog* log, std::string entry) {
  if (log) log->push_back(std::move(entry));
}

std::size_t FindLogEntry(const CallLog& log, std::string_view text) {
  for (std::size_t i = 0; i < log.size(); ++i) {
    std::string_view entry = log[i];
    if (entry.starts_with(text) && (entry.size() == text.size() || entry[text.size()] == ' ')) return i;
  }
  return std::string_view::npos;
}

namespace {
char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

std::string FoldCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Fold(c);
  return out;
}

bool CaseLess::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return Fold(x) < Fold(y); });
}

}  // namespace velmora::fake
