#pragma once
#include <string>

#include "engine/text_codec.h"

namespace tabulora {

struct LoadedText {
    bool ok = false;
    std::string text;    // UTF-8, without a byte-order mark; empty when the read failed
    std::string error;   // why the read failed
};

// Reads a whole text file as UTF-8 (see InputTextReader: a byte-order mark chooses the encoding,
// UTF-8 is strict, UTF-16 fails on an odd number of bytes, ANSI never fails). While the file is
// open other writers are denied. A failed read keeps nothing.
LoadedText LoadTextFile(const std::string& path, TextEncoding encoding, const AnsiCodec& ansi);

// The text of an empty file, or of a file holding only a byte-order mark, has no lines.
inline bool HasNoLines(const LoadedText& loaded) { return loaded.ok && loaded.text.empty(); }

}  // namespace tabulora
