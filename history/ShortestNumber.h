#pragma once

#include <charconv>
#include <cmath>

namespace Kadex::History {

// Room for the shortest form of any number.
inline constexpr int ShortestNumberChars = 32;

// Writes number in its shortest exact form (std::to_chars) into text, ShortestNumberChars long; returns its end. A
// whole number of at most five digits has that form as a whole number too (1e+05 is the first that is shorter in
// the exponent form), and is written so much faster: most plant values are such. -0 keeps its sign.
inline char *writeShortest(char *text, double number)
{
    if (number > -100000.0 && number < 100000.0 && number == std::trunc(number) &&
        !(number == 0.0 && std::signbit(number))) {
        return std::to_chars(text, text + ShortestNumberChars, static_cast<int>(number)).ptr;
    }
    return std::to_chars(text, text + ShortestNumberChars, number).ptr;
}

} // namespace Kadex::History
