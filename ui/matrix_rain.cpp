#include "ui/matrix_rain.h"

namespace tabulora::ui {
namespace {

RainColour Green(int32_t level) {
    return {static_cast<uint8_t>(level * 150 / 255), static_cast<uint8_t>(level),
            static_cast<uint8_t>(level * 100 / 255)};
}

int32_t Level(int32_t brightness) { return brightness * 255 / 100; }

void DealSpeedAndBrightness(RainDrop& drop, RainRandom& random) {
    drop.Speed = random.Below(3) + 1;
    drop.Brightness = random.Below(100);
}

}  // namespace

RainColour HeadColour(int32_t brightness) { return Green(Level(brightness)); }

RainColour TrailColour(int32_t brightness) { return Green(Level(brightness) / 3); }

void MatrixRain::StartMatrix(RainCanvas& canvas, RainRandom& random, int32_t outerWidth, int32_t outerHeight) {
    MatrixTick = 0;
    bitmapWidth = outerWidth;
    bitmapHeight = outerHeight;
    SetupMatrix(canvas, random, outerWidth, outerHeight);
}

void MatrixRain::SetupMatrix(RainCanvas& canvas, RainRandom& random, int32_t currentWidth, int32_t currentHeight) {
    canvas.FillBlack(0, 0, currentWidth, currentHeight);
    charWidth = 8;
    charHeight = 12;
    matrixWidth = bitmapWidth / charWidth;
    matrixHeight = bitmapHeight / charHeight;
    InitDrops(random);
}

void MatrixRain::InitDrops(RainRandom& random) {
    MatrixDropCount = 0;
    for (int32_t i = 0; i < 2 * matrixWidth; ++i) AddDrop(random);
}

void MatrixRain::AddDrop(RainRandom& random) {
    if (MatrixDropCount >= kMaxDrops || matrixWidth <= 0) return;
    RainDrop& drop = MatrixDrops[MatrixDropCount];  // LastChar stays as the slot held it
    drop.Column = MatrixDropCount % matrixWidth;
    drop.Row = matrixHeight > 0 ? random.Below(matrixHeight) : 0;
    DealSpeedAndBrightness(drop, random);
    ++MatrixDropCount;
}

void MatrixRain::UpdateMatrix(RainCanvas& canvas, RainRandom& random) {
    const auto charCount = static_cast<int32_t>(MatrixChars.size());
    for (int32_t i = 0; i < MatrixDropCount; ++i) {
        RainDrop& drop = MatrixDrops[i];
        const char16_t c = charCount > 0 ? MatrixChars[random.Below(charCount)] : u' ';
        DrawDrop(canvas, drop, c);
        if (MatrixTick % drop.Speed == 0) {
            ++drop.Row;
            if (drop.Row > matrixHeight + 1) {
                drop.Row = 0;
                DealSpeedAndBrightness(drop, random);
            }
        }
    }
    ++MatrixTick;
}

void MatrixRain::DrawDrop(RainCanvas& canvas, RainDrop& drop, char16_t c) {
    const int32_t x = drop.Column * charWidth;

    // Erase the cell the tail leaves; on a grid shorter than the tail it wraps from the bottom.
    int32_t tailRow = drop.Row - kTailLength;
    while (tailRow < 0) tailRow += matrixHeight + 1;
    canvas.FillBlack(x, tailRow * charHeight, x + charWidth, tailRow * charHeight + charHeight);

    // A slot that never drew anything still holds code 0 and draws it as its trail. Fonts
    // without a glyph for it show their missing-glyph box there, in the dim trail colour, until
    // the drop's tail erases the cell; it happens only on a slot's first pass.
    if (drop.Row > 0) {
        canvas.DrawChar(x, (drop.Row - 1) * charHeight, drop.LastChar, TrailColour(drop.Brightness));
    }
    canvas.DrawChar(x, drop.Row * charHeight, c, HeadColour(drop.Brightness));
    drop.LastChar = c;
}

}  // namespace tabulora::ui
