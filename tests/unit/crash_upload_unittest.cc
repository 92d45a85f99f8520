// The crash-report upload: text escaping, body streams, gzip, the
// multipart body, SendReport and the WinHTTP transport against a loopback
// server.
#include "loopback_http_server.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/logging.h"
#include "base/strings.h"
#include "installer/crash/crash_report_upload.h"
#include "installer/crash/file_reader.h"
#include "installer/crash/http_body.h"
#include "installer/crash/http_body_gzip.h"
#include "installer/crash/http_multipart_builder.h"
#include "installer/crash/http_text.h"
#include "installer/crash/http_transport.h"
#include "scoped_private_temp.h"

namespace crash {
namespace {

using Parts = std::vector<std::unique_ptr<HttpBodyStream>>;

// Collects the log lines of a test.
class LogCapture : public base::LogSink {
 public:
  struct Line {
    std::string function;
    int32_t severity;
    std::string text;
  };
  static std::vector<Line>* Install() {
    auto sink = std::make_unique<LogCapture>();
    std::vector<Line>* lines = &sink->lines_;
    base::SetLogSink(std::move(sink));
    return lines;
  }
  void Emit(const base::LogRecord& record) override {
    lines_.push_back({record.function, record.severity, record.text});
  }

 private:
  std::vector<Line> lines_;
};

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override { lines_ = LogCapture::Install(); }
  void TearDown() override { base::SetLogSink(nullptr); }
  bool Logged(const std::string& function, const std::string& text) const {
    for (const auto& line : *lines_)
      if (line.function == function && line.text == text) return true;
    return false;
  }
  bool LoggedStartingWith(const std::string& text) const {
    for (const auto& line : *lines_)
      if (line.text.rfind(text, 0) == 0) return true;
    return false;
  }
  std::vector<LogCapture::Line>* lines_ = nullptr;
};

// Reads a stream to its end with a given buffer size; -1 ends it too.
std::string Drain(HttpBodyStream& stream, size_t buffer_size, bool* failed = nullptr) {
  std::string out;
  std::vector<uint8_t> buffer(buffer_size);
  for (;;) {
    const FileOperationResult got = stream.GetBytesBuffer(buffer.data(), buffer.size());
    if (got < 0) {
      if (failed) *failed = true;
      return out;
    }
    if (got == 0) return out;
    out.append(reinterpret_cast<char*>(buffer.data()), static_cast<size_t>(got));
  }
}

// Inflates a whole gzip member; nullopt when it is not one.
std::optional<std::string> Gunzip(const std::string& data) {
  z_stream z = {};
  if (inflateInit2(&z, 15 + 16) != Z_OK) return std::nullopt;
  std::string out;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  int result;
  do {
    char buffer[8192];
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof(buffer);
    result = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof(buffer) - z.avail_out);
  } while (result == Z_OK);
  const bool whole = result == Z_STREAM_END && z.avail_in == 0;
  inflateEnd(&z);
  if (!whole) return std::nullopt;
  return out;
}

std::string PseudoRandom(size_t size, uint32_t seed) {
  std::string out(size, '\0');
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    out[i] = static_cast<char>(seed >> 16);
  }
  return out;
}

class MemoryReader : public FileReaderInterface {
 public:
  explicit MemoryReader(std::string data, size_t fail_after = std::string::npos)
      : data_(std::move(data)), fail_after_(fail_after) {}
  FileOperationResult Read(void* out, size_t size) override {
    if (position_ >= fail_after_) return -1;
    size_t n = std::min(size, data_.size() - position_);
    n = std::min(n, fail_after_ - position_);
    std::memcpy(out, data_.data() + position_, n);
    position_ += n;
    return static_cast<FileOperationResult>(n);
  }
  bool SeekToStart() override {
    position_ = 0;
    return true;
  }

 private:
  std::string data_;
  size_t fail_after_;
  size_t position_ = 0;
};

class FailingStream : public HttpBodyStream {
 public:
  FileOperationResult GetBytesBuffer(uint8_t*, size_t) override { return -1; }
};

