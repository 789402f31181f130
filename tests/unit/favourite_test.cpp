#include "tools/favourite.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kExpected[] =
    "[DEFAULT]\r\nBASEURL=http://g.example/play?s=1\r\n"
    "[{000214A0-0000-0000-C000-000000000046}]\r\n=19,2\r\n"
    "[InternetShortcut]\r\nURL=http://g.example/play?s=1\r\nIDList=\r\n";

TEST(FavouriteText, SevenLinesWithTheAddressTwice) {
  EXPECT_EQ(kExpected, FavouriteFileText(L"http://g.example/play?s=1", 1252).value());
  // Chinese in the address is written in the Chinese code page's bytes.
  EXPECT_NE(std::string::npos,
            FavouriteFileText(L"http://g.example/\x6e38", 936).value().find("/\xd3\xce\r\n"));
}

TEST(FavouriteText, RefusesWhatWouldStoreAnotherAddress) {
  // The text holds the address twice in at most 2047 characters.
  const size_t fixed = std::string(kExpected).size() - 2 * 25;
  const std::wstring fits = L"http://x/" + std::wstring((2047 - fixed) / 2 - 9, L'a');
  ASSERT_TRUE(FavouriteFileText(fits, 1252));
  EXPECT_EQ(2047u - ((2047 - fixed) % 2), FavouriteFileText(fits, 1252)->size());
  EXPECT_FALSE(FavouriteFileText(fits + L"a", 1252));
  // Two bytes per character in the ANSI form count too.
  EXPECT_FALSE(FavouriteFileText(L"http://x/" + std::wstring(500, L'\x6e38'), 936));
  // A line break would add lines (keys) of the page's choosing.
  EXPECT_FALSE(FavouriteFileText(L"http://x/\r\nIconFile=\\\\evil\\i.ico", 1252));
  EXPECT_FALSE(FavouriteFileText(L"http://x/\t", 1252));
  // A character the code page cannot write would become another address,
  // also through a "best fit" (ā written as a).
  EXPECT_FALSE(FavouriteFileText(L"http://x/\x6e38", 1252));
  EXPECT_FALSE(FavouriteFileText(L"http://x/\x0101", 1252));
}

TEST(FavouriteText, AUtf8WindowsWritesUtf8) {
  // 65001 answers no default-character question; the text is written all
  // the same, a lone surrogate (no character at all) is not.
  EXPECT_NE(std::string::npos, FavouriteFileText(L"http://g.example/\x6e38\xD83C\xDFAE", CP_UTF8)
                                   .value()
                                   .find("/\xe6\xb8\xb8\xf0\x9f\x8e\xae\r\n"));
  EXPECT_FALSE(FavouriteFileText(L"http://g.example/\xD83C", CP_UTF8));
  // The system's ANSI code page, whichever it is, writes plain addresses.
  EXPECT_EQ(kExpected, FavouriteFileText(L"http://g.example/play?s=1", CP_ACP).value());
}

TEST(FavouritePath, PlainNamesAndTheEmptyName) {
  EXPECT_EQ(L"C:\\Fav\\游戏 S1.url", FavouritePath(L"C:\\Fav", L"游戏 S1").value());
  EXPECT_EQ(L"C:\\Fav\\.url", FavouritePath(L"C:\\Fav", L"").value());
}

TEST(FavouritePath, StaysInsideTheFolder) {
  EXPECT_EQ(L"C:\\Fav\\.._.._Start Menu_Programs_Startup_x.url",
            FavouritePath(L"C:\\Fav", L"..\\..\\Start Menu\\Programs\\Startup\\x").value());
  EXPECT_EQ(L"C:\\Fav\\C__Windows_x.url", FavouritePath(L"C:\\Fav", L"C:/Windows/x").value());
  EXPECT_EQ(L"C:\\Fav\\a_b_c_d_e_f_g_h_i.url",
            FavouritePath(L"C:\\Fav", L"a*b?c\"d<e>f|g\th\x01i").value());
  // A lone ".." stays a name in the folder.
  EXPECT_EQ(L"C:\\Fav\\...url", FavouritePath(L"C:\\Fav", L"..").value());
}

TEST(FavouritePath, RefusesDeviceNames) {
  for (const wchar_t* name : {L"CON", L"con", L"nul", L"Aux", L"PRN", L"COM1", L"lpt9", L"CON.txt",
                              L"NUL  ", L"conin$"}) {
    EXPECT_FALSE(FavouritePath(L"C:\\Fav", name)) << name;
  }
  EXPECT_TRUE(FavouritePath(L"C:\\Fav", L"CONSOLE"));
  EXPECT_TRUE(FavouritePath(L"C:\\Fav", L"COM10"));
  EXPECT_TRUE(FavouritePath(L"C:\\Fav", L"my con"));
}

TEST(FavouritePath, CutsLongNamesToFit) {
  // The edit box gives at most 127 characters.
  EXPECT_EQ(L"C:\\F\\" + std::wstring(127, L'n') + L".url",
            FavouritePath(L"C:\\F", std::wstring(300, L'n')).value());
  // A deep folder leaves less room: the whole path stays within 259.
  const std::wstring deep = L"C:\\" + std::wstring(200, L'd');
  const std::wstring path = FavouritePath(deep, std::wstring(127, L'n')).value();
  EXPECT_EQ(259u, path.size());
  EXPECT_EQ(deep + L"\\" + std::wstring(259 - 204 - 4, L'n') + L".url", path);
  // Half of a surrogate pair is never kept, at 127 characters or where the
  // path ends.
  EXPECT_EQ(L"C:\\F\\" + std::wstring(126, L'n') + L".url",
            FavouritePath(L"C:\\F", std::wstring(126, L'n') + L"\xD83C\xDFAE").value());
  std::wstring pairs;
  for (int i = 0; i < 40; ++i) pairs += L"\xD83C\xDFAE";
  const std::wstring cut = FavouritePath(L"C:\\" + std::wstring(200, L'd'), pairs).value();
  EXPECT_EQ(258u, cut.size());
  // No room even for ".url": nothing.
  EXPECT_FALSE(FavouritePath(L"C:\\" + std::wstring(252, L'd'), L"x"));
}

}  // namespace
