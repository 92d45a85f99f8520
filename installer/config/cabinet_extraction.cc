#include "installer/config/cabinet_extraction.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "base/strings.h"

namespace lite_installer {
namespace {

constexpr uint32_t kMagic = 0x4B434142;  // "KCAB"
constexpr uint32_t kCountFailure = static_cast<uint32_t>(-1);

}  // namespace

CabinetExtraction::CabinetExtraction(std::string_view cabinet, std::string filter,
                                     std::map<std::string, std::string>* files,
                                     size_t max_file_size)
    : magic_(kMagic),
      cabinet_(cabinet),
      filter_(std::move(filter)),
      files_(files),
      max_file_size_(max_file_size) {}

std::string CabinetExtraction::CabinetName() const {
  return std::to_string(reinterpret_cast<uintptr_t>(this));
}

CabinetExtraction::Handle* CabinetExtraction::FromValue(intptr_t value) {
  if (value == kCabinetFailure || value == kCabinetSkipFile) return nullptr;
  auto* handle = reinterpret_cast<Handle*>(value);
  return handle->kind == Handle::kClosed ? nullptr : handle;
}

intptr_t CabinetExtraction::NewHandle(Handle::Kind kind) {
  handles_.push_back(Handle{kind, this});
  return reinterpret_cast<intptr_t>(&handles_.back());
}

intptr_t CabinetExtraction::Open(const char* name) {
  const std::optional<int64_t> address = base::ParseInt64(std::string_view(name ? name : ""));
  if (!address || *address == 0) return kCabinetFailure;
  auto* extraction = reinterpret_cast<CabinetExtraction*>(static_cast<uintptr_t>(*address));
  if (extraction->magic_ != kMagic) return kCabinetFailure;
  return extraction->NewHandle(Handle::kCabinet);
}

uint32_t CabinetExtraction::Read(intptr_t value, void* buffer, uint32_t count) {
  Handle* handle = FromValue(value);
  if (!handle || handle->kind != Handle::kCabinet) return kCountFailure;
  const std::string_view bytes = handle->owner->cabinet_;
  const size_t available = bytes.size() - handle->position;
  const size_t n = count < available ? count : available;
  if (n > 0) std::memcpy(buffer, bytes.data() + handle->position, n);
  handle->position += n;
  return static_cast<uint32_t>(n);
}

uint32_t CabinetExtraction::Write(intptr_t value, const void* buffer, uint32_t count) {
  Handle* handle = FromValue(value);
  if (!handle || handle->kind != Handle::kOutput) return kCountFailure;
  CabinetExtraction* owner = handle->owner;
  if (count > owner->max_file_size_ - handle->output.size()) {
    owner->output_too_large_ = true;
    return kCountFailure;
  }
  handle->output.append(static_cast<const char*>(buffer), count);
  return count;
}

int CabinetExtraction::Close(intptr_t value) {
  Handle* handle = FromValue(value);
  if (!handle) return -1;
  handle->kind = Handle::kClosed;
  std::string().swap(handle->output);
  return 0;
}

int32_t CabinetExtraction::Seek(intptr_t value, int32_t distance, int origin) {
  Handle* handle = FromValue(value);
  if (!handle || handle->kind != Handle::kCabinet) return -1;
  const int64_t size = static_cast<int64_t>(handle->owner->cabinet_.size());
  int64_t target;
  switch (origin) {
    case SEEK_SET: target = distance; break;
    case SEEK_CUR: target = static_cast<int64_t>(handle->position) + distance; break;
    case SEEK_END: target = size + distance; break;
    default: return -1;
  }
  if (target < 0 || target > size || target > INT32_MAX) return -1;
  handle->position = static_cast<size_t>(target);
  return static_cast<int32_t>(target);
}

intptr_t CabinetExtraction::BeginFile(const char* name, int32_t size) {
  if (!filter_.empty() && filter_ != (name ? name : "")) return kCabinetSkipFile;
  const intptr_t value = NewHandle(Handle::kOutput);
  if (size > 0)
    FromValue(value)->output.reserve(std::min(static_cast<size_t>(size), max_file_size_));
  return value;
}

bool CabinetExtraction::FinishFile(const char* name, intptr_t value) {
  Handle* handle = FromValue(value);
  if (!handle || handle->kind != Handle::kOutput || handle->owner != this) return false;
  (*files_)[name ? name : ""] = std::move(handle->output);
  handle->kind = Handle::kClosed;
  std::string().swap(handle->output);
  return true;
}

}  // namespace lite_installer