std::wstring WriteTempFile(const std::wstring& name, const std::string& data) {
  const std::wstring path = base::PathJoin(base::GetTempDir(), name);
  EXPECT_TRUE(base::WriteStringToFile(path, data));
  return path;
}

// ------------------------------------------------------------ text pieces

TEST(CrashHttpText, MimeFieldsEscapeOnlyQuotesPercentAndLineBreaks) {
  EXPECT_EQ(EncodeMimeField("a\"b%c\r\nd;e f"), "a%22b%25c%0d%0ad;e f");
  EXPECT_EQ(EncodeMimeField("plain-name_1.dmp"), "plain-name_1.dmp");
  EXPECT_EQ(EncodeMimeField(std::string("\xC3\xA9", 2)), std::string("\xC3\xA9", 2));
}

TEST(CrashHttpText, ContentTypeAllowsOnlyTokenCharacters) {
  EXPECT_TRUE(IsValidContentType("application/octet-stream"));
  EXPECT_TRUE(IsValidContentType("application/vnd.a+b_c-1"));
  EXPECT_TRUE(IsValidContentType(""));
  EXPECT_FALSE(IsValidContentType("text/plain; charset=utf-8"));
  EXPECT_FALSE(IsValidContentType("text/plain\r\nX-Injected: 1"));
  EXPECT_FALSE(IsValidContentType("a\"b"));
}

TEST(CrashHttpText, QueryValuesKeepUnreservedBytesOnly) {
  EXPECT_EQ(EscapeQueryValue("Kelmor x"), "Kelmor%20x");
  EXPECT_EQ(EscapeQueryValue("a-b_c.d~e"), "a-b_c.d~e");
  EXPECT_EQ(EscapeQueryValue("&=?/\xC3\xA9"), "%26%3D%3F%2F%C3%A9");
}

TEST(CrashHttpText, SubmitUrlTakesProductVersionAndGuidInThatOrder) {
  EXPECT_EQ(BuildSubmitUrl("https://h", {{"ver", "23.11.3.935"}, {"prod", "Kelmor x"}, {"uid", "u"}}),
            "https://h/submit?product=Kelmor%20x&version=23.11.3.935");
  EXPECT_EQ(BuildSubmitUrl("https://h", {{"guid", "g"}, {"ver", "1"}}),
            "https://h/submit?version=1&guid=g");
  EXPECT_EQ(BuildSubmitUrl("http://localhost:1", {}), "http://localhost:1/submit");
}

TEST(CrashHttpText, LongQueryPiecesAreCutWithoutSplittingAnEscape) {
  // "?product=" is 9 characters: 118 more fit into a 127-character piece.
  const std::string url = BuildSubmitUrl("h", {{"prod", std::string(200, 'a')}});
  EXPECT_EQ(url, "h/submit?product=" + std::string(118, 'a'));
  // 116 letters and then blanks: the cut would fall inside "%20".
  const std::string cut = BuildSubmitUrl("h", {{"prod", std::string(117, 'a') + "   "}});
  EXPECT_EQ(cut, "h/submit?product=" + std::string(117, 'a'));
}

TEST(CrashHttpText, ChunkSizesAreLowerCaseHexWithoutLeadingZeros) {
  EXPECT_EQ(FormatChunkSize(0), "0");
  EXPECT_EQ(FormatChunkSize(31), "1f");
  EXPECT_EQ(FormatChunkSize(32768), "8000");
  EXPECT_EQ(FormatChunkSize(0xABCDEF), "abcdef");
}

// ------------------------------------------------------------ body streams

TEST(CrashBodyStreams, CompositeJoinsPartsForAnyBufferSize) {
  for (const size_t buffer_size : {1u, 3u, 7u, 4096u}) {
    Parts parts;
    parts.push_back(std::make_unique<StringHttpBodyStream>("abc"));
    parts.push_back(std::make_unique<StringHttpBodyStream>(""));
    MemoryReader reader("0123456789");
    parts.push_back(std::make_unique<FileReaderHttpBodyStream>(&reader));
    parts.push_back(std::make_unique<StringHttpBodyStream>("xyz"));
    CompositeHttpBodyStream composite(std::move(parts));
    EXPECT_EQ(Drain(composite, buffer_size), "abc0123456789xyz") << buffer_size;
    uint8_t byte;
    EXPECT_EQ(composite.GetBytesBuffer(&byte, 1), 0);
  }
}

