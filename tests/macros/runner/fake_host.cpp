// A stand-in for the interpreter that the runner's own tests run against, so that the
// runner can be checked without depending on the language. It frames its run like the
// real program (an empty line on stdout first, the closing prompt on stderr last) and
// executes one command a line from the file named by its argument:
//
//     out TEXT      TEXT and a line feed on stdout
//     print TEXT    TEXT on stdout, no line feed
//     err TEXT      TEXT and a line feed on stderr
//     echo-stdin    copies the whole standard input to stdout
//     args          each argument on a line of its own
//     env NAME      the variable's value, or "(unset)"
//     files         the sorted names in the working directory, one a line
//     error A|B     an error frame with the lines A and B; no further commands run
//     exit N        ends at once with status N, without the prompt
//     hang          never ends
//
// Empty lines and lines starting with "//" are skipped. TEXT is taken byte for byte.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// "何かキーを押してください..." in code page 932.
constexpr const char* kPrompt =
    "\x89\xbd\x82\xa9\x83\x4c\x81\x5b\x82\xf0\x89\x9f\x82\xb5\x82\xc4\x82\xad\x82\xbe"
    "\x82\xb3\x82\xa2...";

void ListFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) std::cout << name << "\n";
}

void ShowErrorFrame(std::string lines) {
    std::replace(lines.begin(), lines.end(), '|', '\n');
    std::cout.flush();
    std::cerr << "\n*\n" << lines << "\n*\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "no file\n";
        return 1;
    }
    std::ifstream file(argv[1], std::ios::binary);
    if (!file) {
        std::cerr << "cannot open " << argv[1] << "\n";
        return 1;
    }
    std::cout << "\n";
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line.starts_with("//")) continue;
        const std::size_t space = line.find(' ');
        const std::string command = line.substr(0, space);
        const std::string text = space == std::string::npos ? "" : line.substr(space + 1);
        if (command == "out") {
            std::cout << text << "\n";
        } else if (command == "print") {
            std::cout << text;
        } else if (command == "err") {
            std::cout.flush();
            std::cerr << text << "\n";
        } else if (command == "echo-stdin") {
            std::copy(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>(),
                      std::ostreambuf_iterator<char>(std::cout));
        } else if (command == "args") {
            for (int i = 1; i < argc; ++i) std::cout << argv[i] << "\n";
        } else if (command == "env") {
            const char* value = std::getenv(text.c_str());
            std::cout << (value ? value : "(unset)") << "\n";
        } else if (command == "files") {
            ListFiles();
        } else if (command == "error") {
            ShowErrorFrame(text);
            break;
        } else if (command == "exit") {
            std::cout.flush();
            return std::atoi(text.c_str());
        } else if (command == "hang") {
            std::cout.flush();
            for (;;) pause();
        } else {
            std::cerr << "unknown command " << command << "\n";
            return 2;
        }
    }
    std::cout.flush();
    std::cerr << "\n" << kPrompt;
    return 0;
}
