// The crash information stream on any bytes: the dump reader and the
// relocation stay inside the dump (the sanitizer and the file below check),
// and a stream built from the bytes' annotations, placed in a dump and
// relocated, reads back to the same ids and annotations.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "installer/crash/information_stream.h"

namespace {

// A dump file in memory; any access beyond its end fails.
class MemoryFile : public crash::DumpFileAccess {
 public:
  explicit MemoryFile(std::string data) : data_(std::move(data)) {}
  bool Seek(uint64_t offset) override {
    if (offset > data_.size()) return false;
    position_ = offset;
    return true;
  }
  bool Read(void* out, size_t size) override {
    if (data_.size() - position_ < size) return false;
    std::memcpy(out, data_.data() + position_, size);
    position_ += size;
    return true;
  }
  bool Write(const void* in, size_t size) override {
    if (data_.size() - position_ < size) return false;
    std::memcpy(&data_[position_], in, size);
    position_ += size;
    return true;
  }
  const std::string& data() const { return data_; }

 private:
  std::string data_;
  size_t position_ = 0;
};

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// The raw bytes as a finished dump, then as one still to be relocated.
void ReadAndRelocate(std::string_view bytes) {
  if (const auto info = crash::ReadInformationStream(bytes)) {
    if (info->annotations.size() > info->entry_count) std::abort();
    if (info->stream_offset + uint64_t{crash::kInformationBlockSize} + 4 > bytes.size())
      std::abort();
  }
  MemoryFile file{std::string(bytes)};
  const uint32_t entry_count = bytes.empty() ? 0 : static_cast<uint8_t>(bytes.back()) % 32;
  crash::RelocateInformationStream(file, entry_count);
  if (file.data().size() != bytes.size()) std::abort();
}

// Header, filler, a directory with the information stream among other
// streams, filler, the stream, filler: all sizes and ids from `input`.
void RoundTrip(FuzzedDataProvider& input) {
  crash::GuidBytes report_id, client_id;
  for (auto* id : {&report_id, &client_id})
    for (uint8_t& b : *id) b = input.ConsumeIntegral<uint8_t>();
  std::map<std::string, std::string> annotations;
  const size_t count = input.ConsumeIntegralInRange<size_t>(0, 12);
  for (size_t i = 0; i < count; ++i) {
    std::string key = input.ConsumeRandomLengthString(64);
    annotations[std::move(key)] = input.ConsumeRandomLengthString(256);
  }
  const std::string stream = crash::BuildInformationStream(report_id, client_id, annotations);

  const uint32_t streams = input.ConsumeIntegralInRange<uint32_t>(1, 6);
  const uint32_t ours = input.ConsumeIntegralInRange<uint32_t>(0, streams - 1);
  const uint32_t directory =
      crash::kMinidumpHeaderSize + input.ConsumeIntegralInRange<uint32_t>(0, 64);
  const uint32_t stream_offset = directory + streams * crash::kMinidumpDirectoryEntrySize +
                                 input.ConsumeIntegralInRange<uint32_t>(0, 64);
  std::string dump;
  PutU32(dump, crash::kMinidumpSignature);
  PutU32(dump, 0xA793);
  PutU32(dump, streams);
  PutU32(dump, directory);
  dump.resize(directory, 'h');
  for (uint32_t i = 0; i < streams; ++i) {
    const uint32_t type = input.ConsumeIntegral<uint32_t>();
    PutU32(dump, i == ours ? crash::kInformationStreamType
                           : (type == crash::kInformationStreamType ? 0 : type));
    PutU32(dump,
           i == ours ? static_cast<uint32_t>(stream.size()) : input.ConsumeIntegral<uint32_t>());
    PutU32(dump, i == ours ? stream_offset : input.ConsumeIntegral<uint32_t>());
  }
  dump.resize(stream_offset, 'f');
  dump += stream;
  dump.append(input.ConsumeIntegralInRange<size_t>(0, 64), 't');

  MemoryFile file(dump);
  if (!crash::RelocateInformationStream(file, static_cast<uint32_t>(annotations.size())))
    std::abort();
  const auto info = crash::ReadInformationStream(file.data());
  if (!info || info->version != crash::kInformationStreamVersion || info->report_id != report_id ||
      info->client_id != client_id || info->stream_offset != stream_offset ||
      info->entry_count != annotations.size() || info->annotations != annotations)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadAndRelocate(std::string_view(reinterpret_cast<const char*>(data), size));
  FuzzedDataProvider input(data, size);
  RoundTrip(input);
  return 0;
}
