#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <vector>

#include "ui/matrix_rain.h"

using namespace tabulora::ui;

namespace {

struct Fill {
    int left, top, right, bottom;
    friend bool operator==(const Fill&, const Fill&) = default;
};
struct Text {
    int x, y;
    char16_t c;
    RainColour colour;
    friend bool operator==(const Text&, const Text&) = default;
};

class RecordingCanvas : public RainCanvas {
public:
    void FillBlack(int left, int top, int right, int bottom) override { fills.push_back({left, top, right, bottom}); }
    void DrawChar(int x, int y, char16_t c, RainColour colour) override { texts.push_back({x, y, c, colour}); }
    void Clear() {
        fills.clear();
        texts.clear();
    }
    std::vector<Fill> fills;
    std::vector<Text> texts;
};

// Answers from a script and records the bounds asked for; an empty script answers 0.
class ScriptedRandom : public RainRandom {
public:
    int32_t Below(int32_t bound) override {
        bounds.push_back(bound);
        if (values.empty()) return 0;
        const int32_t value = values.front();
        values.pop_front();
        EXPECT_LT(value, bound);
        return value;
    }
    std::deque<int32_t> values;
    std::vector<int32_t> bounds;
};

// A rain one column wide and `rows` rows high, with no drops dealt yet.
std::unique_ptr<MatrixRain> RainWithRows(int32_t rows) {
    auto rain = std::make_unique<MatrixRain>();
    rain->bitmapWidth = 8;
    rain->bitmapHeight = rows * 12;
    rain->matrixWidth = 1;
    rain->matrixHeight = rows;
    return rain;
}

}  // namespace

TEST(MatrixRainColours, HeadAndTrailFromBrightness) {
    const struct {
        int32_t brightness;
        RainColour head, trail;
    } cases[] = {
        {99, {148, 252, 98}, {49, 84, 32}},
        {50, {74, 127, 49}, {24, 42, 16}},
        {1, {1, 2, 0}, {0, 0, 0}},
        {0, {0, 0, 0}, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HeadColour(c.brightness), c.head) << c.brightness;
        EXPECT_EQ(TrailColour(c.brightness), c.trail) << c.brightness;
    }
}

TEST(MatrixRainDraw, ErasesTheTailCellWrappingOnAShortGrid) {
    const struct {
        int32_t rows, headRow, erasedRow;
    } cases[] = {
        {33, 10, 4},              // 10 - 40 + 34
        {33, 0, 28},              // 0 - 40 + 34 + 34
        {33, 34, 28},             // the lowest head row, below the grid
        {50, 45, 5},              // a grid taller than the tail needs no wrap
        {50, 40, 0},  {0, 0, 0},  // a window lower than one cell
    };
    for (const auto& c : cases) {
        auto rain = RainWithRows(c.rows);
        RecordingCanvas canvas;
        RainDrop drop{3, c.headRow, 1, 99, u'b'};
        rain->DrawDrop(canvas, drop, u'm');
        ASSERT_EQ(canvas.fills.size(), 1u);
        EXPECT_EQ(canvas.fills[0], (Fill{24, c.erasedRow * 12, 32, c.erasedRow * 12 + 12}))
            << c.rows << " rows, head at " << c.headRow;
    }
}

