// Colours of the pictures and the information texts, as 0xRRGGBB.
#ifndef CORE_COLORS_H
#define CORE_COLORS_H

inline constexpr int COLOR_RED = 0xFF0000;
inline constexpr int COLOR_GREEN = 0x00FF00;
inline constexpr int COLOR_DARK_GREEN = 0x008000;
inline constexpr int COLOR_GREY = 0xA0A0A0;
inline constexpr int COLOR_BLUE = 0x0000FF;
inline constexpr int COLOR_WHITE = 0xFFFFFF;

#endif
