// The cabinet callbacks on any bytes: a cabinet and a size limit, then a
// sequence of callback calls in any order, on any handle (closed ones and
// the two special values included), as the cabinet library could make
// them. Each call must do what _read, _lseek, _write and _close do on a
// file: reads give exactly the cabinet's bytes at the cursor, seeks stay in
// the cabinet, writes beyond the limit are refused, closed handles fail;
// and the extraction keeps exactly the files finished on open outputs.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "installer/config/cabinet_extraction.h"

namespace {

using lite_installer::CabinetExtraction;

constexpr uint32_t kCountFailure = static_cast<uint32_t>(-1);
const char* const kNames[] = {"brand_config", "partner_config", "readme.txt", ""};

// What a handle should be after the calls so far.
struct Expected {
  intptr_t value;
  bool cabinet;
  bool open = true;
  int64_t position = 0;
  std::string output;
};

class Run {
 public:
  Run(FuzzedDataProvider& input, const std::string& cabinet, const std::string& filter,
      size_t limit)
      : input_(input),
        cabinet_(cabinet),
        filter_(filter),
        limit_(limit),
        extraction_(cabinet, filter, &files_, limit) {}

  void Step() {
    switch (input_.ConsumeIntegralInRange<int>(0, 6)) {
      case 0: return Open();
      case 1: return Read();
      case 2: return Seek();
      case 3: return Write();
      case 4: return Close();
      case 5: return BeginFile();
      default: return FinishFile();
    }
  }

  void Check() const {
    if (files_ != finished_ || extraction_.output_too_large() != too_large_) std::abort();
  }

 private:
  // One of the handles handed out, or a special value (its Expected closed).
  Expected& Pick() {
    const size_t i = input_.ConsumeIntegralInRange<size_t>(0, handles_.size() + 1);
    if (i >= handles_.size()) {
      special_ = {
          i == handles_.size() ? lite_installer::kCabinetFailure : lite_installer::kCabinetSkipFile,
          false, false};
      return special_;
    }
    return handles_[i];
  }

  void Open() {
    const std::string name = extraction_.CabinetName();
    const char* const wrong[] = {"", "0", "x", nullptr};
    const int choice = input_.ConsumeIntegralInRange<int>(0, 4);
    const std::string bad = name + "x";
    const char* given = choice == 0 ? name.c_str() : choice == 4 ? bad.c_str() : wrong[choice - 1];
    const intptr_t value = CabinetExtraction::Open(given);
    if (choice != 0) {
      if (value != lite_installer::kCabinetFailure) std::abort();
      return;
    }
    if (value == lite_installer::kCabinetFailure || value == lite_installer::kCabinetSkipFile)
      std::abort();
    handles_.push_back({value, true});
  }

  void Read() {
    Expected& h = Pick();
    const uint32_t count = input_.ConsumeIntegralInRange<uint32_t>(0, 5000);
    std::vector<char> buffer(count);
    const uint32_t n = CabinetExtraction::Read(h.value, buffer.data(), count);
    if (!h.open || !h.cabinet) {
      if (n != kCountFailure) std::abort();
      return;
    }
    const size_t want = std::min<size_t>(count, cabinet_.size() - h.position);
    if (n != want || cabinet_.compare(h.position, n, buffer.data(), n) != 0) std::abort();
    h.position += n;
  }

  void Seek() {
    Expected& h = Pick();
    const int origin = input_.ConsumeIntegralInRange<int>(0, 3);
    const int32_t distance = input_.ConsumeBool()
                                 ? input_.ConsumeIntegralInRange<int32_t>(-5000, 5000)
                                 : input_.ConsumeIntegral<int32_t>();
    const int32_t result = CabinetExtraction::Seek(h.value, distance, origin);
    if (!h.open || !h.cabinet || origin > SEEK_END) {
      if (result != -1) std::abort();
      return;
    }
    const int64_t base = origin == SEEK_SET   ? 0
                         : origin == SEEK_CUR ? h.position
                                              : int64_t(cabinet_.size());
    const int64_t target = base + distance;
    if (target < 0 || target > int64_t(cabinet_.size())) {
      if (result != -1) std::abort();
      return;
    }
    if (result != target) std::abort();
    h.position = target;
  }

  void Write() {
    Expected& h = Pick();
    const std::string bytes = input_.ConsumeRandomLengthString(1024);
    const uint32_t n = CabinetExtraction::Write(h.value, bytes.data(), uint32_t(bytes.size()));
    if (!h.open || h.cabinet) {
      if (n != kCountFailure) std::abort();
      return;
    }
    if (h.output.size() + bytes.size() > limit_) {
      too_large_ = true;
      if (n != kCountFailure) std::abort();
      return;
    }
    if (n != bytes.size()) std::abort();
    h.output += bytes;
  }

  void Close() {
    Expected& h = Pick();
    if (CabinetExtraction::Close(h.value) != (h.open ? 0 : -1)) std::abort();
    h.open = false;
  }

  void BeginFile() {
    const char* name = kNames[input_.ConsumeIntegralInRange<size_t>(0, 3)];
    const intptr_t value = extraction_.BeginFile(name, input_.ConsumeIntegral<int32_t>());
    if (!filter_.empty() && filter_ != name) {
      if (value != lite_installer::kCabinetSkipFile) std::abort();
      return;
    }
    if (value == lite_installer::kCabinetFailure || value == lite_installer::kCabinetSkipFile)
      std::abort();
    handles_.push_back({value, false});
  }

  void FinishFile() {
    Expected& h = Pick();
    const char* name = kNames[input_.ConsumeIntegralInRange<size_t>(0, 3)];
    const bool kept = extraction_.FinishFile(name, h.value);
    if (kept != (h.open && !h.cabinet)) std::abort();
    if (!kept) return;
    finished_[name] = h.output;
    h.open = false;
  }

  FuzzedDataProvider& input_;
  const std::string& cabinet_;
  const std::string& filter_;
  const size_t limit_;
  std::map<std::string, std::string> files_, finished_;
  CabinetExtraction extraction_;
  std::vector<Expected> handles_;
  Expected special_{0, false, false};
  bool too_large_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string cabinet = input.ConsumeRandomLengthString(4096);
  const std::string filter =
      input.ConsumeBool() ? "" : kNames[input.ConsumeIntegralInRange<size_t>(0, 2)];
  const size_t limit = input.ConsumeIntegralInRange<size_t>(0, 4096);
  Run run(input, cabinet, filter, limit);
  for (int steps = 0; steps < 256 && input.remaining_bytes() > 0; ++steps) run.Step();
  run.Check();
  return 0;
}
