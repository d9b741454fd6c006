// The level as the tests expect it, row by row: '.' empty, '1' a point,
// '2' a bomb. Written out by hand, independently of the game's own table.
#pragma once

constexpr const char* expected_level[7] = {
    ".12...2....",
    "2.....1..1.",
    ".2..1.1....",
    ".11..22....",
    ".22.1..1.11",
    "1....2...12",
    "..1.1.1...1",
};

inline int expected_code(int col, int row)
{
    const char c = expected_level[row][col];
    return c == '.' ? 0 : c - '0';
}
