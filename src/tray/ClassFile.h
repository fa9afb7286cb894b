#pragma once
// The file of marked window classes: records of 260 bytes, no header.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmora {

constexpr std::size_t ClassRecordSize = 260;
constexpr std::size_t ClassNameMax = 255;

// A name of seven-bit bytes is stored with bit 7 set on every byte. A name
// with bytes of 0x80 and above cannot survive that, so it is stored as it is
// and flagged in the record's last four bytes (1 at offset 256).
std::vector<std::uint8_t> EncodeClassFile(const std::vector<std::string>& names);
// Every complete record, and a short last record when it holds its name whole.
std::vector<std::string> DecodeClassFile(std::span<const std::uint8_t> bytes);

// A mark with its rules (MarkRule bits), kept in the record's byte 257: a
// spare byte earlier versions never read, so their files read as marks
// without rules and these files stay readable by them.
struct ClassRecord {
  std::string Name;
  std::uint8_t Rules = 0;
  bool operator==(const ClassRecord&) const = default;
};
std::vector<std::uint8_t> EncodeClassRecords(const std::vector<ClassRecord>& records);
std::vector<ClassRecord> DecodeClassRecords(std::span<const std::uint8_t> bytes);

}  // namespace velmora
