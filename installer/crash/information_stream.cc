#include "installer/crash/information_stream.h"

#include <cstring>
#include <vector>

namespace crash {
namespace {

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void SetU32(std::string& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t LoadU32(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
         static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
}

void StoreU32(void* p, uint32_t v) {
  auto* b = static_cast<uint8_t*>(p);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>((v >> (8 * i)) & 0xFF);
}

void PutString(std::string& area, std::string_view s) {
  PutU32(area, static_cast<uint32_t>(s.size()));
  area.append(s);
  area.push_back('\0');
}

// Offsets inside the 52-byte block.
constexpr size_t kDictionarySizeAt = 36;
constexpr size_t kDictionaryOffsetAt = 40;

// A string record at absolute `offset`: length, bytes, zero.
std::optional<std::string> StringAt(std::string_view dump, uint64_t offset) {
  if (offset > dump.size() || dump.size() - offset < 4) return std::nullopt;
  const uint64_t length = LoadU32(dump.data() + offset);
  if (dump.size() - offset - 4 < length + 1) return std::nullopt;
  if (dump[offset + 4 + length] != '\0') return std::nullopt;
  return std::string(dump.substr(offset + 4, length));
}

}  // namespace

std::string BuildInformationStream(const GuidBytes& report_id, const GuidBytes& client_id,
                                   const std::map<std::string, std::string>& annotations) {
  std::string strings;
  std::string entries;
  for (const auto& [key, value] : annotations) {
    PutU32(entries, static_cast<uint32_t>(strings.size()));
    PutString(strings, key);
    PutU32(entries, static_cast<uint32_t>(strings.size()));
    PutString(strings, value);
  }
  std::string out;
  PutU32(out, kInformationStreamVersion);
  out.append(reinterpret_cast<const char*>(report_id.data()), report_id.size());
  out.append(reinterpret_cast<const char*>(client_id.data()), client_id.size());
  PutU32(out, 0);  // dictionary size, set below
  PutU32(out, kInformationBlockSize);
  PutU32(out, 0);  // module list size
  PutU32(out, 0);  // module list offset
  PutU32(out, static_cast<uint32_t>(annotations.size()));
  out.append(entries);
  out.append(strings);
  SetU32(out, kDictionarySizeAt, static_cast<uint32_t>(out.size() - kInformationBlockSize));
  return out;
}

bool RelocateInformationStream(DumpFileAccess& file, uint32_t entry_count) {
  uint8_t header[kMinidumpHeaderSize];
  if (!file.Seek(0) || !file.Read(header, sizeof(header))) return false;
  const uint32_t stream_count = LoadU32(header + 8);
  const uint32_t directory = LoadU32(header + 12);
  if (!file.Seek(directory)) return false;
  std::optional<uint32_t> stream_offset;
  for (uint32_t i = 0; i < stream_count; ++i) {
    uint8_t entry[kMinidumpDirectoryEntrySize];
    if (!file.Read(entry, sizeof(entry))) return false;
    if (LoadU32(entry) == kInformationStreamType) stream_offset = LoadU32(entry + 8);
  }
  if (!stream_offset) return false;

  uint8_t block[kInformationBlockSize];
  if (!file.Seek(*stream_offset) || !file.Read(block, sizeof(block))) return false;
  if (LoadU32(block + kDictionaryOffsetAt) != kInformationBlockSize) return false;
  const uint64_t dictionary = static_cast<uint64_t>(*stream_offset) + kInformationBlockSize;
  const uint64_t string_area = dictionary + 4 + 8ull * entry_count;
  if (string_area > UINT32_MAX) return false;
  StoreU32(block + kDictionaryOffsetAt, static_cast<uint32_t>(dictionary));
  if (!file.Seek(*stream_offset) || !file.Write(block, sizeof(block))) return false;

  uint8_t count[4];
  if (!file.Seek(dictionary) || !file.Read(count, sizeof(count))) return false;
  if (LoadU32(count) != entry_count) return false;
  std::vector<uint8_t> entries(8ull * entry_count);
  if (!entries.empty() && !file.Read(entries.data(), entries.size())) return false;
  for (size_t at = 0; at < entries.size(); at += 4) {
    const uint64_t absolute = string_area + LoadU32(&entries[at]);
    if (absolute > UINT32_MAX) return false;
    StoreU32(&entries[at], static_cast<uint32_t>(absolute));
  }
  if (!file.Seek(dictionary + 4)) return false;
  return entries.empty() || file.Write(entries.data(), entries.size());
}

std::optional<InformationStream> ReadInformationStream(std::string_view dump) {
  if (dump.size() < kMinidumpHeaderSize || LoadU32(dump.data()) != kMinidumpSignature)
    return std::nullopt;
  const uint64_t stream_count = LoadU32(dump.data() + 8);
  const uint64_t directory = LoadU32(dump.data() + 12);
  if (directory > dump.size() ||
      (dump.size() - directory) / kMinidumpDirectoryEntrySize < stream_count)
    return std::nullopt;
  std::optional<uint64_t> offset, size;
  for (uint64_t i = 0; i < stream_count; ++i) {
    const char* entry = dump.data() + directory + i * kMinidumpDirectoryEntrySize;
    if (LoadU32(entry) != kInformationStreamType) continue;
    size = LoadU32(entry + 4);
    offset = LoadU32(entry + 8);
    break;
  }
  if (!offset || *offset > dump.size() || dump.size() - *offset < *size ||
      *size < kInformationBlockSize + 4)
    return std::nullopt;

  InformationStream info;
  const char* block = dump.data() + *offset;
  info.stream_offset = static_cast<uint32_t>(*offset);
  info.version = LoadU32(block);
  std::memcpy(info.report_id.data(), block + 4, 16);
  std::memcpy(info.client_id.data(), block + 20, 16);
  const uint64_t dictionary = LoadU32(block + kDictionaryOffsetAt);
  if (dictionary > dump.size() || dump.size() - dictionary < 4) return std::nullopt;
  const uint64_t count = LoadU32(dump.data() + dictionary);
  if ((dump.size() - dictionary - 4) / 8 < count) return std::nullopt;
  info.entry_count = static_cast<size_t>(count);
  for (uint64_t i = 0; i < count; ++i) {
    const char* entry = dump.data() + dictionary + 4 + 8 * i;
    std::optional<std::string> key = StringAt(dump, LoadU32(entry));
    std::optional<std::string> value = StringAt(dump, LoadU32(entry + 4));
    if (!key || !value) return std::nullopt;
    info.annotations[*key] = *value;
  }
  return info;
}

}  // namespace crash
