// The shape of what a macro is translated into: a name is a cell, a goto a jump,
// the polls of sentences ride on their first instruction, and a line of
// `x = x + 1;` costs one instruction and a line entry.
#include <gtest/gtest.h>

#include <string>

#include "engine/program.h"
#include "engine/quorin.h"
#include "support/capture_environment.h"

namespace {

std::string Listing(const std::string& source) {
    TCaptureEnvironment environment;
    Quorin::TQuorin engine(&environment, source, 0);
    engine.AnalyzeMacro();
    return engine.Program()->Listing();
}

TEST(Program, NamesAreCellsAndGotosAreJumps) {
    EXPECT_EQ(Listing("x = 0;\n"
                      "L: x = x + 1;\n"
                      "if (x < 3) goto L;\n"
                      "{ M: ; }\n"
                      "goto M;\n"),
              "0: +1 assign c0 c1\n"
              "1: +1 Add c0 c0 c2\n"
              "2: +1 JumpLess 4 unless c0 c3\n"
              "3: +1 goto 1 1 L\n"
              "4: +1 poll\n"  // the block's own, before its label
              "5: +2 goto 5 5 M\n"
              "6: halt\n");
    // Spellings that only letter case tells apart are one name under one rule
    // and two under the other: they are resolved where they are named.
    EXPECT_EQ(Listing("a = 1; A++; len = 2;"),
              "0: +1 symbol t0 a\n"
              "1: assignthrough t0 c1\n"
              "2: +1 symbol t0 A\n"
              "3: step c0 t0\n"
              "4: +1 symbol t0 len\n"
              "5: assignthrough t0 c5\n"
              "6: halt\n");
}

TEST(Program, ALineOfArithmeticIsOneInstruction) {
    std::string source;
    const int lines = 1000;
    for (int line = 0; line < lines; ++line) source += "x = x + 1;\n";
    TCaptureEnvironment environment;
    Quorin::TQuorin engine(&environment, source, 0);
    engine.AnalyzeMacro();
    const Quorin::TProgram& program = *engine.Program();
    EXPECT_EQ(program.code.size(), lines + 1u);  // and the halt
    EXPECT_EQ(program.lines.size(), static_cast<std::size_t>(lines));
    EXPECT_EQ(program.cells.size(), 2u);  // x and 1
    EXPECT_LE(sizeof(Quorin::TInstruction) + sizeof(Quorin::TLinePoint), 24u);
}

}  // namespace
