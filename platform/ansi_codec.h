#pragma once
#include "engine/text_codec.h"

namespace tabulora {

// The system's ANSI code page: the active code page on Windows, Windows-1252 elsewhere.
const AnsiCodec& SystemAnsiCodec();

}  // namespace tabulora
