#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/shell.h"
#include "temp_directory.h"

namespace {

namespace fs = std::filesystem;

// The build tells the tests where the program is.
fs::path ProgramDirectory() { return fs::path(QUORIN_PROGRAM).parent_path(); }

// A macro whose first line names the interpreter runs as a program of its own
// once the interpreter can be found on the search path.
TEST(ShebangTest, AnExecutableMacroRunsThroughTheSearchPath) {
    const fs::path directory = ProgramDirectory();
    ASSERT_TRUE(fs::exists(directory / "quorin")) << "build the quorin target first";
    TTempDirectory scripts;
    const std::string script =
        scripts.Write("hello.qrn", "#!/usr/bin/env quorin\nprintln(\"run as a program\");\n");
    fs::permissions(script, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);

    int status = -1;
    const std::string output =
        Shell("unset QUORIN_CONSOLE_ENCODING QUORIN_SOURCE_ENCODING; PATH='" + directory.string() +
                  "':/usr/bin:/bin; export PATH; cd '" + scripts.path.string() +
                  "' && ./hello.qrn </dev/null 2>/dev/null",
              status);
    EXPECT_EQ(output, "\nrun as a program\n");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
