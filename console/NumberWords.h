// Reading number words typed on the console: a word is a number only when
// all of it is one, and real values must be finite.
#pragma once

// Reads a real value from the whole of `word` into `value`. A word that is no
// number, only starts with one, or reads as NaN, an infinity or a value too
// large for a double is refused with "not a number: '<word>'" on standard
// output; `value` is then left as it was and false is returned.
bool parseNumber(const char* word, double& value);

// Reads a whole number in decimal (counts, timings, skin numbers) from the
// whole of `word` into `value`; words that are not one, or lie outside the
// range of an int, are refused with "not a whole number: '<word>'" and leave
// `value` as it was.
bool parseWhole(const char* word, int& value);
