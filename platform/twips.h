// Twips, the unit that window layouts are stored in: 1440 to the inch.
#pragma once

namespace platform {

constexpr int kTwipsPerInch = 1440;

// Twips to pixels at a given DPI (15 twips make a pixel at 96 DPI).
constexpr int TwipsToPixels(int twips, int dpi) {
    return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch;
}

// Pixels at a given DPI to twips, to the nearest twip.
constexpr int PixelsToTwips(int pixels, int dpi) {
    return (pixels * kTwipsPerInch + dpi / 2) / dpi;
}

}  // namespace platform
