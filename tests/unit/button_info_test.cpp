#include "net/button_info.h"

#include <gtest/gtest.h>

namespace {

ButtonInfo Apply(const std::wstring& answer) {
  ButtonInfo info;
  info.link = L"unchanged";
  InterpretButtonInfo(answer, &info);
  return info;
}

TEST(ButtonInfo, IntegerStatusAndUpdateEnableTheCheck) {
  const ButtonInfo i =
      Apply(LR"({"status":1,"data":{"btn":"论坛","url":"http://p/forum","update":1}})");
  EXPECT_EQ(1, i.updateFlag);
  EXPECT_EQ(L"论坛", i.caption);
  EXPECT_EQ(L"http://p/forum", i.link);
}

TEST(ButtonInfo, UpdateAsDecimalTextCounts) {
  EXPECT_EQ(1, Apply(LR"({"status":1,"data":{"update":"1"}})").updateFlag);
  EXPECT_EQ(12, Apply(LR"({"status":1,"data":{"update":"12abc"}})").updateFlag);
  EXPECT_EQ(0, Apply(LR"({"status":1,"data":{"update":"x"}})").updateFlag);
}

TEST(ButtonInfo, StatusMustBeTheInteger1) {
  for (const wchar_t* answer :
       {LR"({"status":"1","data":{"update":1,"btn":"b"}})",
        LR"({"status":1.0,"data":{"update":1,"btn":"b"}})",
        LR"({"status":true,"data":{"update":1,"btn":"b"}})",
        LR"({"status":2,"data":{"update":1,"btn":"b"}})", LR"({"data":{"update":1,"btn":"b"}})"}) {
    const ButtonInfo i = Apply(answer);
    EXPECT_EQ(0, i.updateFlag) << answer;
    EXPECT_EQ(L"", i.caption) << answer;
    EXPECT_EQ(L"unchanged", i.link) << answer;
  }
}

TEST(ButtonInfo, RealOrBooleanUpdateLeavesTheFlag) {
  EXPECT_EQ(0, Apply(LR"({"status":1,"data":{"update":1.0}})").updateFlag);
  EXPECT_EQ(0, Apply(LR"({"status":1,"data":{"update":true}})").updateFlag);
}

TEST(ButtonInfo, MissingMembers) {
  // A number as caption gives an empty caption; no "update" keeps the flag.
  const ButtonInfo i = Apply(LR"({"status":1,"data":{"btn":5,"url":"http://x/"}})");
  EXPECT_EQ(L"", i.caption);
  EXPECT_EQ(L"http://x/", i.link);
  EXPECT_EQ(0, i.updateFlag);
}

TEST(ButtonInfo, NonObjectsAndGarbageSupplyNothing) {
  for (const wchar_t* answer : {L"", L"not json", L"[1,2]", L"42", LR"({"status":1,"data":[1]})",
                                LR"({"status":1,"data":"x"})"}) {
    const ButtonInfo i = Apply(answer);
    EXPECT_EQ(0, i.updateFlag) << answer;
    EXPECT_EQ(L"unchanged", i.link) << answer;
  }
}

TEST(ButtonInfo, LongTextsAreCutToTheirBuffers) {
  const std::wstring longText(2000, L'a');
  const ButtonInfo i = Apply(L"{\"status\":1,\"data\":{\"btn\":\"" + longText + L"\",\"url\":\"" +
                             longText + L"\"}}");
  EXPECT_EQ(127u, i.caption.size());
  EXPECT_EQ(1023u, i.link.size());
}

}  // namespace
