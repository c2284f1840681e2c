// The main page, the settings page and the about screen.
#pragma once

#include <cstdint>
#include <string>

// Columns the title takes on the console: one for an ASCII character, two for
// any other (the pages' titles hold Chinese characters only besides ASCII).
int Display_width(const std::string& title);

// A title centred over a rule of 100 dashes, each ending in a line break.
std::string Page_frame(const std::string& title);

// Draws the main page and returns the chosen item, 1 to 3.
std::int32_t Main_page();

// The settings loop: shows the settings page until the user goes back.
void Settings();

// Draws the settings page and returns the chosen item, 1 to 5.
std::int32_t Settings_page();

// The about screen.
void Print_message();
