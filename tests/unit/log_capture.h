// Collects the log records written while it lives.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/logging.h"

namespace testing_support {

class LogCapture {
 public:
  LogCapture() {
    auto sink = std::make_unique<Sink>();
    sink_ = sink.get();
    base::SetLogSink(std::move(sink));
  }
  ~LogCapture() { base::SetLogSink(nullptr); }

  const std::vector<base::LogRecord>& records() const { return sink_->records; }
  // True when a record's text equals `text` (and its tag, when given).
  bool Has(const std::string& text, const char* tag = nullptr) const {
    for (const auto& r : sink_->records)
      if (r.text == text && (!tag || std::string(r.function) == tag)) return true;
    return false;
  }
  bool HasPrefix(const std::string& prefix) const {
    for (const auto& r : sink_->records)
      if (r.text.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
  }
  // True when a record's text contains `fragment`.
  bool Contains(const std::string& fragment) const {
    for (const auto& r : sink_->records)
      if (r.text.find(fragment) != std::string::npos) return true;
    return false;
  }
  std::string Dump() const {
    std::string out;
    for (const auto& r : sink_->records) out += std::string(r.function) + ": " + r.text + "\n";
    return out;
  }

 private:
  struct Sink : base::LogSink {
    void Emit(const base::LogRecord& record) override { records.push_back(record); }
    std::vector<base::LogRecord> records;
  };
  Sink* sink_;
};

}  // namespace testing_support
