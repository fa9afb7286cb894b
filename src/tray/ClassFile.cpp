#include "tray/ClassFile.h"

#include <algorithm>

namespace velmora {

namespace {
constexpr std::size_t RawFlagOffset = 256;
constexpr std::size_t RulesOffset = 257;
}  // namespace

std::vector<std::uint8_t> EncodeClassFile(const std::vector<std::string>& names) {
  std::vector<ClassRecord> records;
  for (const std::string& name : names) records.push_back({name, 0});
  return EncodeClassRecords(records);
}

std::vector<std::string> DecodeClassFile(std::span<const std::uint8_t> bytes) {
  std::vector<std::string> names;
  for (ClassRecord& record : DecodeClassRecords(bytes)) names.push_back(std::move(record.Name));
  return names;
}

std::vector<std::uint8_t> EncodeClassRecords(const std::vector<ClassRecord>& records) {
  std::vector<std::uint8_t> out;
  out.reserve(records.size() * ClassRecordSize);
  for (const auto& [name, rules] : records) {
    std::uint8_t record[ClassRecordSize] = {};
    const std::size_t n = std::min(name.size(), ClassNameMax);
    const bool raw = std::any_of(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(n),
                                 [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    for (std::size_t i = 0; i < n; ++i) {
      const auto byte = static_cast<std::uint8_t>(name[i]);
      record[i] = raw ? byte : static_cast<std::uint8_t>(byte | 0x80);
    }
    if (raw) record[RawFlagOffset] = 1;
    record[RulesOffset] = rules;
    out.insert(out.end(), record, record + ClassRecordSize);
  }
  return out;
}

std::vector<ClassRecord> DecodeClassRecords(std::span<const std::uint8_t> bytes) {
  std::vector<ClassRecord> names;
  for (std::size_t at = 0; at < bytes.size(); at += ClassRecordSize) {
    const auto record = bytes.subspan(at, std::min(ClassRecordSize, bytes.size() - at));
    const auto nameArea = record.first(std::min(record.size(), RawFlagOffset));
    const auto end = std::find(nameArea.begin(), nameArea.end(), 0);
    const bool complete = record.size() == ClassRecordSize || end != nameArea.end();
    if (!complete) break;
    const bool raw = record.size() > RawFlagOffset && record[RawFlagOffset] == 1;
    std::string name;
    for (auto it = nameArea.begin(); it != end; ++it) name.push_back(static_cast<char>(raw ? *it : (*it & 0x7F)));
    const std::uint8_t rules = record.size() > RulesOffset ? record[RulesOffset] : 0;
    if (!name.empty()) names.push_back({std::move(name), rules});
  }
  return names;
}

}  // namespace velmora
