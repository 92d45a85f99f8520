#include "installer/lite_installer/config/brand_packages.h"

#include <windows.h>
#include <fdi.h>
#include <fcntl.h>

#include <cstdio>
#include <cstring>

#include "base/files.h"
#include "base/logging.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "installer/util/registry.h"

namespace lite_installer {
namespace {

// A package holds one small document; anything bigger is refused rather
// than allocated.
constexpr size_t kMaxExtractedFileSize = 8 * 1024 * 1024;

struct DetectionRow {
  const char* region;    // "" matches any
  const char* language;  // "" matches any
  const char* brand;
};

constexpr DetectionRow kDetectionTable[] = {
    {"RU", "uk", "ua_uk"}, {"RU", "", "kelmor"}, {"UA", "ru", "ua_ru"}, {"UA", "", "ua_uk"},
    {"TR", "", "tb"},      {"", "ru", "kelmor"}, {"", "uk", "ua_uk"},   {"", "tr", "tb"},
};

constexpr char kDefaultBrand[] = "kelmor";

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

void WritePackageFile(const std::wstring& path, std::string_view bytes) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.is_valid()) return;
  DWORD written = 0;
  ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// ---- In-memory cabinet extraction through the system's FDI interface.

using FdiCreateFn = HFDI(DIAMONDAPI*)(PFNALLOC, PFNFREE, PFNOPEN, PFNREAD, PFNWRITE, PFNCLOSE,
                                      PFNSEEK, int, PERF);
using FdiCopyFn = BOOL(DIAMONDAPI*)(HFDI, char*, char*, int, PFNFDINOTIFY, PFNFDIDECRYPT, void*);
using FdiDestroyFn = BOOL(DIAMONDAPI*)(HFDI);

struct CabinetLibrary {
  FdiCreateFn create = nullptr;
  FdiCopyFn copy = nullptr;
  FdiDestroyFn destroy = nullptr;
};

const CabinetLibrary& GetCabinetLibrary() {
  static const CabinetLibrary library = [] {
    CabinetLibrary lib;
    HMODULE module = base::LoadSystemLibrary(L"cabinet.dll");
    // Kept for the whole process.
    if (!module) return lib;
    lib.create = reinterpret_cast<FdiCreateFn>(::GetProcAddress(module, "FDICreate"));
    lib.copy = reinterpret_cast<FdiCopyFn>(::GetProcAddress(module, "FDICopy"));
    lib.destroy = reinterpret_cast<FdiDestroyFn>(::GetProcAddress(module, "FDIDestroy"));
    return lib;
  }();
  return library;
}

constexpr uint32_t kContextMagic = 0x4B434142;  // "KCAB"

struct ExtractionContext {
  uint32_t magic = kContextMagic;
  std::string_view bytes;
  std::string filter;
  std::string output;
  bool output_too_large = false;
  std::map<std::string, std::string>* files = nullptr;
};

// What an FDI file handle points to: a read cursor over the cabinet bytes,
// or the output of the file being extracted.
struct FdiHandle {
  enum Kind { kCabinet, kOutput } kind;
  ExtractionContext* context;
  size_t position;
};

FdiHandle* FromHandle(INT_PTR handle) { return reinterpret_cast<FdiHandle*>(handle); }

void* DIAMONDAPI FdiAlloc(ULONG size) { return ::HeapAlloc(::GetProcessHeap(), 0, size); }
void DIAMONDAPI FdiFree(void* p) { ::HeapFree(::GetProcessHeap(), 0, p); }

INT_PTR DIAMONDAPI FdiOpen(char* name, int, int) {
  // The "cabinet name" is the decimal address of the extraction context.
  const std::optional<int64_t> address = base::ParseInt64(std::string_view(name ? name : ""));
  if (!address || *address == 0) return -1;
  auto* context = reinterpret_cast<ExtractionContext*>(static_cast<uintptr_t>(*address));
  if (context->magic != kContextMagic) return -1;
  auto* handle = static_cast<FdiHandle*>(FdiAlloc(sizeof(FdiHandle)));
  if (!handle) return -1;
  *handle = {FdiHandle::kCabinet, context, 0};
  return reinterpret_cast<INT_PTR>(handle);
}

UINT DIAMONDAPI FdiRead(INT_PTR h, void* buffer, UINT count) {
  FdiHandle* handle = FromHandle(h);
  if (!handle || handle->kind != FdiHandle::kCabinet) return static_cast<UINT>(-1);
  const std::string_view bytes = handle->context->bytes;
  const size_t available = bytes.size() - handle->position;
  const size_t n = count < available ? count : available;
  std::memcpy(buffer, bytes.data() + handle->position, n);
  handle->position += n;
  return static_cast<UINT>(n);
}

UINT DIAMONDAPI FdiWrite(INT_PTR h, void* buffer, UINT count) {
  FdiHandle* handle = FromHandle(h);
  if (!handle || handle->kind != FdiHandle::kOutput) return static_cast<UINT>(-1);
  ExtractionContext* context = handle->context;
  if (context->output.size() + count > kMaxExtractedFileSize) {
    context->output_too_large = true;
    return static_cast<UINT>(-1);
  }
  context->output.append(static_cast<const char*>(buffer), count);
  return count;
}

int DIAMONDAPI FdiClose(INT_PTR h) {
  FdiFree(FromHandle(h));
  return 0;
}

__LONG32 DIAMONDAPI FdiSeek(INT_PTR h, __LONG32 distance, int origin) {
  FdiHandle* handle = FromHandle(h);
  if (!handle || handle->kind != FdiHandle::kCabinet) return -1;
  const int64_t size = static_cast<int64_t>(handle->context->bytes.size());
  int64_t target;
  switch (origin) {
    case SEEK_SET: target = distance; break;
    case SEEK_CUR: target = static_cast<int64_t>(handle->position) + distance; break;
    case SEEK_END: target = size + distance; break;
    default: return -1;
  }
  if (target < 0 || target > size) return -1;
  handle->position = static_cast<size_t>(target);
  return static_cast<__LONG32>(target);
}

INT_PTR DIAMONDAPI FdiNotify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION notification) {
  auto* context = static_cast<ExtractionContext*>(notification->pv);
  switch (type) {
    case fdintCABINET_INFO:
    case fdintENUMERATE:
      return 0;
    case fdintCOPY_FILE: {
      const char* name = notification->psz1 ? notification->psz1 : "";
      if (!context->filter.empty() && context->filter != name) return 0;
      context->output.clear();
      if (notification->cb > 0)
        context->output.reserve(static_cast<size_t>(notification->cb) < kMaxExtractedFileSize
                                    ? static_cast<size_t>(notification->cb)
                                    : kMaxExtractedFileSize);
      auto* handle = static_cast<FdiHandle*>(FdiAlloc(sizeof(FdiHandle)));
      if (!handle) return -1;
      *handle = {FdiHandle::kOutput, context, 0};
      return reinterpret_cast<INT_PTR>(handle);
    }
    case fdintCLOSE_FILE_INFO: {
      const char* name = notification->psz1 ? notification->psz1 : "";
      (*context->files)[name] = std::move(context->output);
      context->output.clear();
      FdiFree(FromHandle(notification->hf));
      return TRUE;
    }
    default:
      return -1;
  }
}

}  // namespace

