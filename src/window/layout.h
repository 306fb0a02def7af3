// The main window as designed: every control's kind, design text, place and
// size in twips, font, colours, visibility and tab order. The Win32 window
// builds itself from this table and converts twips at the monitor's DPI.
#pragma once

#include <cstdint>

#include "app_version.h"
#include "window/controls.h"

namespace vz::layout {

// Client area of the window, in twips.
inline constexpr int kClientWidth = 10260;
inline constexpr int kClientHeight = 6675;

inline constexpr wchar_t kDesignCaption[] =
    L"Vardolin - Firmware Download (rel. " VZ_RELEASE ")";  // from version.txt
inline constexpr wchar_t kAppTitle[] = L"Vardolin_VaZuvovev";

enum class Kind { Image, Label, Combo, Panel, Bar, Button };

struct Font {
  const wchar_t* face = nullptr;  // nullptr: the window's default font
  float points = 0;
  bool bold = false;
};

inline constexpr Font kDefaultFont{L"Arial", 8.25f, false};

// Colours as RGB values with red in the low byte.
inline constexpr std::uint32_t kWhite = 0xFFFFFF;
inline constexpr std::uint32_t kNavy = 0x800000;      // (0, 0, 128)
inline constexpr std::uint32_t kSystem = 0xFFFFFFFF;  // the system's colours

struct ControlDesign {
  Control id;
  Kind kind;
  const wchar_t* text;
  int left, top, width, height;  // twips; the bar relative to its panel
  Font font;
  std::uint32_t textColor;
  std::uint32_t backColor;
  bool visible;
  int tabIndex;  // -1: image controls and the bar have none
};

// In creation order, which is tab order for the controls that take the
// focus.
// One control a row, as designed.
// clang-format off
inline constexpr ControlDesign kControls[] = {
    {Control::PortLabel, Kind::Label, L"Comunication Port:", 120, 2300, 2415, 315,
     {L"Arial", 12, false}, kNavy, kWhite, true, 0},
    {Control::ProgressPanel, Kind::Panel, L"", 120, 4820, 9915, 495,
     {L"MS Sans Serif", 8.25f, false}, kSystem, kWhite, false, 1},
    // Wide enough for "COM255" whole at every DPI, with Windows' Arial and
    // Wine's fonts alike; the language label still starts well to its right.
    {Control::PortList, Kind::Combo, L"", 2400, 2280, 1935, 390,
     {L"Arial", 12, false}, kSystem, 0x0000FF, true, 2},
    {Control::StatusLine2, Kind::Label, L"2. ", 120, 4100, 9915, 555,
     {L"Arial", 14.25f, false}, kNavy, kWhite, false, 3},
    {Control::StatusLine1, Kind::Label, L"1. ", 120, 3360, 9915, 555,
     {L"Arial", 14.25f, false}, kNavy, kWhite, false, 4},
    {Control::ExitButton, Kind::Button, L"EXIT", 7920, 5600, 2115, 915,
     {L"Arial", 12, true}, kSystem, kSystem, true, 5},
    {Control::UpgradeButton, Kind::Button, L"Upgrade", 360, 5600, 1995, 915,
     {L"Arial", 12, false}, kSystem, kSystem, true, 6},
    {Control::LanguageLabel, Kind::Label, L"Language:", 6120, 2300, 1455, 315,
     {L"Arial", 12, false}, kNavy, kWhite, true, 7},
    {Control::LanguageList, Kind::Combo, L"", 7560, 2280, 2415, 390,
     {L"Arial", 12, false}, kSystem, kSystem, true, 8},
    {Control::TitleLabel, Kind::Label, L"FW UPGRADE", 1200, 1440, 7635, 495,
     {L"Arial", 20.25f, true}, kNavy, kWhite, true, 9},
    {Control::InteractiveUpgradeButton, Kind::Button, L"Upgrade Interattivo", 2520, 5640, 1995, 915,
     {L"Arial", 12, false}, kSystem, kSystem, false, 10},
    {Control::Logo, Kind::Image, L"", 0, 0, 1935, 1380, {}, kSystem, kWhite, true, -1},
    {Control::Wordmark, Kind::Image, L"", 2280, 120, 4965, 1050, {}, kSystem, kWhite, true, -1},
    {Control::Flag, Kind::Image, L"", 9000, 1440, 915, 555, {}, kSystem, kWhite, true, -1},
    {Control::ProgressBar, Kind::Bar, L"", 0, 0, 495, 420, {}, kSystem, 0x00FF00, true, -1},
};
// clang-format on

// A status line too long for its label at the design's size is shown in
// the first of these that lets it fit whole, on as many lines as the label
// holds: the same face, down to 9 pt, the smallest that still reads well.
inline constexpr Font kStatusFonts[] = {
    {L"Arial", 14.25f, false}, {L"Arial", 12, false}, {L"Arial", 11, false},
    {L"Arial", 10, false},     {L"Arial", 9, false},
};

// Every DPI scaling goes through Rescale: a length in one unit per inch
// made a length in another. The units: twips (1440 an inch), points (72),
// the design's pixels (96: pixels at Windows' 100 %) and a display's own
// pixels (its DPI).
inline constexpr double kTwipsPerInch = 1440.0;
inline constexpr double kPointsPerInch = 72.0;
inline constexpr int kDesignDpi = 96;

constexpr double Rescale(double length, double fromPerInch, double toPerInch) {
  return length * toPerInch / fromPerInch;
}

// To the nearest whole pixel, halves away from zero (as MulDiv rounds).
constexpr int RoundToPixel(double px) { return static_cast<int>(px < 0 ? px - 0.5 : px + 0.5); }

constexpr int TwipsToPixels(double twips, int dpi) {
  return RoundToPixel(Rescale(twips, kTwipsPerInch, dpi));
}

constexpr double PixelsToTwips(int pixels, int dpi) { return Rescale(pixels, dpi, kTwipsPerInch); }

// A length given in the design's pixels, on a display of `dpi`.
constexpr int DesignPixelsAt(double designPixels, int dpi) {
  return RoundToPixel(Rescale(designPixels, kDesignDpi, dpi));
}

// Font height in pixels for a point size (negative: character height).
constexpr int FontHeight(float points, int dpi) {
  return -RoundToPixel(Rescale(points, kPointsPerInch, dpi));
}

}  // namespace vz::layout