TEST(MatrixRainDraw, DrawsTheTrailAboveTheHeadExceptOnTheTopRow) {
    auto rain = RainWithRows(33);
    RecordingCanvas canvas;

    RainDrop top{2, 0, 1, 99, u'b'};
    rain->DrawDrop(canvas, top, u'r');
    EXPECT_EQ(canvas.texts, (std::vector<Text>{{16, 0, u'r', {148, 252, 98}}}));
    EXPECT_EQ(top.LastChar, u'r');

    canvas.Clear();
    RainDrop lower{2, 5, 1, 99, u'b'};
    rain->DrawDrop(canvas, lower, u'm');
    EXPECT_EQ(canvas.texts, (std::vector<Text>{{16, 48, u'b', {49, 84, 32}}, {16, 60, u'm', {148, 252, 98}}}));
    EXPECT_EQ(lower.LastChar, u'm');

    // A slot that never drew a character still draws the code 0 it holds as its trail.
    canvas.Clear();
    RainDrop fresh{2, 5, 1, 99, u'\0'};
    rain->DrawDrop(canvas, fresh, u'b');
    EXPECT_EQ(canvas.texts, (std::vector<Text>{{16, 48, u'\0', {49, 84, 32}}, {16, 60, u'b', {148, 252, 98}}}));
    EXPECT_EQ(fresh.LastChar, u'b');
}

// The first tick after the first start: no slot has drawn yet, so each drop below the top row
// draws code 0 above its head, and a drop on the top row draws its head alone.
TEST(MatrixRainUpdate, TheFirstTickDrawsTheNeverUsedCharacterAsTheTrail) {
    auto rain = std::make_unique<MatrixRain>();
    RecordingCanvas canvas;
    ScriptedRandom random;
    random.values = {0, 0, 50, 6, 2, 99};  // one column: drop 0 at row 0, drop 1 at row 6
    rain->StartMatrix(canvas, random, 8, 413);
    ASSERT_EQ(rain->MatrixDropCount, 2);

    canvas.Clear();
    random.values = {2, 1};  // 'm' for drop 0, 'r' for drop 1
    rain->UpdateMatrix(canvas, random);
    EXPECT_EQ(canvas.texts, (std::vector<Text>{
                                {0, 0, u'm', HeadColour(50)},
                                {0, 5 * 12, u'\0', TrailColour(99)},
                                {0, 6 * 12, u'r', HeadColour(99)},
                            }));

    // From then on the trail is the character the head showed.
    canvas.Clear();
    random.values = {0, 0};
    rain->UpdateMatrix(canvas, random);
    ASSERT_GE(canvas.texts.size(), 3u);
    EXPECT_EQ(canvas.texts[0].c, u'm');  // drop 0 moved to row 1: its trail is row 0's 'm'
    EXPECT_EQ(canvas.texts[0].y, 0);
}

TEST(MatrixRainUpdate, MovesEverySpeedTicksAndRestartsBelowTheLastRow) {
    auto rain = RainWithRows(33);
    rain->MatrixDropCount = 2;
    rain->MatrixDrops[0] = {0, 33, 1, 10, 0};  // moves every tick
    rain->MatrixDrops[1] = {0, 7, 2, 10, 0};   // moves on even ticks
    RecordingCanvas canvas;
    ScriptedRandom random;

    // Tick 0: both move; drop 0 reaches row 34, the last one it is drawn on.
    random.values = {1, 2};
    rain->UpdateMatrix(canvas, random);
    EXPECT_EQ(rain->MatrixDrops[0].Row, 34);
    EXPECT_EQ(rain->MatrixDrops[1].Row, 8);
    EXPECT_EQ(rain->MatrixDrops[0].LastChar, u'r');
    EXPECT_EQ(rain->MatrixDrops[1].LastChar, u'm');
    EXPECT_EQ(random.bounds, (std::vector<int32_t>{3, 3}));  // one character pick per drop

    // Tick 1: drop 0 restarts at row 0 with a new speed and brightness; drop 1 only redraws.
    random.bounds.clear();
    random.values = {0, 2, 99, 0};
    canvas.Clear();
    rain->UpdateMatrix(canvas, random);
    EXPECT_EQ(canvas.texts.size(), 4u);  // both heads redrawn, each with its trail
    EXPECT_EQ(canvas.texts[1].y, 34 * 12);
    const RainDrop& restarted = rain->MatrixDrops[0];
    EXPECT_EQ(restarted.Row, 0);
    EXPECT_EQ(restarted.Speed, 3);
    EXPECT_EQ(restarted.Brightness, 99);
    EXPECT_EQ(random.bounds, (std::vector<int32_t>{3, 3, 100, 3}));
    EXPECT_EQ(rain->MatrixDrops[1].Row, 8);
    EXPECT_EQ(rain->MatrixTick, 2);
}

