// How deeply the elements of an XML text nest, counted the way the XML reader
// walks the text. The reader descends once per element level, so a text that
// nests too deeply is refused by its depth before the reader ever sees it.
#pragma once

#include <cstddef>
#include <string>

// The most elements the reader has open at once while reading text, as it
// would be read from a file (CR LF and a lone CR read as LF; reading stops at
// a NUL byte). Text the reader gives up on counts up to where it gives up or
// further, never less.
size_t xmlNestingDepth(const std::string& text);
