// Crash dump capture: the information stream, its relocation through the
// minidump directory, and dumps written by the handler.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/logging.h"
#include "installer/crash/crash_handler.h"
#include "installer/crash/information_stream.h"
#include "scoped_private_temp.h"

namespace crash {
namespace {

constexpr char kUserId[] = "{6B29FC40-CA47-101B-B31D-00DD010662DA}";

uint32_t U32(const std::string& s, size_t at) {
  uint32_t v;
  std::memcpy(&v, s.data() + at, 4);
  return v;
}

void PutU32(std::string& s, uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); }

GuidBytes Bytes(uint8_t first) {
  GuidBytes b;
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(first + i);
  return b;
}

class MemoryDump : public DumpFileAccess {
 public:
  explicit MemoryDump(std::string data) : data(std::move(data)) {}
  bool Seek(uint64_t offset) override {
    if (offset > data.size()) return false;
    position_ = offset;
    return true;
  }
  bool Read(void* out, size_t size) override {
    if (data.size() - position_ < size) return false;
    std::memcpy(out, data.data() + position_, size);
    position_ += size;
    return true;
  }
  bool Write(const void* in, size_t size) override {
    if (data.size() - position_ < size) return false;
    std::memcpy(&data[position_], in, size);
    position_ += size;
    return true;
  }
  std::string data;

 private:
  size_t position_ = 0;
};

// A minimal minidump: header, some filler, a directory of two streams with
// the information stream second, then the stream.
std::string FakeDump(const std::string& stream, uint32_t stream_type = kInformationStreamType) {
  std::string dump;
  PutU32(dump, kMinidumpSignature);
  PutU32(dump, 0xA793);
  PutU32(dump, 2);   // streams
  PutU32(dump, 40);  // directory
  dump.resize(40, '\0');
  const uint32_t stream_offset = 40 + 24 + 16;
  PutU32(dump, 7);
  PutU32(dump, 16);
  PutU32(dump, 64);
  PutU32(dump, stream_type);
  PutU32(dump, static_cast<uint32_t>(stream.size()));
  PutU32(dump, stream_offset);
  dump.append(16, 'S');
  dump += stream;
  return dump;
}

const std::map<std::string, std::string> kAnnotations = {{"b", "two"}, {"a", "one"}, {"c", ""}};

TEST(CrashInformationStream, LayoutHasRelativeOffsets) {
  const std::string s = BuildInformationStream(Bytes(1), Bytes(100), kAnnotations);
  // Entries a, b, c; strings "a","one","b","two","c","" at 4+len+1 each.
  const uint32_t strings = 6 + 8 + 6 + 8 + 6 + 5;
  ASSERT_EQ(s.size(), 52 + 4 + 3 * 8 + strings);
  EXPECT_EQ(U32(s, 0), 1u);
  EXPECT_EQ(static_cast<uint8_t>(s[4]), 1);
  EXPECT_EQ(static_cast<uint8_t>(s[20]), 100);
  EXPECT_EQ(U32(s, 36), 4 + 3 * 8 + strings);
  EXPECT_EQ(U32(s, 40), 52u);
  EXPECT_EQ(U32(s, 44), 0u);
  EXPECT_EQ(U32(s, 48), 0u);
  EXPECT_EQ(U32(s, 52), 3u);
  const std::vector<uint32_t> offsets = {0, 6, 14, 20, 28, 34};
  for (size_t i = 0; i < offsets.size(); ++i) EXPECT_EQ(U32(s, 56 + 4 * i), offsets[i]) << i;
  const size_t area = 56 + 24;
  EXPECT_EQ(U32(s, area), 1u);
  EXPECT_EQ(s.substr(area + 4, 2), std::string("a\0", 2));
  EXPECT_EQ(U32(s, area + 6), 3u);
  EXPECT_EQ(s.substr(area + 10, 4), std::string("one\0", 4));
}

TEST(CrashInformationStream, RelocationMakesOffsetsAbsolute) {
  const std::string stream = BuildInformationStream(Bytes(1), Bytes(100), kAnnotations);
  MemoryDump dump(FakeDump(stream));
  ASSERT_TRUE(RelocateInformationStream(dump, 3));
  const uint32_t stream_offset = 80;
  EXPECT_EQ(U32(dump.data, stream_offset + 40), stream_offset + 52);
  EXPECT_EQ(U32(dump.data, stream_offset + 56), stream_offset + 56 + 24);
  const std::optional<InformationStream> info = ReadInformationStream(dump.data);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->annotations, kAnnotations);
  EXPECT_EQ(info->report_id, Bytes(1));
  EXPECT_EQ(info->client_id, Bytes(100));
  // Everything but the offsets is as written.
  EXPECT_EQ(dump.data.substr(0, stream_offset + 40), FakeDump(stream).substr(0, stream_offset + 40));
}

