// The installer tag read from an executable file's certificate table.
#pragma once

#include <optional>
#include <string>

namespace lite_installer {

// The whole content of a file; nullopt (and an error line) on failure.
std::optional<std::string> ReadAllBytesFromFile(const std::wstring& path);

// The pieces of every dummy certificate joined in order; "" when there is
// none or the file cannot be read (failures are logged).
std::string ExtractTagFromFakeCertificate(const std::wstring& path);

// The text of the "Kect" block after the PKCS#7 blob; "" when there is
// none. Logs nothing.
std::string ReadAppendedTag(const std::wstring& path);

}  // namespace lite_installer