bool ExtractCabinet(std::string_view cabinet, const std::string& filter_name,
                    std::map<std::string, std::string>* files) {
  files->clear();
  const CabinetLibrary& library = GetCabinetLibrary();
  if (!library.create || !library.copy || !library.destroy) return false;
  ERF error = {};
  HFDI fdi = library.create(&FdiAlloc, &FdiFree, &FdiOpen, &FdiRead, &FdiWrite, &FdiClose,
                            &FdiSeek, cpuUNKNOWN, &error);
  if (!fdi) return false;
  ExtractionContext context;
  context.bytes = cabinet;
  context.filter = filter_name;
  context.files = files;
  char name[32];
  std::snprintf(name, sizeof(name), "%llu",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(&context)));
  char path[1] = "";
  const bool ok =
      library.copy(fdi, name, path, 0, &FdiNotify, nullptr, &context) && !context.output_too_large;
  library.destroy(fdi);
  // The cabinet library may hand over a file it could not finish (a cut or
  // corrupt archive, a refused write): nothing of a failed extraction is kept.
  if (!ok) files->clear();
  return ok;
}

std::string LoadBinResource(int id) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"BIN");
  if (!resource) return {};
  const DWORD size = ::SizeofResource(module, resource);
  HGLOBAL loaded = ::LoadResource(module, resource);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data || size == 0) return {};
  return std::string(static_cast<const char*>(data), size);
}

