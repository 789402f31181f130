#include "net/button_info.h"

#include <gtest/gtest.h>
#include <json/json.h>

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

TEST(ButtonInfo, DeepNestingIsNoJsonAndNoCrash) {
  // 1001 "[" and 1001 "]": 2,002 bytes, deeper than the reader goes.
  for (const std::wstring& answer :
       {std::wstring(1001, L'[') + std::wstring(1001, L']'),
        L"{\"status\":1,\"data\":{\"update\":1,\"btn\":" + std::wstring(1200, L'[') +
            std::wstring(1200, L']') + L"}}",
        std::wstring(4095, L'{'), std::wstring(2000, L'[') + L"1"}) {
    const ButtonInfo i = Apply(answer);
    EXPECT_EQ(0, i.updateFlag);
    EXPECT_EQ(L"", i.caption);
    EXPECT_EQ(L"unchanged", i.link);
  }
  Json::Value root;
  EXPECT_FALSE(ParseJson(std::string(1001, '[') + std::string(1001, ']'), &root));
  EXPECT_TRUE(ParseJson(std::string(100, '[') + std::string(100, ']'), &root));
}

TEST(ButtonInfo, EscapedAndRawCharactersBothSurvive) {
  EXPECT_EQ(L"活动", Apply(LR"({"status":1,"data":{"btn":"\u6d3b\u52a8"}})").caption);
  EXPECT_EQ(L"活动", Apply(LR"({"status":1,"data":{"btn":"活动"}})").caption);
  EXPECT_EQ(L"活动", Apply(LR"({"status":1,"data":{"btn":"\u6d3b动"}})").caption);
  // Beyond the OEM code page: Korean, and a character outside the basic plane.
  EXPECT_EQ(L"한국 \U0001F600",
            Apply(LR"({"status":1,"data":{"btn":"한국 \ud83d\ude00"}})").caption);
  EXPECT_EQ(L"http://p/论坛?a=1",
            Apply(LR"({"status":1,"data":{"url":"http:\/\/p\/\u8bba坛?a=1"}})").link);
  // A lone half of a pair is no JSON text.
  EXPECT_EQ(L"unchanged", Apply(LR"({"status":1,"data":{"url":"\ud83d"}})").link);
}

TEST(ButtonInfo, CaptionIsNotCutInsideAPair) {
  const std::wstring text = std::wstring(126, L'a') + L"\U0001F600";
  const ButtonInfo i = Apply(L"{\"status\":1,\"data\":{\"btn\":\"" + text + L"\"}}");
  EXPECT_EQ(std::wstring(126, L'a'), i.caption);
}

}  // namespace