TEST(CrashBodyStreams, AFailingPartFailsTheComposite) {
  Parts parts;
  parts.push_back(std::make_unique<StringHttpBodyStream>("abc"));
  parts.push_back(std::make_unique<FailingStream>());
  CompositeHttpBodyStream composite(std::move(parts));
  bool failed = false;
  Drain(composite, 2, &failed);
  EXPECT_TRUE(failed);
}

TEST(CrashBodyStreams, FileReaderErrorsAreReported) {
  MemoryReader reader(std::string(100, 'x'), 50);
  FileReaderHttpBodyStream stream(&reader);
  bool failed = false;
  Drain(stream, 16, &failed);
  EXPECT_TRUE(failed);
}

TEST(CrashBodyStreams, FileReaderServesAFileFromDisk) {
  testing_support::ScopedPrivateTemp temp(L"crash_body");
  const std::string data = PseudoRandom(100000, 7);
  const std::wstring path = WriteTempFile(L"crash_body_stream_test.bin", data);
  {
    FileReader reader;
    ASSERT_TRUE(reader.Open(path));
    FileReaderHttpBodyStream stream(&reader);
    EXPECT_EQ(Drain(stream, 4096), data);
  }
  FileReader missing;
  EXPECT_FALSE(missing.Open(path + L".missing"));
  base::DeleteFileIfExists(path);
}

TEST(CrashGzip, AnEmptySourceGivesAValidGzipMember) {
  GzipHttpBodyStream gzip(std::make_unique<StringHttpBodyStream>(""));
  const std::string out = Drain(gzip, 4096);
  ASSERT_GE(out.size(), 18u);  // 10-byte header, empty deflate block, 8-byte trailer
  EXPECT_EQ(static_cast<uint8_t>(out[0]), 0x1F);
  EXPECT_EQ(static_cast<uint8_t>(out[1]), 0x8B);
  EXPECT_EQ(out[2], 8);
  const std::optional<std::string> plain = Gunzip(out);
  ASSERT_TRUE(plain.has_value());
  EXPECT_EQ(*plain, "");
  // CRC-32 and length of nothing: all zero.
  EXPECT_EQ(out.substr(out.size() - 8), std::string(8, '\0'));
}

TEST(CrashGzip, RoundTripsLargeInputThroughSmallAndLargeBuffers) {
  const std::string data = PseudoRandom(300000, 1) + std::string(700000, 'k');
  for (const size_t buffer_size : {1u, 100u, 32768u}) {
    GzipHttpBodyStream gzip(std::make_unique<StringHttpBodyStream>(data));
    const std::string out = Drain(gzip, buffer_size);
    EXPECT_LT(out.size(), data.size());
    const std::optional<std::string> plain = Gunzip(out);
    ASSERT_TRUE(plain.has_value()) << buffer_size;
    EXPECT_EQ(*plain, data) << buffer_size;
    uint8_t byte;
    EXPECT_EQ(gzip.GetBytesBuffer(&byte, 1), 0);
  }
}

TEST(CrashGzip, ASourceErrorIsFinal) {
  Parts parts;
  parts.push_back(std::make_unique<StringHttpBodyStream>(PseudoRandom(10000, 3)));
  parts.push_back(std::make_unique<FailingStream>());
  GzipHttpBodyStream gzip(std::make_unique<CompositeHttpBodyStream>(std::move(parts)));
  bool failed = false;
  Drain(gzip, 1024, &failed);
  EXPECT_TRUE(failed);
  uint8_t buffer[16];
  EXPECT_EQ(gzip.GetBytesBuffer(buffer, sizeof(buffer)), -1);
}

