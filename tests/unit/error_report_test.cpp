#include "core/ErrorReport.h"

#include <gtest/gtest.h>

#include "hushdial_config.h"
#include "platform/failure.h"
#include "tests/fake/fake_platform.h"

namespace hush {
namespace {

TEST(ErrorReport, MessageIsComposedByteForByte) {
  const std::string expected = std::string("Overflow\r\nin Hushdial2021/08/31.ShortCuts.ProcessMessages at line 104\r\r") +
                               "Please email screenshot of this message to " + config::kSupportEmail;
  const std::string message =
      ErrorReport::Message("Overflow", ErrorReport::LocationText("ShortCuts", "ProcessMessages"), 104);
  EXPECT_EQ(message, expected);
  // No line feed between the number and the request.
  EXPECT_EQ(message.find("104\n"), std::string::npos);
}

TEST(ErrorReport, FailureShowsBoxWithCaptionStyleAndCurrentLine) {
  fake::FakePlatform fp;
  ErrorReport report(fp.box, ErrorReport::LocationText("Form1", "PushButton2_Click"));
  EXPECT_TRUE(report.Line(100, [] {}));
  EXPECT_TRUE(fp.box.shown.empty());
  EXPECT_FALSE(report.Line(100, [] { throw platform::Failure("Device not ready"); }));
  ASSERT_EQ(fp.box.shown.size(), 1u);
  EXPECT_EQ(fp.box.shown[0].caption, "Application Error");
  EXPECT_EQ(fp.box.shown[0].style, 48u);
  EXPECT_EQ(fp.box.shown[0].text.rfind("Device not ready\r\nin Hushdial2021/08/31.Form1.PushButton2_Click at line 100\r\r", 0), 0u);
}

TEST(ErrorReport, TwoFailuresShowTwoBoxesEachWithItsOwnLine) {
  fake::FakePlatform fp;
  ErrorReport report(fp.box, "in Hushdial2021/08/31.Form1.Form_Load ");
  int ran = 0;
  report.Line(102, [] { throw platform::Failure("first"); });
  report.Line(104, [&] { ++ran; });
  report.Line(106, [] { throw std::runtime_error("second"); });
  ASSERT_EQ(fp.box.shown.size(), 2u);
  EXPECT_NE(fp.box.shown[0].text.find("at line 102\r\r"), std::string::npos);
  EXPECT_NE(fp.box.shown[1].text.find("at line 106\r\r"), std::string::npos);
  EXPECT_EQ(ran, 1);
}

TEST(ErrorReport, FailingTestRunsTheGuardedStatement) {
  fake::FakePlatform fp;
  ErrorReport report(fp.box, "in Hushdial2021/08/31.Form1.Form_Load ");
  const bool guarded = report.Test(104, []() -> bool { throw platform::Failure("Bad file name"); });
  EXPECT_TRUE(guarded);
  EXPECT_FALSE(report.Test(104, [] { return false; }));
  EXPECT_EQ(fp.box.shown.size(), 1u);
}

TEST(ErrorReport, FailureDeepInAHelperIsReportedUnderTheCallersLine) {
  fake::FakePlatform fp;
  ErrorReport report(fp.box, "in Hushdial2021/08/31.Form1.Form_Load ");
  auto helperWithoutBox = [] { throw platform::Failure("File not found"); };
  report.Line(102, [&] { helperWithoutBox(); });
  ASSERT_EQ(fp.box.shown.size(), 1u);
  EXPECT_EQ(fp.box.shown[0].text.rfind("File not found\r\nin Hushdial2021/08/31.Form1.Form_Load at line 102", 0), 0u);
}

TEST(ErrorReport, UnknownThrowablesStillGetABox) {
  fake::FakePlatform fp;
  ErrorReport report(fp.box, "in x ");
  report.Line(100, [] { throw 42; });
  ASSERT_EQ(fp.box.shown.size(), 1u);
  EXPECT_EQ(fp.box.shown[0].text.rfind("Unknown error\r\n", 0), 0u);
}

}  // namespace
}  // namespace hush
