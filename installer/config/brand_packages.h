// Brand and partner packages: cabinet archives carried as "BIN" resources
// (IDR_PARTNER_PACKAGE, IDR_BRAND_PACKAGE the default brand, "BRAND_<NAME>"
// named brands), each holding one configuration document. They are written
// unchanged to the temporary folder for setup and merged into the brand
// record, partner first.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "installer/config/brand_info.h"
#include "resource_ids.h"

namespace lite_installer {

constexpr int kPartnerPackageResourceId = IDR_PARTNER_PACKAGE;
constexpr int kBrandPackageResourceId = IDR_BRAND_PACKAGE;

// The whole acquisition for the "brand-name" switch value ("" when absent).
void GetInfo(BrandInfo& brand, const std::string& brand_name_switch);
// Its resource part: partner package, then the chosen brand package.
void GetInfoFromResources(BrandInfo& brand, const std::string& brand_name_switch);

// The brand for the user's region and UI language.
std::string AutodetectBrandName();
// The detection table itself; "" when no row matches.
std::string DetectBrandName(std::string_view region, std::string_view language);

// Extracts `entry_name` from an in-memory cabinet and merges it.
void ApplyPackage(BrandInfo& brand, std::string_view package, const std::string& entry_name);

// Every file of an in-memory cabinet (with a filter: only that file) by
// name. False when the cabinet cannot be read completely; `files` is then
// empty.
bool ExtractCabinet(std::string_view cabinet, const std::string& filter_name,
                    std::map<std::string, std::string>* files);

// "BIN" resources of this executable; "" when absent or empty.
std::string LoadBinResource(int id);
std::string LoadBinResource(const std::wstring& name);

// Removes the brand values an earlier installer left in its registry store
// (GetInfo does, first).
void RemoveStoredBrand();

}  // namespace lite_installer