// ------------------------------------------------------------ multipart

TEST(CrashMultipart, BoundaryIsFiftySixCharactersWithThirtyTwoRandomOnes) {
  const std::string a = HttpMultipartBuilder::GenerateBoundary();
  const std::string b = HttpMultipartBuilder::GenerateBoundary();
  ASSERT_EQ(a.size(), 56u);
  EXPECT_EQ(a.substr(0, 21), "---MultipartBoundary-");
  EXPECT_EQ(a.substr(53), "---");
  for (const char c : a.substr(21, 32)) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)));
  EXPECT_NE(a, b);
}

TEST(CrashMultipart, BodyIsByteExact) {
  HttpMultipartBuilder builder;
  builder.SetFormData("b_key", "second");
  builder.SetFormData("a\"key", "first");
  ASSERT_TRUE(builder.SetFileAttachment("file", "na\"me.dmp",
                                        std::make_unique<MemoryReader>("DUMP\r\nBYTES"), ""));
  const std::string& B = builder.boundary();
  const std::string expected =
      "--" + B + "\r\nContent-Disposition: form-data; name=\"a%22key\"\r\n\r\nfirst\r\n" +
      "--" + B + "\r\nContent-Disposition: form-data; name=\"b_key\"\r\n\r\nsecond\r\n" +
      "--" + B + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"na%22me.dmp\"\r\n" +
      "Content-Type: application/octet-stream\r\n\r\nDUMP\r\nBYTES\r\n" +
      "--" + B + "--\r\n";
  std::unique_ptr<HttpBodyStream> body = builder.GetBodyStream();
  EXPECT_EQ(Drain(*body, 5), expected);

  HttpMultipartBuilder::Headers headers;
  builder.PopulateContentHeaders(&headers);
  EXPECT_EQ(headers.size(), 1u);
  EXPECT_EQ(headers["Content-Type"], "multipart/form-data; boundary=" + B);
}

TEST(CrashMultipart, FieldsAndAttachmentsReplaceEachOther) {
  HttpMultipartBuilder builder;
  builder.SetFormData("k", "value");
  builder.SetFileAttachment("k", "f", std::make_unique<MemoryReader>("FILE"), "text/plain");
  builder.SetFormData("j", "x");
  builder.SetFileAttachment("j", "g", std::make_unique<MemoryReader>("G"), "");
  builder.SetFormData("j", "y");
  const std::string body = Drain(*builder.GetBodyStream(), 4096);
  EXPECT_EQ(body.find("value"), std::string::npos);
  EXPECT_NE(body.find("name=\"k\"; filename=\"f\"\r\nContent-Type: text/plain\r\n\r\nFILE\r\n"),
            std::string::npos);
  EXPECT_NE(body.find("name=\"j\"\r\n\r\ny\r\n"), std::string::npos);
  EXPECT_EQ(body.find("filename=\"g\""), std::string::npos);
}

TEST(CrashMultipart, AContentTypeWithOtherCharactersIsRefused) {
  HttpMultipartBuilder builder;
  EXPECT_FALSE(builder.SetFileAttachment("f", "x", std::make_unique<MemoryReader>("A"),
                                         "text/plain\r\nX: y"));
  const std::string body = Drain(*builder.GetBodyStream(), 4096);
  EXPECT_EQ(body, "--" + builder.boundary() + "--\r\n");
}

TEST(CrashMultipart, GzipWrapsTheSameBody) {
  HttpMultipartBuilder builder;
  builder.SetFormData("key", "value");
  builder.SetFileAttachment("f", "x.dmp", std::make_unique<MemoryReader>(PseudoRandom(70000, 9)),
                            "application/octet-stream");
  const std::string plain = Drain(*builder.GetBodyStream(), 1000);
  builder.SetGzipEnabled(true);
  const std::string compressed = Drain(*builder.GetBodyStream(), 1000);
  EXPECT_EQ(Gunzip(compressed).value_or("not gzip"), plain);
  HttpMultipartBuilder::Headers headers;
  builder.PopulateContentHeaders(&headers);
  EXPECT_EQ(headers["Content-Encoding"], "gzip");
}