TEST(CrashInformationStream, RelocationRefusesInconsistentDumps) {
  const std::string stream = BuildInformationStream(Bytes(1), Bytes(2), kAnnotations);
  {
    MemoryDump wrong_count(FakeDump(stream));
    EXPECT_FALSE(RelocateInformationStream(wrong_count, 2));
  }
  {
    MemoryDump no_stream(FakeDump(stream, 0x43500002));
    EXPECT_FALSE(RelocateInformationStream(no_stream, 3));
  }
  {
    MemoryDump twice(FakeDump(stream));
    ASSERT_TRUE(RelocateInformationStream(twice, 3));
    EXPECT_FALSE(RelocateInformationStream(twice, 3));  // dictionary offset is no longer 52
  }
  {
    // The file ends inside the annotation entries.
    std::string cut = FakeDump(stream);
    cut.resize(80 + 52 + 4 + 8);
    MemoryDump truncated(cut);
    EXPECT_FALSE(RelocateInformationStream(truncated, 3));
  }
}

TEST(CrashInformationStream, ReaderRejectsDumpsWithBadOffsets) {
  const std::string stream = BuildInformationStream(Bytes(1), Bytes(2), kAnnotations);
  // Not relocated: the offsets point into the header, not at strings.
  EXPECT_FALSE(ReadInformationStream(FakeDump(stream)).has_value());
  EXPECT_FALSE(ReadInformationStream("MDMP").has_value());
  EXPECT_FALSE(ReadInformationStream(std::string(64, '\0')).has_value());
  MemoryDump dump(FakeDump(stream));
  ASSERT_TRUE(RelocateInformationStream(dump, 3));
  std::string bad = dump.data;
  bad[bad.size() - 1] = 'x';  // the last string loses its terminating zero
  EXPECT_FALSE(ReadInformationStream(bad).has_value());
}

// ------------------------------------------------------------ the handler

class LogLines : public base::LogSink {
 public:
  explicit LogLines(std::vector<base::LogRecord>* out) : out_(out) {}
  void Emit(const base::LogRecord& record) override { out_->push_back(record); }

 private:
  std::vector<base::LogRecord>* out_;
};

bool HasLine(const std::vector<base::LogRecord>& lines, const char* function, const char* text) {
  for (const auto& l : lines)
    if (std::string(l.function) == function && l.text == text) return true;
  return false;
}

// An exception as the filter would see it, without raising one.
struct FakeException {
  FakeException() {
    ::RtlCaptureContext(&context);
    record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
    record.ExceptionAddress = reinterpret_cast<void*>(&::RtlCaptureContext);
    pointers.ExceptionRecord = &record;
    pointers.ContextRecord = &context;
  }
  CONTEXT context = {};
  EXCEPTION_RECORD record = {};
  EXCEPTION_POINTERS pointers = {};
};

LONG WINAPI PreviousFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

class CrashHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base::SetLogSink(std::make_unique<LogLines>(&lines_));
    old_filter_ = ::SetUnhandledExceptionFilter(&PreviousFilter);
  }
  void TearDown() override {
    handler_.reset();
    ::SetUnhandledExceptionFilter(old_filter_);
    for (const auto& path : cleanup_) base::DeleteFileIfExists(path);
    base::SetLogSink(nullptr);
  }
  CrashHandler& Installed(const std::string& user_id) {
    handler_ = std::make_unique<CrashHandler>();
    EXPECT_TRUE(handler_->InstallForUser(user_id));
    cleanup_.push_back(handler_->dump_path());
    return *handler_;
  }
  std::string ReadDump(const std::wstring& path) {
    return base::ReadFileToString(path).value_or("");
  }

  testing_support::ScopedPrivateTemp temp_{L"crash_handler"};
  std::vector<base::LogRecord> lines_;
  std::unique_ptr<CrashHandler> handler_;
  std::vector<std::wstring> cleanup_;
  LPTOP_LEVEL_EXCEPTION_FILTER old_filter_ = nullptr;
};

TEST_F(CrashHandlerTest, InstallSetsTheParametersAndTheFilter) {
  CrashHandler& handler = Installed(kUserId);
  const auto params = handler.parameters();
  EXPECT_EQ(params.at("uid"), "6B29FC40-CA47-101B-B31D-00DD010662DA");
  EXPECT_EQ(params.at("ver"), "23.11.3.935");
  EXPECT_EQ(params.at("plat"), "Win32");
  EXPECT_EQ(params.at("prod"), "Kelmor");
  EXPECT_EQ(params.at("gzip_enabled"), "true");
  const std::string report_id = params.at("report_id");
  ASSERT_EQ(report_id.size(), 36u);
  EXPECT_EQ(params.size(), 6u);
  EXPECT_EQ(handler.dump_path(), base::PathJoin(base::GetTempDir(),
                                                std::wstring(report_id.begin(), report_id.end()) +
                                                    L".dmp"));
  // The filter in place is the handler's; Uninstall puts the previous back.
  EXPECT_EQ(::SetUnhandledExceptionFilter(&CrashHandler::HandleException),
            &CrashHandler::HandleException);
  handler.Uninstall();
  EXPECT_EQ(::SetUnhandledExceptionFilter(&PreviousFilter), &PreviousFilter);
  EXPECT_TRUE(handler.parameters().empty());
}

