#include <gtest/gtest.h>

#include "installer/config/installer_command_line.h"

namespace lite_installer {
namespace {

TEST(InstallerCommandLine, PrefixesAndCaseAreOneSwitch) {
  for (const wchar_t* text : {L"setup.exe /SILENT", L"setup.exe --silent", L"setup.exe -Silent"}) {
    InstallerCommandLine line(text);
    EXPECT_TRUE(line.HasSwitch("silent")) << text;
    EXPECT_TRUE(line.HasSwitch("SILENT")) << text;
    EXPECT_EQ(line.program(), L"setup.exe");
  }
}

TEST(InstallerCommandLine, ValuesRunFromTheFirstEqualsSign) {
  InstallerCommandLine line(L"a.exe --brand-name=ua=uk --Empty= -flag plain \"--x=a b\"");
  EXPECT_EQ(line.GetSwitchValueAscii("brand-name"), "ua=uk");
  EXPECT_TRUE(line.HasSwitch("empty"));
  EXPECT_EQ(line.GetSwitchValue("empty"), L"");
  EXPECT_TRUE(line.HasSwitch("flag"));
  EXPECT_FALSE(line.HasSwitch("plain"));  // not a switch: ignored
  EXPECT_EQ(line.GetSwitchValue("x"), L"a b");
  EXPECT_EQ(line.switches().size(), 4u);
}

TEST(InstallerCommandLine, SemiSilentExpandsAfterEveryParse) {
  InstallerCommandLine line(L"a.exe --semi-silent");
  EXPECT_TRUE(line.HasSwitch("silent"));
  EXPECT_TRUE(line.HasSwitch("uac-enabled"));
  line.Parse(L"b.exe --other");
  EXPECT_FALSE(line.HasSwitch("silent"));
  line.Parse(L"b.exe /SEMI-SILENT");
  EXPECT_TRUE(line.HasSwitch("silent"));
  EXPECT_TRUE(line.HasSwitch("uac-enabled"));
}

TEST(InstallerCommandLine, RendersSortedWithDoubleDashAndQuoting) {
  InstallerCommandLine line;
  line.set_program(L"C:\\Program Files\\setup.exe");
  line.AppendSwitch("zeta");
  line.AppendSwitch("alpha", L"plain");
  line.AppendSwitch("path", L"C:\\a b\\");
  line.AppendSwitch("quote", L"say \"hi\"");
  EXPECT_EQ(line.Render(),
            L"\"C:\\Program Files\\setup.exe\" --alpha=plain --path=\"C:\\a b\\\\\" "
            L"--quote=\"say \\\"hi\\\"\" --zeta");
}

TEST(InstallerCommandLine, RenderedLineParsesBackToTheSameSwitches) {
  InstallerCommandLine line;
  line.set_program(L"C:\\dir with space\\x.exe");
  line.AppendSwitch("a", L"back\\\\slashes\\\" and quotes\"");
  line.AppendSwitch("b", L"\\\\server\\share\\");
  line.AppendSwitch("c", L"=");
  const InstallerCommandLine parsed(line.Render());
  EXPECT_EQ(parsed.program(), line.program());
  EXPECT_EQ(parsed.switches(), line.switches());
}

TEST(InstallerCommandLine, ValuesWithTabsStayOneArgument) {
  InstallerCommandLine line;
  line.set_program(L"C:\\dir\\x.exe");
  line.AppendSwitch("partner-id", L"a\tb");
  line.AppendSwitch("z", L"tab\t");
  const InstallerCommandLine parsed(line.Render());
  EXPECT_EQ(parsed.switches(), line.switches());
}

TEST(InstallerCommandLine, ArgumentsParseAsTheCommandLineDoes) {
  const InstallerCommandLine whole(L"a.exe --brand-name=ua=uk /SEMI-SILENT plain \"--x=a b\"");
  InstallerCommandLine split;
  split.ParseArguments({L"a.exe", L"--brand-name=ua=uk", L"/SEMI-SILENT", L"plain", L"--x=a b"});
  EXPECT_EQ(split.program(), whole.program());
  EXPECT_EQ(split.switches(), whole.switches());
  split.ParseArguments({});
  EXPECT_EQ(split.program(), L"");
  EXPECT_TRUE(split.switches().empty());
}

TEST(QuoteArgumentIfNeeded, OnlyWhenNeeded) {
  EXPECT_EQ(QuoteArgumentIfNeeded(L"simple"), L"simple");
  EXPECT_EQ(QuoteArgumentIfNeeded(L"a\\b"), L"\"a\\b\"");
  EXPECT_EQ(QuoteArgumentIfNeeded(L"a\\\\\"b"), L"\"a\\\\\\\\\\\"b\"");
  EXPECT_EQ(QuoteArgumentIfNeeded(L""), L"");
  EXPECT_EQ(QuoteArgumentIfNeeded(L"a\tb"), L"\"a\tb\"");
}

}  // namespace
}  // namespace lite_installer