// ------------------------------------------------------------ SendReport

// Records what SendReport handed to the transport and drains the body.
class RecordingTransport : public HttpTransport {
 public:
  struct Seen {
    std::string url, method, body;
    Headers headers;
    double timeout = 0;
    bool executed = false;
  };
  RecordingTransport(Seen* seen, bool result) : seen_(seen), result_(result) {}
  bool ExecuteSynchronously(std::string* response) override {
    seen_->executed = true;
    seen_->url = url();
    seen_->method = method();
    seen_->headers = headers();
    seen_->timeout = timeout();
    seen_->body = Drain(*body_stream(), 32768);
    return result_;
  }

 private:
  Seen* seen_;
  bool result_;
};

class SendReportTest : public LogTest {
 protected:
  void SetUp() override {
    LogTest::SetUp();
    dump_ = PseudoRandom(50000, 5);
    report_.dump_path = WriteTempFile(L"crash_send_report_test.dmp", dump_);
    report_.parameters = {{"uid", "U-1"}, {"prod", "Kelmor x"}, {"ver", "23.11.3.935"},
                          {"ptype", "installer"}, {"upload_file_minidump", "sneaky"}};
  }
  void TearDown() override {
    base::DeleteFileIfExists(report_.dump_path);
    LogTest::TearDown();
  }
  testing_support::ScopedPrivateTemp temp_{L"crash_upload"};
  std::string dump_;
  CrashReport report_;
  RecordingTransport::Seen seen_;
};

TEST_F(SendReportTest, PostsTheGzipMultipartAndDeletesTheDumpOn200) {
  EXPECT_TRUE(SendReport(report_, std::make_unique<RecordingTransport>(&seen_, true), "https://c"));
  EXPECT_EQ(seen_.url, "https://c/submit?product=Kelmor%20x&version=23.11.3.935");
  EXPECT_EQ(seen_.method, "POST");
  EXPECT_EQ(seen_.timeout, 60.0);
  EXPECT_EQ(seen_.headers["Content-Encoding"], "gzip");
  ASSERT_EQ(seen_.headers.count("Content-Length"), 0u);
  const std::string content_type = seen_.headers["Content-Type"];
  ASSERT_EQ(content_type.rfind("multipart/form-data; boundary=", 0), 0u);
  const std::string boundary = content_type.substr(30);

  const std::string body = Gunzip(seen_.body).value_or("not gzip");
  const std::string file_part = "--" + boundary +
                                "\r\nContent-Disposition: form-data; name=\"upload_file_minidump\"; "
                                "filename=\"U-1.dmp\"\r\nContent-Type: application/octet-stream\r\n\r\n" +
                                dump_ + "\r\n--" + boundary + "--\r\n";
  ASSERT_GE(body.size(), file_part.size());
  EXPECT_EQ(body.substr(body.size() - file_part.size()), file_part);
  for (const char* field : {"prod", "ptype", "uid", "ver"})
    EXPECT_NE(body.find(std::string("name=\"") + field + "\"\r\n\r\n"), std::string::npos) << field;
  EXPECT_EQ(body.find("sneaky"), std::string::npos);
  EXPECT_TRUE(Logged("SendReport", "reserved key upload_file_minidump, discarding value sneaky"));
  EXPECT_FALSE(base::FileExists(report_.dump_path));
}

TEST_F(SendReportTest, AFailedUploadKeepsTheDump) {
  report_.gzip_enabled = false;
  EXPECT_FALSE(SendReport(report_, std::make_unique<RecordingTransport>(&seen_, false), "https://c"));
  EXPECT_TRUE(seen_.executed);
  EXPECT_EQ(seen_.headers.count("Content-Encoding"), 0u);
  EXPECT_NE(seen_.body.find(dump_), std::string::npos);
  EXPECT_TRUE(base::FileExists(report_.dump_path));
}

