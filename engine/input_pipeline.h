#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/byte_source.h"
#include "engine/json_lines_filter.h"
#include "engine/text_reader.h"

namespace tabulora {

// Where one input's bytes come from.
struct InputOrigin {
    enum class Kind { File, StandardInput, Memory };
    Kind kind = Kind::File;
    std::string path;        // File
    std::string_view bytes;  // Memory; must outlive the pipeline
};

// What the pipeline reports, in order: for every input Start, its Text pieces and End (an input
// that cannot be opened ends at once, failed), and after the last input Finished.
struct InputEvent {
    enum class Kind { Start, Text, End, Finished };
    Kind kind = Kind::Finished;
    size_t input = 0;
    uint64_t sizeHint = 0;                // Start: the input's size when known, else 0
    DecodedPiece piece;                   // Text; valid until the next call of Next()
    const LineVerdicts* lines = nullptr;  // Text, when lines are judged: the verdicts on its lines
    // End:
    bool failed = false;
    std::string error;
    bool hasLine = false;
    bool cutByZero = false;
    uint64_t breaksAtEnd = 0;
    uint64_t rawBytes = 0;
};

// Reads the inputs one after the other as decoded text pieces. With `readAhead` a helper thread
// reads and decodes (validating UTF-8 on the way) a few pieces ahead of the caller; without it
// every piece is read when it is asked for. With `judgeLines` every piece's lines are judged as
// JSON Lines on the way (LineVerdicts), for a JsonLinesFilter.
class InputPipeline {
public:
    InputPipeline(std::vector<InputOrigin> inputs, const DecodeSettings& settings, bool readAhead,
                  bool judgeLines = false);
    ~InputPipeline();
    InputPipeline(const InputPipeline&) = delete;
    InputPipeline& operator=(const InputPipeline&) = delete;

    // The next event. Rethrows what the helper thread could not handle (e.g. std::bad_alloc).
    // Not to be called again after Finished or a rethrown failure.
    const InputEvent& Next();

private:
    struct Slot {
        InputEvent event;
        PieceBuffer buffer;
        LineVerdicts verdicts;
        std::exception_ptr failure;
    };
    void Step(Slot& slot);
    void ReadAhead();

    std::vector<InputOrigin> inputs_;
    DecodeSettings settings_;

    // The reading position: the input at hand and its reader.
    size_t input_ = 0;
    bool started_ = false;
    std::string openError_;
    std::unique_ptr<ByteSource> source_;
    std::unique_ptr<InputTextReader> reader_;

    bool readAhead_;
    bool judgeLines_;
    std::vector<std::unique_ptr<Slot>> slots_;
    Slot* current_ = nullptr;          // handed out by the last Next()
    std::vector<Slot*> free_, ready_;  // ready_ in order, taken from the front
    size_t readyFront_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    std::thread helper_;
};

}  // namespace tabulora
