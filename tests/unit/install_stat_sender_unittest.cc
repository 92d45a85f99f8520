#include "installer/util/install_stat_sender.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/process.h"
#include "base/strings.h"
#include "build_config.h"
#include "tests/unit/start_gate.h"

namespace installer_util {
namespace {

class CapturingSender : public AsyncRequestSender {
 public:
  ~CapturingSender() override { StopWorker(); }
  std::vector<std::wstring> urls;

 protected:
  void SendUrl(const std::wstring& url) override { urls.push_back(url); }
};

struct Fixture {
  explicit Fixture(const std::wstring& install_stat = L"", const std::string& uid = "{U-1}") {
    auto sender = std::make_unique<CapturingSender>();
    capture = sender.get();
    stats = std::make_unique<InstallStatSender>(kInstallerTypeLite, install_stat, uid,
                                                std::move(sender));
  }
  std::vector<std::wstring> Sent() {
    EXPECT_TRUE(stats->WaitForPendingEvents(10000));
    return capture->urls;
  }
  CapturingSender* capture;
  std::unique_ptr<InstallStatSender> stats;
};

const std::wstring kPrefix = base::AsciiToWide(KELMOR_API_HOST) + L"/installstats/send/dtype=stred/pid=457";

// The "-key=value" entries of an event URL.
std::vector<std::wstring> Entries(const std::wstring& url) {
  std::vector<std::wstring> out;
  const size_t at = url.find(L"/vars=");
  if (at == std::wstring::npos) return out;
  std::wstring list = url.substr(at + 6);
  if (list.size() >= 2 && list.compare(list.size() - 2, 2, L"/*") == 0) list.resize(list.size() - 2);
  size_t pos = 0;
  for (;;) {
    const size_t comma = list.find(L',', pos);
    out.push_back(list.substr(pos, comma == std::wstring::npos ? std::wstring::npos : comma - pos));
    if (comma == std::wstring::npos) return out;
    pos = comma + 1;
  }
}

bool Has(const std::vector<std::wstring>& entries, const std::wstring& entry) {
  for (const auto& e : entries)
    if (e == entry) return true;
  return false;
}

TEST(InstallStatTextTest, EscapingReplacesSeparatorsThenEscapes) {
  EXPECT_EQ(EscapeStatText(L"a-b=c,d"), L"a_b_c_d");
  EXPECT_EQ(EscapeStatText(L"1%3B2"), L"1%253B2");
  EXPECT_EQ(EscapeStatText(L"a b"), L"a%20b");
  // Nothing in a value may end the segment or start a query or fragment.
  EXPECT_EQ(EscapeStatText(L"x/y?z#w"), L"x%2Fy%3Fz%23w");
  EXPECT_EQ(EscapeStatText(L""), L"");
  EXPECT_EQ(EscapeStatText(std::wstring(3000, L'a')), L"");  // longer than 2084: empty
}

TEST(InstallStatTextTest, NamesAndLaunchEvent) {
  EXPECT_EQ(InstallerTypeName(0), "lite");
  EXPECT_EQ(InstallerTypeName(5), "browser_diagnostics");
  EXPECT_EQ(InstallerTypeName(6), "6");
  EXPECT_EQ(InstallerTypeName(-1), "-1");
  EXPECT_STREQ(StatParamKey(kStatTestIds), "testids");
  EXPECT_EQ(StatParamKey(13), nullptr);
  EXPECT_EQ(LaunchEventName(L"ab"), L"");
  EXPECT_EQ(LaunchEventName(L"\"ab"), L"Global\\ab");
  EXPECT_EQ(LaunchEventName(L"\"C:\\Program Files\\Kelmor\\Setup.EXE\" --x"),
            L"Global\\c:!program files!kelmor!setup.exe\" --x");
  EXPECT_EQ(LaunchEventName(L"\"C:\\A\\B.exe\""), L"Global\\c:!a!b.exe");
}

TEST(InstallStatSenderTest, EveryUrlCarriesOldStyleAndAnUnknownBrand) {
  Fixture f;
  const std::wstring url = f.stats->GetQueryUrl({{"action", L"x"}}, kStatChannelExtended);
  EXPECT_EQ(url.rfind(kPrefix + L"/cid=72992/path=extended_stat/vars=-action=x,", 0), 0u) << url;
  EXPECT_EQ(url.substr(url.size() - 2), L"/*");
  const auto entries = Entries(url);
  EXPECT_TRUE(Has(entries, L"-brand_id=unknown"));
  EXPECT_TRUE(Has(entries, L"-old_style=0"));
  EXPECT_TRUE(Has(entries, L"-installer_type=lite"));
  EXPECT_TRUE(Has(entries, L"-ui=U_1"));  // braces dropped, "-" escaped
  // Key order is byte order.
  std::vector<std::wstring> keys;
  for (const auto& e : entries) keys.push_back(e.substr(0, e.find(L'=')));
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
}

TEST(InstallStatSenderTest, PersistentParametersWinAndSettersOverwrite) {
  Fixture f;
  f.stats->SetParam(kStatBrandId, L"first");
  f.stats->SetParam(kStatBrandId, L"br-and");
  f.stats->SetParam(kStatOldVer, L"not settable");
  const auto entries = Entries(f.stats->GetQueryUrl({{"brand_id", L"event"}, {"k=1", L"v,2"}}, 0));
  EXPECT_TRUE(Has(entries, L"-brand_id=br_and"));
  EXPECT_TRUE(Has(entries, L"-k_1=v_2"));
  EXPECT_EQ(f.stats->GetParam(kStatOldVer), L"");
  f.stats->SetParam(kStatBrowserPresent, L"1");
  EXPECT_EQ(f.stats->GetParam(kStatBrowserPresent), L"1");
  EXPECT_EQ(f.stats->GetParam(kStatBrandId), L"");  // no getter
}

TEST(InstallStatSenderTest, StaleInstallStatIsReadAtStart) {
  Fixture f(L"brand_id\nold\nold_ver\n1.2.3\ndangling");
  EXPECT_EQ(f.stats->params().at("brand_id"), L"old");
  EXPECT_EQ(f.stats->GetParam(kStatOldVer), L"1.2.3");
  EXPECT_EQ(f.stats->params().count("dangling"), 0u);
}

TEST(InstallStatSenderTest, EventsGoOutInOrderOnTheirChannels) {
  Fixture f;
  EXPECT_TRUE(f.stats->SendInstallerStartedEvent(150, 1920, 1080));
  EXPECT_TRUE(f.stats->SendClickedButtonEvent(L"install"));
  EXPECT_TRUE(f.stats->SendDownloadStartedEvent());
  const auto urls = f.Sent();
  ASSERT_EQ(urls.size(), 3u);
  EXPECT_NE(urls[0].find(L"/cid=72992/path=extended_stat/"), std::wstring::npos);
  EXPECT_TRUE(Has(Entries(urls[0]), L"-action=installer_started"));
  EXPECT_TRUE(Has(Entries(urls[0]), L"-dpi=150"));
  EXPECT_TRUE(Has(Entries(urls[0]), L"-resolution=1920x1080"));
  EXPECT_NE(urls[1].find(L"/cid=72696/path=rorodaviz_reinstall_dialog/"), std::wstring::npos);
  EXPECT_TRUE(Has(Entries(urls[1]), L"-dialog_window=liteinstall"));
  EXPECT_TRUE(Has(Entries(urls[1]), L"-clicked_button=install"));
  // The window event does not leave its channel behind.
  EXPECT_NE(urls[2].find(L"/cid=72992/path=extended_stat/"), std::wstring::npos);
}

TEST(InstallStatSenderTest, ConcurrentEventsOfBothChannelsKeepTheirOwnCidAndPath) {
  Fixture f;
  constexpr int kEach = 100;
  testing_support::StartGate start(2);
  base::Thread window;
  base::Thread install;
  ASSERT_TRUE(window.Start([&] {
    start.ArriveAndWait();
    for (int i = 0; i < kEach; ++i) f.stats->SendClickedButtonEvent(L"w" + std::to_wstring(i));
  }));
  ASSERT_TRUE(install.Start([&] {
    start.ArriveAndWait();
    for (int i = 0; i < kEach; ++i) {
      // The install thread also changes the parameters meanwhile.
      f.stats->SetParam(kStatNewVer, L"1." + std::to_wstring(i));
      f.stats->SendDownloadStartedEvent();
    }
  }));
  ASSERT_TRUE(window.Join(30000));
  ASSERT_TRUE(install.Join(30000));
  const auto urls = f.Sent();
  ASSERT_EQ(urls.size(), 2u * kEach);
  int window_events = 0;
  int install_events = 0;
  for (const auto& url : urls) {
    const auto entries = Entries(url);
    if (Has(entries, L"-dialog_window=liteinstall")) {
      ++window_events;
      EXPECT_NE(url.find(L"/cid=72696/path=rorodaviz_reinstall_dialog/"), std::wstring::npos) << url;
    } else {
      ++install_events;
      EXPECT_TRUE(Has(entries, L"-stage=started")) << url;
      EXPECT_NE(url.find(L"/cid=72992/path=extended_stat/"), std::wstring::npos) << url;
    }
  }
  EXPECT_EQ(window_events, kEach);
  EXPECT_EQ(install_events, kEach);
}

TEST(InstallStatSenderTest, DownloadAttemptEvents) {
  Fixture f;
  DownloadAttemptStat a;
  a.error = "internet_read-12002";
  a.attempt_number = 2;
  a.downloaded_size = 100;
  a.total_size = 5000000000ull;
  a.url = "http://h/browser-setup.arc?from_installer=true";
  a.redirect = L"http://Mirror.Example:8080/a/b.arc?x=1";
  a.x64 = true;
  EXPECT_TRUE(f.stats->SendDownloadAttemptEvent(a, /*cancelled=*/true));  // not sent
  EXPECT_TRUE(f.stats->SendDownloadAttemptEvent(a, false));
  EXPECT_TRUE(f.stats->SendDownloadAttemptErrorEvent(2, a.error));
  a.success = true;
  a.redirect.clear();
  a.x64 = false;
  EXPECT_TRUE(f.stats->SendDownloadAttemptEvent(a, false));
  EXPECT_TRUE(f.stats->SendDownloadFinishedEvent(true, 62999999));
  EXPECT_TRUE(f.stats->SendDownloadFinishedEvent(false, 62999999));
  const auto urls = f.Sent();
  ASSERT_EQ(urls.size(), 5u);
  auto e = Entries(urls[0]);
  EXPECT_TRUE(Has(e, L"-action=download_attempt"));
  EXPECT_TRUE(Has(e, L"-status=failed"));
  EXPECT_TRUE(Has(e, L"-error=internet_read_12002"));
  EXPECT_TRUE(Has(e, L"-attempt_number=2"));
  EXPECT_TRUE(Has(e, L"-total_size=5000000000"));
  EXPECT_TRUE(Has(e, L"-x64=1"));
  bool redirect = false;
  for (const auto& entry : e)
    if (base::EqualsCaseInsensitiveAscii(entry, L"-redirect=mirror.example")) redirect = true;
  EXPECT_TRUE(redirect) << urls[0];
  e = Entries(urls[1]);
  EXPECT_TRUE(Has(e, L"-stage=error"));
  EXPECT_TRUE(Has(e, L"-error=attempt_2_internet_read_12002"));
  e = Entries(urls[2]);
  EXPECT_TRUE(Has(e, L"-status=success"));
  for (const auto& entry : e) {
    EXPECT_NE(entry.rfind(L"-error=", 0), 0u);
    EXPECT_NE(entry.rfind(L"-redirect=", 0), 0u);
    EXPECT_NE(entry.rfind(L"-x64=", 0), 0u);
  }
  EXPECT_TRUE(Has(Entries(urls[3]), L"-download_time=62"));
  EXPECT_TRUE(Has(Entries(urls[4]), L"-stage=finished"));
  for (const auto& entry : Entries(urls[4])) EXPECT_NE(entry.rfind(L"-download_time=", 0), 0u);
}

TEST(InstallStatSenderTest, SetupEventsNameUpdateWhenAnOldVersionExists) {
  Fixture fresh(L"old_ver\n\n");
  EXPECT_TRUE(fresh.stats->SendSetupExitedEvent(false, false, 0, 5000000));
  EXPECT_TRUE(fresh.stats->SendSetupExitedEvent(true, false, 7, 1500000));
  EXPECT_TRUE(fresh.stats->SendSetupExitedEvent(true, true, 3, 0));
  auto urls = fresh.Sent();
  ASSERT_EQ(urls.size(), 3u);
  EXPECT_TRUE(Has(Entries(urls[0]), L"-action=setup"));
  EXPECT_TRUE(Has(Entries(urls[0]), L"-error=FailedToStart"));
  EXPECT_TRUE(Has(Entries(urls[0]), L"-setup_time=5"));
  EXPECT_TRUE(Has(Entries(urls[1]), L"-error=7"));
  for (const auto& entry : Entries(urls[2])) EXPECT_NE(entry.rfind(L"-error=", 0), 0u);

  Fixture update(L"old_ver\n1.0\n");
  EXPECT_TRUE(update.stats->SendSetupLaunchedEvent(true));
  EXPECT_TRUE(update.stats->SendInstallButtonClickedEvent(true, false));
  EXPECT_TRUE(update.stats->SendSetupArcLockErrorEvent());
  EXPECT_TRUE(update.stats->SendVerificationErrorEvent());
  urls = update.Sent();
  ASSERT_EQ(urls.size(), 4u);
  auto e = Entries(urls[0]);
  EXPECT_TRUE(Has(e, L"-action=update"));
  EXPECT_TRUE(Has(e, L"-stage=setup_exe_launched"));
  const std::wstring uac = AreUACNotificationsEnabled() ? L"-uac=1" : L"-uac=100";
  EXPECT_TRUE(Has(e, uac));
  e = Entries(urls[1]);
  EXPECT_TRUE(Has(e, L"-checkbox_default=1"));
  EXPECT_TRUE(Has(e, L"-checkbox_sendstat=0"));
  EXPECT_TRUE(Has(Entries(urls[2]), L"-action=setup_arc_lock"));
  EXPECT_TRUE(Has(Entries(urls[3]), L"-action=verification"));
}

TEST(InstallStatSenderTest, SummaryUrl) {
  Fixture f(L"", "{1234-ABCD}");
  InstallationSummary s;
  s.success = true;
  s.total_time_us = 12999999;
  const std::wstring host = base::AsciiToWide(KELMOR_STAT_HOST);
  EXPECT_EQ(f.stats->GetInstallationFinishedUrl(s),
            host + L"/get/browser/install?ui=1234-ABCD&result=success&time=12");
  s.success = false;
  s.download_time_us = -1500000;  // truncated toward zero
  s.install_time_us = 999999;     // not zero, though under a second
  EXPECT_EQ(f.stats->GetInstallationFinishedUrl(s),
            host + L"/get/browser/install?ui=1234-ABCD&result=failed&time=12&download_time=-1"
                   L"&install_time=0");
  s.cancelled = true;
  s.success = true;
  EXPECT_NE(f.stats->GetInstallationFinishedUrl(s).find(L"&result=cancelled&"), std::wstring::npos);
}

TEST(InstallStatSenderTest, SummaryGoesThroughTheGivenDownload) {
  Fixture f;
  std::wstring seen;
  InstallationSummary s;
  EXPECT_FALSE(f.stats->ReportInstallationFinished(
      s, [&](const std::wstring& url, DownloadSink*, std::string* error, std::wstring*) {
        seen = url;
        *error = "final_query_info-500-0";
        return false;
      }));
  EXPECT_EQ(seen, f.stats->GetInstallationFinishedUrl(s));
}

}  // namespace
}  // namespace installer_util
