// The settings page's editors, one for each setting.
#pragma once

void Set_com_path();
void Set_con_path();
void Set_com_settings();
