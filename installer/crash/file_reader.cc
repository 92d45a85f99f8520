#include "installer/crash/file_reader.h"

namespace crash {

bool FileReader::Open(const std::wstring& path) {
  file_ = OpenFileForRead(path);
  return file_.is_valid();
}

FileOperationResult FileReader::Read(void* data, size_t size) {
  if (!file_) return -1;
  return ReadFileOnce(file_.get(), data, size);
}

bool FileReader::SeekToStart() { return file_ && SeekFileTo(file_.get(), 0); }

}  // namespace crash
