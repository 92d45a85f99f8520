#include <gtest/gtest.h>

#include "base/base64.h"
#include "base/feature_list.h"

namespace {

TEST(Base64Test, RoundTripsEveryLengthAndRefusesMalformedText) {
  std::string data;
  for (int i = 0; i < 40; ++i) {
    const std::string encoded = base::Base64Encode(data);
    EXPECT_EQ(encoded.size() % 4, 0u);
    ASSERT_EQ(base::Base64Decode(encoded), data) << encoded;
    data += static_cast<char>(i * 37 + 200);
  }
  EXPECT_EQ(base::Base64Encode("foob"), "Zm9vYg==");
  EXPECT_EQ(base::Base64Decode("Zm9vYg"), "foob");  // padding may be left out
  EXPECT_EQ(base::Base64Decode(""), "");
  for (const char* bad : {"Zm9vYg=", "Zm9v Yg==", "Zm9vY", "Zm=vYg==", "====", "Zm9vYh==", "Zm9v\n"})
    EXPECT_FALSE(base::Base64Decode(bad)) << bad;
}

TEST(FeatureListTest, ParsesTheTextForm) {
  auto parsed = base::ParseFeatureOverrides(
      " win7update : win7-version = 6.0 , verify_signer=true ; -other ;; third:");
  ASSERT_TRUE(parsed);
  ASSERT_EQ(parsed->size(), 3u);
  const auto& win7 = parsed->at("win7update");
  EXPECT_TRUE(win7.enabled);
  EXPECT_EQ(win7.params.at("win7-version"), "6.0");
  EXPECT_EQ(win7.params.at("verify_signer"), "true");
  EXPECT_FALSE(parsed->at("other").enabled);
  EXPECT_TRUE(parsed->at("third").params.empty());
  for (const char* bad : {"-", ":a=1", "f:novalue", "f:=1", "f;f"})
    EXPECT_FALSE(base::ParseFeatureOverrides(bad)) << bad;
  EXPECT_TRUE(base::ParseFeatureOverrides("")->empty());
}

TEST(FeatureListTest, DefaultsOverridesAndTypedParameters) {
  constexpr base::Feature kOn{"test-on", true};
  constexpr base::Feature kOff{"test-off", false};
  base::FeatureList::SetOverridesForTesting({});
  EXPECT_TRUE(base::FeatureList::IsEnabled(kOn));
  EXPECT_FALSE(base::FeatureList::IsEnabled(kOff));
  EXPECT_EQ(base::GetFeatureParam(kOn, "p", "dflt"), "dflt");

  base::FeatureList::SetOverridesForTesting(
      *base::ParseFeatureOverrides("-test-on:p=1;test-off:b=TRUE,n=0,x=maybe,s=text"));
  EXPECT_FALSE(base::FeatureList::IsEnabled(kOn));
  EXPECT_FALSE(base::FeatureList::GetParam(kOn, "p"));  // an off feature has no parameters
  EXPECT_TRUE(base::FeatureList::IsEnabled(kOff));
  EXPECT_TRUE(base::GetFeatureParamBool(kOff, "b", false));
  EXPECT_FALSE(base::GetFeatureParamBool(kOff, "n", true));
  EXPECT_TRUE(base::GetFeatureParamBool(kOff, "x", true));  // malformed: the default
  EXPECT_FALSE(base::GetFeatureParamBool(kOff, "missing", false));
  EXPECT_EQ(base::GetFeatureParam(kOff, "s"), "text");
  base::FeatureList::ResetForTesting();
}

}  // namespace
