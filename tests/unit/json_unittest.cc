#include <gtest/gtest.h>

#include <limits>

#include "base/json.h"

namespace base {
namespace {

std::string ErrorOf(std::string_view text, int options = kJsonExtended) {
  std::string error;
  EXPECT_FALSE(ReadJson(text, options, &error).has_value()) << text;
  return error;
}

TEST(JsonReaderTest, ReadsEveryTypeAndNesting) {
  const auto v = ReadJson(R"({"s": "x", "i": -12, "d": 2.5, "e": 1e3, "t": true, "f": false,
                              "n": null, "l": [1, "two", [3]], "o": {"a": {"b": "deep"}}})");
  ASSERT_TRUE(v && v->is_dict());
  EXPECT_EQ(v->FindKey("s")->GetString(), "x");
  EXPECT_EQ(v->FindKey("i")->GetInt(), -12);
  EXPECT_DOUBLE_EQ(v->FindKey("d")->GetDouble(), 2.5);
  EXPECT_TRUE(v->FindKey("e")->is_double());
  EXPECT_TRUE(v->FindKey("t")->GetBool());
  EXPECT_FALSE(v->FindKey("f")->GetBool());
  EXPECT_TRUE(v->FindKey("n")->is_none());
  ASSERT_EQ(v->FindKey("l")->GetList().size(), 3u);
  EXPECT_EQ(v->FindKey("l")->GetList()[2].GetList()[0].GetInt(), 3);
  EXPECT_EQ(*v->FindStringPath("o.a.b"), "deep");
  EXPECT_EQ(v->FindPath("o.a.missing"), nullptr);
  EXPECT_EQ(v->FindPath("s.x"), nullptr);  // a string has no members
  // Numbers beyond 32 bits are doubles.
  EXPECT_TRUE(ReadJson("4294967296")->is_double());
}

TEST(JsonReaderTest, ExtendedModeTakesCommentsControlCharactersAndEscapes) {
  const std::string signed_package =
      "//" + std::string(172, 'A') + "\n{\"a\": /* inline */ \"x\\v\\x41\\u00e9\tb\"} // end";
  const auto v = ReadJson(signed_package, kJsonExtended);
  ASSERT_TRUE(v);
  EXPECT_EQ(v->FindKey("a")->GetString(), "x\vA\xC3\xA9\tb");

  // Each extension is its own option.
  EXPECT_NE(ErrorOf(signed_package, kJsonStrict), "");
  EXPECT_NE(ErrorOf("\"\\v\"", kJsonStrict), "");
  EXPECT_NE(ErrorOf("\"\\x41\"", kJsonStrict), "");
  EXPECT_NE(ErrorOf("\"a\tb\"", kJsonStrict), "");
  EXPECT_TRUE(ReadJson("\"a\tb\"", kJsonAllowControlChars));
  // Surrogate pairs combine; a lone one is refused.
  EXPECT_EQ(ReadJson(R"("\ud83d\ude00")")->GetString(), "\xF0\x9F\x98\x80");
  EXPECT_NE(ErrorOf(R"("\ude00")"), "");
}

TEST(JsonReaderTest, ErrorsNameLineAndColumn) {
  EXPECT_EQ(ErrorOf("{\n  \"a\": 1,\n  \"b\" 2\n}"), "Line: 3, column: 7, Expected ':' after a member name.");
  EXPECT_EQ(ErrorOf("{\"a\": tru}"), "Line: 1, column: 7, Unexpected token.");
  EXPECT_EQ(ErrorOf("[1, 2"), "Line: 1, column: 6, Unexpected end of input.");
  EXPECT_EQ(ErrorOf("{} x"), "Line: 1, column: 4, Unexpected data after root element.");
  EXPECT_EQ(ErrorOf("\"abc"), "Line: 1, column: 1, Unterminated string.");
  EXPECT_EQ(ErrorOf("/* open"), "Line: 1, column: 1, Unterminated comment.");
  EXPECT_EQ(ErrorOf(""), "Line: 1, column: 1, Unexpected end of input.");
  EXPECT_EQ(ErrorOf("1e999"), "Line: 1, column: 1, Number out of range.");
  EXPECT_EQ(ErrorOf("\"\xC3\""), "Line: 1, column: 2, Invalid UTF-8 in a string.");
  EXPECT_EQ(ErrorOf("[01]"), "Line: 1, column: 3, Expected ',' or ']'.");
  EXPECT_EQ(ErrorOf("{\"a\":1,}"), "Line: 1, column: 8, Expected a member name.");
}

TEST(JsonReaderTest, DeepNestingIsRefusedNotOverflowed) {
  EXPECT_TRUE(ReadJson(std::string(kJsonMaxDepth - 1, '[') + std::string(kJsonMaxDepth - 1, ']')));
  const std::string deep(100000, '[');
  EXPECT_NE(ErrorOf(deep).find("Too much nesting."), std::string::npos);
}

TEST(JsonWriterTest, PrettyPrintsSortedMembersAndRoundTrips) {
  Value dict = Value::NewDict();
  dict.SetKey("zeta", Value("last"));
  dict.SetKey("alpha", Value("quote\" backslash\\ tab\t ctl\x01"));
  Value list = Value::NewList();
  list.Append(Value(1));
  list.Append(Value(true));
  list.Append(Value());
  dict.SetKey("list", std::move(list));
  dict.SetKey("empty", Value::NewDict());
  std::string text;
  ASSERT_TRUE(WriteJson(dict, kJsonWritePretty, &text));
  EXPECT_EQ(text,
            "{\n"
            "   \"alpha\": \"quote\\\" backslash\\\\ tab\\t ctl\\u0001\",\n"
            "   \"empty\": {},\n"
            "   \"list\": [\n"
            "      1,\n"
            "      true,\n"
            "      null\n"
            "   ],\n"
            "   \"zeta\": \"last\"\n"
            "}\n");
  EXPECT_EQ(ReadJson(text, kJsonStrict), dict);
  ASSERT_TRUE(WriteJson(dict, kJsonWriteCompact, &text));
  EXPECT_EQ(text.find('\n'), std::string::npos);
  EXPECT_EQ(ReadJson(text, kJsonStrict), dict);
}

TEST(JsonWriterTest, DoublesAndValuesJsonCannotHold) {
  std::string text;
  ASSERT_TRUE(WriteJson(Value(3.0), kJsonWriteCompact, &text));
  EXPECT_EQ(text, "3.0");
  ASSERT_TRUE(WriteJson(Value(3.0), kJsonWriteOmitDoubleTypePreservation, &text));
  EXPECT_EQ(text, "3");
  ASSERT_TRUE(WriteJson(Value(0.25), kJsonWriteOmitDoubleTypePreservation, &text));
  EXPECT_EQ(text, "0.25");
  text = "unchanged";
  EXPECT_FALSE(WriteJson(Value(std::string("bad \xFF byte")), kJsonWriteCompact, &text));
  EXPECT_FALSE(WriteJson(Value(std::numeric_limits<double>::infinity()), kJsonWriteCompact, &text));
  EXPECT_EQ(text, "unchanged");
}

}  // namespace
}  // namespace base
