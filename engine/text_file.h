#pragma once
// Empty: reading a whole text file at once gave way to the streaming reader (text_reader.h). The
// header stays only while app/main_window.cpp still includes it; remove both together.