std::string LoadBinResource(const std::wstring& name) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC resource = ::FindResourceW(module, name.c_str(), L"BIN");
  if (!resource) return {};
  const DWORD size = ::SizeofResource(module, resource);
  HGLOBAL loaded = ::LoadResource(module, resource);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data || size == 0) return {};
  return std::string(static_cast<const char*>(data), size);
}

void ApplyPackage(BrandInfo& brand, std::string_view package, const std::string& entry_name) {
  std::map<std::string, std::string> files;
  ExtractCabinet(package, entry_name, &files);
  const auto it = files.find(entry_name);
  if (it == files.end()) return;
  brand.ApplyBrandInfo(it->second);
  brand.LogBrandInfo();
}

std::string DetectBrandName(std::string_view region, std::string_view language) {
  for (const DetectionRow& row : kDetectionTable) {
    if ((!*row.region || region == row.region) && (!*row.language || language == row.language))
      return row.brand;
  }
  return {};
}

std::string AutodetectBrandName() {
  std::string region;
  const GEOID geo = ::GetUserGeoID(GEOCLASS_NATION);
  if (geo != GEOID_NOT_AVAILABLE) {
    wchar_t iso2[3] = {};
    if (::GetGeoInfoW(geo, GEO_ISO2, iso2, 3, 0) == 3) region = base::WideToUtf8(iso2);
  }
  LOG(INFO) << "User region: " << region;
  const std::string language = InterfaceLanguageCode();
  LOG(INFO) << "User locale: " << language;
  std::string brand = DetectBrandName(region, language);
  if (brand.empty()) {
    LOG(INFO) << "Didn't found brand-name. Use default: " << kDefaultBrand;
    return kDefaultBrand;
  }
  LOG(INFO) << "Detected brand-name: " << brand;
  return brand;
}

void GetInfoFromResources(BrandInfo& brand, const std::string& brand_name_switch) {
  const std::string partner = LoadBinResource(kPartnerPackageResourceId);
  if (!partner.empty()) {
    LOG(INFO) << "Extract Partner package: " << brand.partner_package_path << " ["
              << partner.size() << "B]";
    WritePackageFile(brand.partner_package_path, partner);
    brand.partner_package_loaded = true;
    ApplyPackage(brand, partner, "partner_config");
  } else {
    LOG(WARNING) << "Partner package is empty.";
  }

  std::string package;
  if (brand_name_switch == "auto") {
    const std::string name = UpperAscii(AutodetectBrandName());
    LOG(INFO) << "Fetching autodetected " << name << " package";
    package = LoadBinResource(base::AsciiToWide("BRAND_" + name));
  } else if (!brand_name_switch.empty()) {
    LOG(INFO) << "Fetching defined" << brand_name_switch << " package";
    package = LoadBinResource(base::AsciiToWide("BRAND_" + UpperAscii(brand_name_switch)));
  }
  if (package.empty()) {
    LOG(INFO) << "Fetching default package";
    package = LoadBinResource(kBrandPackageResourceId);
  }
  if (!package.empty()) {
    LOG(INFO) << "Extract Brand package: " << brand.brand_package_path << " [" << package.size()
              << "B]";
    WritePackageFile(brand.brand_package_path, package);
    brand.brand_package_loaded = true;
    ApplyPackage(brand, package, "brand_config");
  } else {
    LOG(WARNING) << "Brand package is empty.";
  }
}

void GetInfo(BrandInfo& brand, const std::string& brand_name_switch) {
  brand.Clear();
  RemoveStoredBrand();
  brand.Clear();
  brand.brand_package_path = brand.temp_dir + L"BrandFile";
  LOG(INFO) << "Brand package path: " << brand.brand_package_path;
  brand.partner_package_path = brand.temp_dir + L"PartnerFile";
  LOG(INFO) << "Partner package path: " << brand.partner_package_path;
  GetInfoFromResources(brand, brand_name_switch);
}

void StoreLanguage(const BrandInfo& brand) {
  installer_util::StoreValue(L"lang", base::AsciiToWide(brand.interface_language));
}

void StoreBrand(const BrandInfo& brand) {
  installer_util::StoreValue(L"brand", base::AsciiToWide(brand.brand_name));
  installer_util::StoreValue(L"BrandFile", brand.brand_package_path);
  if (brand.partner_package_loaded)
    installer_util::StoreValue(L"PartnerFile", brand.partner_package_path);
}

void RemoveStoredBrand() {
  installer_util::RemoveValue(L"brand");
  installer_util::RemoveValue(L"BrandFile");
  installer_util::RemoveValue(L"PartnerFile");
}

}  // namespace lite_installer
