#pragma once
#include <array>
#include <cstdint>
#include <random>
#include <string>

namespace tabulora::ui {

// One falling column of characters.
struct RainDrop {
    int32_t Column = 0;
    int32_t Row = 0;         // grid row of the head
    int32_t Speed = 0;       // the head moves one row every Speed ticks, 1 to 3
    int32_t Brightness = 0;  // 0 to 99
    char16_t LastChar = 0;   // the character last drawn at the head
};

struct RainColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    friend bool operator==(const RainColour&, const RainColour&) = default;
};

// Where the rain draws. The window's implementation paints straight onto its client area;
// characters go out as one-character texts on an opaque black background.
class RainCanvas {
public:
    virtual ~RainCanvas() = default;
    virtual void FillBlack(int left, int top, int right, int bottom) = 0;
    virtual void DrawChar(int x, int y, char16_t c, RainColour colour) = 0;
};

// The rain's source of chance.
class RainRandom {
public:
    virtual ~RainRandom() = default;
    // A uniformly chosen integer in [0, bound); bound is at least 1.
    virtual int32_t Below(int32_t bound) = 0;
};

class StdRainRandom final : public RainRandom {
public:
    StdRainRandom() : engine_(std::random_device{}()) {}
    int32_t Below(int32_t bound) override { return std::uniform_int_distribution<int32_t>(0, bound - 1)(engine_); }

private:
    std::mt19937 engine_;
};

RainColour HeadColour(int32_t brightness);
RainColour TrailColour(int32_t brightness);

// The character rain of the about box: a grid of 8 × 12 pixel cells over the window, two
// drops per column, each redrawn every tick. The about box keeps one instance for the whole
// process, so drop slots, and the LastChar they hold, carry over from one opening to the next.
class MatrixRain {
public:
    static constexpr int32_t kMaxDrops = 5000;
    static constexpr int32_t kTailLength = 40;

    // Starts over with the window's outer size, which also fixes the grid for later resizes.
    void StartMatrix(RainCanvas& canvas, RainRandom& random, int32_t outerWidth, int32_t outerHeight);
    // Clears the current window area and deals new drops on the grid of the captured size.
    void SetupMatrix(RainCanvas& canvas, RainRandom& random, int32_t currentWidth, int32_t currentHeight);
    void InitDrops(RainRandom& random);
    void AddDrop(RainRandom& random);
    // One timer tick: draws and moves every drop.
    void UpdateMatrix(RainCanvas& canvas, RainRandom& random);
    void DrawDrop(RainCanvas& canvas, RainDrop& drop, char16_t c);

    std::u16string MatrixChars = u"brm";
    std::array<RainDrop, kMaxDrops> MatrixDrops{};
    int32_t MatrixDropCount = 0;
    int32_t MatrixTick = 0;

    int32_t charWidth = 8;
    int32_t charHeight = 12;
    int32_t bitmapWidth = 0;
    int32_t bitmapHeight = 0;
    int32_t matrixWidth = 0;
    int32_t matrixHeight = 0;
};

}  // namespace tabulora::ui
