// The information stream that a crash dump carries as a user stream: the
// report and client ids and the annotations (report parameters and crash
// keys). Built in memory with offsets counted from the stream's own start,
// then relocated to absolute file offsets once the dump writer has placed
// it. No Windows header: the dump reader is fuzzed natively.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace crash {

constexpr uint32_t kInformationStreamType = 0x43500001;
constexpr uint32_t kInformationStreamVersion = 1;
// Bytes before the annotation entry count; also where the dictionary starts.
constexpr uint32_t kInformationBlockSize = 52;
constexpr uint32_t kMinidumpHeaderSize = 32;
constexpr uint32_t kMinidumpDirectoryEntrySize = 12;
constexpr uint32_t kMinidumpSignature = 0x504D444D;  // "MDMP"

using GuidBytes = std::array<uint8_t, 16>;

// Version, ids, dictionary size and offset (52), module list 0/0, then the
// entry count, the entries and the string area.
std::string BuildInformationStream(const GuidBytes& report_id, const GuidBytes& client_id,
                                   const std::map<std::string, std::string>& annotations);

// Random access to the dump file that the relocation works on. Every call
// moves exactly `size` bytes or fails.
class DumpFileAccess {
 public:
  virtual ~DumpFileAccess() = default;
  virtual bool Seek(uint64_t offset) = 0;
  virtual bool Read(void* data, size_t size) = 0;
  virtual bool Write(const void* data, size_t size) = 0;
};

// Finds the information stream through the dump's stream directory and
// rewrites its dictionary offset and every string offset as absolute file
// offsets. `entry_count` is the number of annotations that were written;
// a different count in the file, a dictionary offset other than 52, a
// missing stream or any short read or write fails.
bool RelocateInformationStream(DumpFileAccess& file, uint32_t entry_count);

// What a reader of a finished dump finds by following the directory.
struct InformationStream {
  uint32_t version = 0;
  GuidBytes report_id = {};
  GuidBytes client_id = {};
  uint32_t stream_offset = 0;
  // Annotations in the order of the entries (the writer's key order).
  std::map<std::string, std::string> annotations;
  size_t entry_count = 0;
};

// Parses a relocated dump held in memory. Empty when the header, the
// directory or any offset is out of bounds or inconsistent.
std::optional<InformationStream> ReadInformationStream(std::string_view dump);

}  // namespace crash
