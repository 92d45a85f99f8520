#include "installer/config/brand_packages.h"

#include <windows.h>
#include <fdi.h>

#include "base/files.h"
#include "base/logging.h"
#include "base/resource_data.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "installer/config/cabinet_extraction.h"
#include "installer/util/registry.h"

namespace lite_installer {
namespace {

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

void* DIAMONDAPI FdiAlloc(ULONG size) { return ::HeapAlloc(::GetProcessHeap(), 0, size); }
void DIAMONDAPI FdiFree(void* p) { ::HeapFree(::GetProcessHeap(), 0, p); }

// The file callbacks work on the extraction's in-memory files.
INT_PTR DIAMONDAPI FdiOpen(char* name, int, int) { return CabinetExtraction::Open(name); }
UINT DIAMONDAPI FdiRead(INT_PTR h, void* buffer, UINT count) {
  return CabinetExtraction::Read(h, buffer, count);
}
UINT DIAMONDAPI FdiWrite(INT_PTR h, void* buffer, UINT count) {
  return CabinetExtraction::Write(h, buffer, count);
}
int DIAMONDAPI FdiClose(INT_PTR h) { return CabinetExtraction::Close(h); }
__LONG32 DIAMONDAPI FdiSeek(INT_PTR h, __LONG32 distance, int origin) {
  return CabinetExtraction::Seek(h, distance, origin);
}

INT_PTR DIAMONDAPI FdiNotify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION notification) {
  auto* extraction = static_cast<CabinetExtraction*>(notification->pv);
  switch (type) {
    case fdintCABINET_INFO:
    case fdintENUMERATE:
      return 0;
    case fdintCOPY_FILE:
      return extraction->BeginFile(notification->psz1, notification->cb);
    case fdintCLOSE_FILE_INFO:
      return extraction->FinishFile(notification->psz1, notification->hf) ? TRUE : FALSE;
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
  CabinetExtraction extraction(cabinet, filter_name, files);
  std::string name = extraction.CabinetName();
  char path[1] = "";
  const bool ok = library.copy(fdi, name.data(), path, 0, &FdiNotify, nullptr, &extraction) &&
                  !extraction.output_too_large();
  library.destroy(fdi);
  // The cabinet library may hand over a file it could not finish (a cut or
  // corrupt archive, a refused write): nothing of a failed extraction is kept.
  if (!ok) files->clear();
  return ok;
}

std::string LoadBinResource(int id) {
  return std::string(base::ResourceData(nullptr, MAKEINTRESOURCEW(id), L"BIN"));
}

std::string LoadBinResource(const std::wstring& name) {
  return std::string(base::ResourceData(nullptr, name.c_str(), L"BIN"));
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

void RemoveStoredBrand() {
  installer_util::RemoveValue(L"brand");
  installer_util::RemoveValue(L"BrandFile");
  installer_util::RemoveValue(L"PartnerFile");
}

}  // namespace lite_installer