TEST(MatrixRainSetup, DealsTwoDropsPerColumnUpToTheTableSize) {
    const struct {
        int32_t outerWidth;
        int32_t drops;
    } cases[] = {
        {462, 114},                                   // 57 columns
        {8, 2},        {7, 0},                        // narrower than one cell: no columns, no drops
        {19992, 4998}, {20000, 5000}, {24000, 5000},  // 3000 columns would want 6000
    };
    for (const auto& c : cases) {
        auto rain = std::make_unique<MatrixRain>();
        RecordingCanvas canvas;
        ScriptedRandom random;
        rain->StartMatrix(canvas, random, c.outerWidth, 413);
        EXPECT_EQ(rain->MatrixDropCount, c.drops) << c.outerWidth;
        if (c.drops > 0) {
            const int32_t columns = c.outerWidth / 8;
            EXPECT_EQ(rain->MatrixDrops[c.drops - 1].Column, (c.drops - 1) % columns);
        }
    }
}

TEST(MatrixRainSetup, DealsEachDropFromTheRandomSource) {
    auto rain = std::make_unique<MatrixRain>();
    RecordingCanvas canvas;
    ScriptedRandom random;
    random.values = {33, 0, 0, 5, 2, 99};
    rain->StartMatrix(canvas, random, 8, 413);  // one column, 34 rows
    EXPECT_EQ(random.bounds, (std::vector<int32_t>{34, 3, 100, 34, 3, 100}));
    EXPECT_EQ(rain->MatrixDrops[0].Row, 33);
    EXPECT_EQ(rain->MatrixDrops[0].Speed, 1);
    EXPECT_EQ(rain->MatrixDrops[0].Brightness, 0);
    EXPECT_EQ(rain->MatrixDrops[1].Row, 5);
    EXPECT_EQ(rain->MatrixDrops[1].Speed, 3);
    EXPECT_EQ(rain->MatrixDrops[1].Brightness, 99);
}

TEST(MatrixRainSetup, KeepsTheCapturedGridAndLastCharsOnResize) {
    auto rain = std::make_unique<MatrixRain>();
    RecordingCanvas canvas;
    ScriptedRandom random;
    rain->StartMatrix(canvas, random, 462, 413);
    EXPECT_EQ(canvas.fills, (std::vector<Fill>{{0, 0, 462, 413}}));
    EXPECT_EQ(rain->matrixWidth, 57);
    EXPECT_EQ(rain->matrixHeight, 34);

    random.values = {1};  // every drop gets 'r'; the first one's pick is scripted
    rain->UpdateMatrix(canvas, random);
    EXPECT_EQ(rain->MatrixDrops[0].LastChar, u'r');
    EXPECT_EQ(rain->MatrixDrops[1].LastChar, u'b');

    canvas.Clear();
    random.values = {10, 0, 0};  // drop 0 dealt again at row 10
    rain->SetupMatrix(canvas, random, 900, 700);
    EXPECT_EQ(canvas.fills, (std::vector<Fill>{{0, 0, 900, 700}}));  // clears the current area
    EXPECT_EQ(rain->matrixWidth, 57);
    EXPECT_EQ(rain->matrixHeight, 34);
    EXPECT_EQ(rain->MatrixDropCount, 114);
    EXPECT_EQ(rain->MatrixDrops[0].LastChar, u'r');  // a reused slot keeps its character

    canvas.Clear();
    rain->UpdateMatrix(canvas, random);
    ASSERT_GE(canvas.texts.size(), 1u);
    EXPECT_EQ(canvas.texts[0], (Text{0, 9 * 12, u'r', TrailColour(0)}));
}
