// What the data-folder tests write over a data file to spoil it.
#pragma once

#include <string>

// 700 bytes from a fixed generator: no image format's signature, no text.
std::string Garbage();
