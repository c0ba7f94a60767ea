#pragma once
// Streaming exports of JSON held in memory, for the engine tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/csv_export.h"
#include "platform/ansi_codec.h"
#include "whole_text.h"

namespace tabulora {

class StringSink final : public ByteSink {
public:
    void Write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

// Reading `pieceSize` bytes at a time on the caller's thread, keeping `rowsInMemory` bytes of
// rows before they go to a file.
inline ExportSettings TestSettings(size_t pieceSize = 1 << 20, size_t rowsInMemory = 4 << 20) {
    ExportSettings settings;
    settings.ansi = &SystemAnsiCodec();
    settings.pieceSize = pieceSize;
    settings.readAhead = false;
    settings.rowsInMemory = rowsInMemory;
    return settings;
}

inline std::vector<ExportInput> MemoryInputs(const std::vector<std::string>& texts) {
    std::vector<ExportInput> inputs;
    for (size_t i = 0; i < texts.size(); ++i) inputs.push_back(ExportInput::Memory("in" + std::to_string(i), texts[i]));
    return inputs;
}

// The CSV of all texts, as the streaming export writes it to a stream.
inline std::string StreamedCsv(const std::vector<std::string>& texts, const ExportSettings& settings,
                               ExportSummary* summary = nullptr) {
    StringSink sink;
    ExportSummary result = ExportToOneCsv(MemoryInputs(texts), sink, settings);
    if (summary) *summary = result;
    return sink.text;
}

// The reference conversion gives `expected`, and so does the streaming export reading the texts
// in pieces of any size, whether its rows stay in memory or go to a temporary file.
inline void ExpectCsv(const std::vector<std::string>& texts, const CsvOptions& options, const std::string& expected) {
    EXPECT_EQ(ReferenceCsv(texts, options), expected) << "whole texts";
    for (size_t pieceSize : {1, 2, 3, 5, 8, 64}) {
        for (size_t rowsInMemory : {size_t{16}, size_t{4} << 20}) {
            ExportSettings settings = TestSettings(pieceSize, rowsInMemory);
            settings.csv = options;
            EXPECT_EQ(StreamedCsv(texts, settings), expected)
                << "pieces of " << pieceSize << ", rows in memory " << rowsInMemory;
        }
    }
}

}  // namespace tabulora