TEST_F(CrashHandlerTest, AUserIdWithoutBracesIsAccepted) {
  EXPECT_EQ(Installed("6B29FC40-CA47-101B-B31D-00DD010662DA").parameters().at("uid"),
            "6B29FC40-CA47-101B-B31D-00DD010662DA");
}

TEST_F(CrashHandlerTest, AMissingUserIdGivesTheZeroGuidAndALine) {
  EXPECT_EQ(Installed("").parameters().at("uid"), "00000000-0000-0000-0000-000000000000");
  EXPECT_TRUE(HasLine(lines_, "Impl", "uid not found, use empty"));
  lines_.clear();
  handler_.reset();
  EXPECT_EQ(Installed("not-a-guid").parameters().at("uid"), "00000000-0000-0000-0000-000000000000");
  EXPECT_TRUE(HasLine(lines_, "Impl", "uid not found, use empty"));
}

TEST_F(CrashHandlerTest, LinesWrittenBeforeTheLogExistsAreFlushedLater) {
  base::SetLogSink(nullptr);
  handler_ = std::make_unique<CrashHandler>();
  ASSERT_TRUE(handler_->InstallForUser(""));
  cleanup_.push_back(handler_->dump_path());
  EXPECT_EQ(base::GetLogSink(), nullptr);
  base::SetLogSink(std::make_unique<LogLines>(&lines_));
  handler_->FlushStartupLog();
  EXPECT_TRUE(HasLine(lines_, "Impl", "uid not found, use empty"));
  lines_.clear();
  handler_->FlushStartupLog();
  EXPECT_TRUE(lines_.empty());
}

TEST_F(CrashHandlerTest, CrashKeysNeedANameAndAValue) {
  CrashHandler& handler = Installed(kUserId);
  handler.SetCrashKey("ptype", "installer");
  handler.SetCrashKey("", "x");
  handler.SetCrashKey("empty", "");
  handler.SetCrashKey("ptype", "again");
  const auto params = handler.parameters();
  EXPECT_EQ(params.at("ptype"), "again");
  EXPECT_EQ(params.count(""), 0u);
  EXPECT_EQ(params.count("empty"), 0u);
}

TEST_F(CrashHandlerTest, TheDumpCarriesEveryParameterThroughTheDirectory) {
  CrashHandler& handler = Installed(kUserId);
  handler.SetCrashKey("ptype", "installer");
  handler.SetCrashKey("brand_id", "kelmor");
  handler.SetCrashKey("default_language", "ru");
  FakeException exception;
  ASSERT_TRUE(handler.WriteDump(&exception.pointers));

  const std::string dump = ReadDump(handler.dump_path());
  const std::optional<InformationStream> info = ReadInformationStream(dump);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->version, 1u);
  EXPECT_EQ(info->annotations, handler.parameters());
  EXPECT_EQ(info->annotations.at("brand_id"), "kelmor");
  EXPECT_EQ(info->entry_count, 9u);
  GUID client;
  std::memcpy(&client, info->client_id.data(), 16);
  EXPECT_EQ(GuidToString(client), "6B29FC40-CA47-101B-B31D-00DD010662DA");
  GUID report;
  std::memcpy(&report, info->report_id.data(), 16);
  EXPECT_EQ(GuidToString(report), handler.parameters().at("report_id"));
  // Offsets are absolute: the dictionary sits right behind the 52-byte block.
  EXPECT_EQ(U32(dump, info->stream_offset + 40), info->stream_offset + 52);
}

TEST_F(CrashHandlerTest, AnExistingDumpFileIsNeitherOverwrittenNorDeleted) {
  CrashHandler& handler = Installed(kUserId);
  ASSERT_TRUE(base::WriteStringToFile(handler.dump_path(), "someone else's file"));
  FakeException exception;
  EXPECT_FALSE(handler.WriteDump(&exception.pointers));
  EXPECT_EQ(ReadDump(handler.dump_path()), "someone else's file");
}

TEST_F(CrashHandlerTest, GuidTextHasNoBraces) {
  const GUID guid = {0x6B29FC40, 0xCA47, 0x101B, {0xB3, 0x1D, 0x00, 0xDD, 0x01, 0x06, 0x62, 0xDA}};
  EXPECT_EQ(GuidToString(guid), "6B29FC40-CA47-101B-B31D-00DD010662DA");
  EXPECT_EQ(GuidToString(GUID{}), "00000000-0000-0000-0000-000000000000");
}

}  // namespace
}  // namespace crash
