#include "console/pages.h"

#include "console/input.h"
#include "console/output.h"
#include "platform/platform.h"
#include "text/exit_status.h"
#include "settings/editors.h"

namespace {
const int Rule_width = 100;
}

int Display_width(const std::string& title) {
  int width = 0;
  for (unsigned char c : title) {
    if ((c & 0xC0) == 0x80) continue;  // continuation byte of a UTF-8 character
    width += c < 0x80 ? 1 : 2;
  }
  return width;
}

std::string Page_frame(const std::string& title) {
  const int indent = (Rule_width - Display_width(title)) / 2;
  return std::string(indent > 0 ? indent : 0, ' ') + title + "\n" +
         std::string(Rule_width, '-') + "\n";
}

std::int32_t Main_page() {
  Write(Page_frame("Vorlix"));
  Print("1. 运行代码", 1);
  Print("2. 设置", 1);
  Print("3. 保存并退出", 2);
  return Read_pint({1, 2, 3});
}

std::int32_t Settings_page() {
  Write(Page_frame("Vorlix -- 设置"));
  Print("1. 修改编译器（g++.exe）路径", 1);
  Print("2. 修改 ConsolePauser 路径", 1);
  Print("3. 修改编译选项", 1);
  Print("4. 程序信息", 1);
  Print("5. 返回", 2);
  return Read_pint({1, 2, 3, 4, 5});
}

void Settings() {
  for (;;) {
    Clear_screen();
    switch (Settings_page()) {
      case 1: Set_com_path(); break;
      case 2: Set_con_path(); break;
      case 3: Set_com_settings(); break;
      case 4: Print_message(); break;
      default: return;
    }
  }
}

void Print_message() {
  Clear_screen();
  Print("作者：Vorlix 团队（https://example.org/vorlix）", 1);
  Print("介绍：超轻量 Vorlix", 1);
  Print("版本：Alpha 1.0", 1);
  Print("发布时间：2025/10/3", 2);
  Pause(Key_wait_prompt);
}