TEST_F(SendReportTest, AMissingDumpSendsNothing) {
  report_.dump_path += L".missing";
  EXPECT_FALSE(SendReport(report_, std::make_unique<RecordingTransport>(&seen_, true), "https://c"));
  EXPECT_FALSE(seen_.executed);
}

// ------------------------------------------------------------ WinHTTP

class TransportTest : public LogTest {};

TEST_F(TransportTest, ChunkedUploadArrivesIntactWithUserAgentAndHeaders) {
  testing_support::LoopbackHttpServer server(200, "report-id\n");
  const std::string data = PseudoRandom(100000, 11);
  std::unique_ptr<HttpTransport> transport = HttpTransport::Create();
  transport->SetURL(server.base_url() + "/submit?product=Kelmor");
  transport->SetHeader("Content-Type", "application/x-test");
  transport->SetBodyStream(std::make_unique<StringHttpBodyStream>(data));
  transport->SetTimeout(30);
  std::string response;
  EXPECT_TRUE(transport->ExecuteSynchronously(&response));
  EXPECT_EQ(response, "report-id\n");

  const auto& request = server.WaitForRequest();
  EXPECT_EQ(request.request_line, "POST /submit?product=Kelmor HTTP/1.1");
  ASSERT_TRUE(request.complete);
  EXPECT_TRUE(request.chunked);
  EXPECT_EQ(request.body, data);
  // 32 KiB pieces, each one chunk, then the last chunk.
  const std::string piece = data.substr(0, 32768);
  EXPECT_EQ(request.raw_body.substr(0, 6 + 32768 + 2), "8000\r\n" + piece + "\r\n");
  EXPECT_EQ(request.raw_body.substr(request.raw_body.size() - 5), "0\r\n\r\n");
  EXPECT_EQ(request.headers.at("content-type"), "application/x-test");
  // "Crashpad/0.8.0 WinHTTP/a.b.c.d", then " Windows_NT/a.b.c.d (x86)" (or
  // "(x86; WoW64)") when kernel32.dll's version says Windows NT; Wine's
  // kernel32.dll does not, so there the second part is left out.
  const std::string agent = request.headers.at("user-agent");
  const std::string prefix = "Crashpad/0.8.0 WinHTTP/";
  ASSERT_EQ(agent.rfind(prefix, 0), 0u) << agent;
  const size_t nt = agent.find(" Windows_NT/");
  const std::string winhttp_version = agent.substr(prefix.size(), nt - prefix.size());
  EXPECT_EQ(std::count(winhttp_version.begin(), winhttp_version.end(), '.'), 3) << agent;
  if (nt != std::string::npos) {
    const std::string tail = agent.substr(agent.find(" (", nt));
    EXPECT_TRUE(tail == " (x86)" || tail == " (x86; WoW64)") << agent;
  }
}

TEST_F(TransportTest, AnEmptyChunkedBodyIsTheLastChunkOnly) {
  testing_support::LoopbackHttpServer server;
  std::unique_ptr<HttpTransport> transport = HttpTransport::Create();
  transport->SetURL(server.base_url() + "/submit");
  transport->SetBodyStream(std::make_unique<StringHttpBodyStream>(""));
  EXPECT_TRUE(transport->ExecuteSynchronously(nullptr));
  const auto& request = server.WaitForRequest();
  ASSERT_TRUE(request.complete);
  EXPECT_EQ(request.raw_body, "0\r\n\r\n");
}

TEST_F(TransportTest, AContentLengthHeaderSendsTheBodyAsItIs) {
  testing_support::LoopbackHttpServer server;
  std::unique_ptr<HttpTransport> transport = HttpTransport::Create();
  transport->SetURL(server.base_url() + "/fixed");
  transport->SetHeader("Content-Length", "5");
  transport->SetBodyStream(std::make_unique<StringHttpBodyStream>("hello"));
  EXPECT_TRUE(transport->ExecuteSynchronously(nullptr));
  const auto& request = server.WaitForRequest();
  ASSERT_TRUE(request.complete);
  EXPECT_FALSE(request.chunked);
  EXPECT_EQ(request.headers.at("content-length"), "5");
  EXPECT_EQ(request.body, "hello");
}

