#include "engine/text_file.h"

#include "engine/byte_source.h"
#include "engine/text_reader.h"

namespace tabulora {

LoadedText LoadTextFile(const std::string& path, TextEncoding encoding, const AnsiCodec& ansi) {
    LoadedText result;
    std::unique_ptr<ByteSource> source = OpenFileSource(path, result.error);
    if (!source) return result;
    InputTextReader reader(*source, DecodeSettings{encoding, &ansi, 1 << 20});
    PieceBuffer buffer;
    DecodedPiece piece;
    while (reader.Next(buffer, piece)) result.text.append(piece.data, piece.size);
    if (reader.Failed()) {
        result.error = reader.Error();
        result.text.clear();
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace tabulora
