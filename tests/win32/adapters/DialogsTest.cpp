#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "win32/Win32Dialogs.h"

namespace velmora {
namespace {

// The box shows UTF-8 texts as they are meant, whatever the code page.
TEST(Win32Dialogs, MessageBoxShowsUtf8TextAndAnswers) {
  Win32Dialogs dialogs;
  const std::string text = "\xE6\x9C\x80\xE5\xB0\x8F\xE5\x8C\x96 Velmora?";  // 最小化 Velmora?
  std::wstring shown;
  bool answered = false;
  int result = 0;
  {
    test::Thread user([&] {
      for (int i = 0; i < 200 && !answered; ++i) {
        ::Sleep(50);
        HWND box = ::FindWindowW(L"#32770", L"Velmora 4.6.3");
        if (!box || !::IsWindowVisible(box)) continue;
        wchar_t buffer[256] = {};
        ::GetDlgItemTextW(box, 0xFFFF, buffer, 256);
        if (!buffer[0]) continue;
        shown = buffer;
        ::SendMessageW(::GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
        answered = true;
      }
    });
    result = dialogs.MessageBox(text, "Velmora 4.6.3", MB_YESNO | MB_ICONQUESTION);
  }  // the user's thread is done here
  EXPECT_EQ(result, IDYES);
  EXPECT_TRUE(answered);
  EXPECT_EQ(shown, L"\u6700\u5C0F\u5316 Velmora?");
}

TEST(Win32Dialogs, TextsConvertBothWays) {
  EXPECT_EQ(FromWide(ToWide("Бета – テスト 😀", CP_UTF8), CP_UTF8), "Бета – テスト 😀");
  EXPECT_EQ(ToWide("", CP_UTF8), L"");
}

}  // namespace
}  // namespace velmora