TEST_F(TransportTest, AStatusOtherThan200FailsAndIsLogged) {
  testing_support::LoopbackHttpServer server(500, "no\n");
  std::unique_ptr<HttpTransport> transport = HttpTransport::Create();
  transport->SetURL(server.base_url() + "/submit");
  transport->SetBodyStream(std::make_unique<StringHttpBodyStream>("x"));
  std::string response = "untouched";
  EXPECT_FALSE(transport->ExecuteSynchronously(&response));
  EXPECT_TRUE(Logged("ExecuteSynchronously", "HTTP status 500"));
  server.WaitForRequest();
}

TEST_F(TransportTest, AnAnswerAboveSixtyFourKiBIsRefusedAndTheUploadFails) {
  testing_support::LoopbackHttpServer server(200, std::string(65537, 'r'));
  std::unique_ptr<HttpTransport> transport = HttpTransport::Create();
  const std::string url = server.base_url() + "/submit";
  transport->SetURL(url);
  transport->SetBodyStream(std::make_unique<StringHttpBodyStream>("x"));
  std::string response = "untouched";
  EXPECT_FALSE(transport->ExecuteSynchronously(&response));
  EXPECT_EQ(response, "untouched");
  EXPECT_TRUE(Logged("ReadResponse", "Refused " + url +
                                         ": Content-Length 65537 is above the cap of 65536 bytes"));
  server.WaitForRequest();
}

TEST_F(TransportTest, AnAnswerOfSixtyFourKiBIsRead) {
  testing_support::LoopbackHttpServer server(200, std::string(65536, 'r'));
  std::unique_ptr<HttpTransport> transport = HttpTransport::Create();
  transport->SetURL(server.base_url() + "/submit");
  transport->SetBodyStream(std::make_unique<StringHttpBodyStream>("x"));
  std::string response;
  EXPECT_TRUE(transport->ExecuteSynchronously(&response));
  EXPECT_EQ(response.size(), 65536u);
  server.WaitForRequest();
}

TEST_F(TransportTest, ABodyStreamErrorEndsTheUploadAsFailed) {
  testing_support::LoopbackHttpServer server;
  Parts parts;
  parts.push_back(std::make_unique<StringHttpBodyStream>(PseudoRandom(40000, 2)));
  parts.push_back(std::make_unique<FailingStream>());
  std::unique_ptr<HttpTransport> transport = HttpTransport::Create();
  transport->SetURL(server.base_url() + "/submit");
  transport->SetBodyStream(std::make_unique<CompositeHttpBodyStream>(std::move(parts)));
  EXPECT_FALSE(transport->ExecuteSynchronously(nullptr));
  transport.reset();  // closes the connection
  const auto& request = server.WaitForRequest();
  EXPECT_FALSE(request.complete);
}

TEST_F(TransportTest, AnUnreachableHostFailsWithTheCallNamed) {
  // A port that was free a moment ago: nothing listens there now.
  std::string url;
  {
    testing_support::LoopbackHttpServer probe;
    url = probe.base_url();
  }
  std::unique_ptr<HttpTransport> transport = HttpTransport::Create();
  transport->SetURL(url + "/submit");
  transport->SetTimeout(10);
  transport->SetBodyStream(std::make_unique<StringHttpBodyStream>("x"));
  EXPECT_FALSE(transport->ExecuteSynchronously(nullptr));
  EXPECT_TRUE(LoggedStartingWith("WinHttpSendRequest: ")) << (lines_->empty() ? "" : lines_->back().text);
}

TEST_F(TransportTest, AMalformedUrlFailsAtCrackUrl) {
  std::unique_ptr<HttpTransport> transport = HttpTransport::Create();
  transport->SetURL("not a url");
  EXPECT_FALSE(transport->ExecuteSynchronously(nullptr));
  EXPECT_TRUE(LoggedStartingWith("WinHttpCrackUrl: "));
}

}  // namespace
}  // namespace crash
