#include "run/run.h"
#include "console/output.h"
#include "console/pages.h"
#include "platform/platform.h"
#include "settings/settings.h"

void Init() {
  Console_init();
  Set_title("Vorlix");
  Load_settings();
}

int main() {
  Init();
  for (;;) {
    Clear_screen();
    const auto op = Main_page();
    if (op == 3) break;
    if (op == 2) Settings();
    if (op == 1) Run();
  }
  Clear_screen();
  Save_settings();
  Print("将在 3s 内退出……", 1);
  Wait(2.5);
  return 0;
}
