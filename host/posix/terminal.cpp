// The terminal functions of system.h on POSIX systems.
#include <langinfo.h>
#include <locale.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "system.h"

bool IsTerminal(int handle) {
    return handle >= 0 && isatty(handle) == 1;
}

// A terminal takes bytes in the locale's character set, and a line feed ends
// a line in any file.
bool IsWideConsole(int) {
    return false;
}

bool WriteWideConsole(int, std::string_view) {
    return false;
}

bool TakeOverLineEnds(std::FILE*) {
    return false;
}

namespace {

// The codeset part of a locale name such as ja_JP.eucJP or en_US.UTF-8@euro.
std::string CodesetOfName(const char* name) {
    const char* dot = std::strchr(name, '.');
    if (!dot) return "";
    std::string codeset(dot + 1);
    return codeset.substr(0, codeset.find('@'));
}

// The locale variable that decides the character type, as the C library looks at them.
const char* CharacterLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return value;
    }
    return "";
}

}  // namespace

std::string TerminalCodeset() {
    std::string codeset;
    // A locale of its own rather than setlocale: the program's global locale
    // stays "C", which the number formats of the language rely on.
    if (locale_t locale = newlocale(LC_CTYPE_MASK, "", locale_t(0))) {
        codeset = nl_langinfo_l(CODESET, locale);
        freelocale(locale);
    } else {
        // The locale is named but not installed; the terminal still works in
        // the character set the name gives.
        codeset = CodesetOfName(CharacterLocaleName());
    }
    if (codeset == "ANSI_X3.4-1968" || codeset == "ASCII" || codeset == "US-ASCII") return "";
    return codeset;
}

namespace {

// What the signal handlers need to put the terminal back and to take up the
// wait again. Written before the handlers are installed and only read while they are.
int savedHandle = -1;
termios savedMode;
termios keyMode;

constexpr int restoringSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};
constexpr int signalCount = sizeof(restoringSignals) / sizeof(restoringSignals[0]);

extern "C" void RestoreAndReraise(int signalNumber);

// Installs the restoring handler for `signalNumber`.
bool InstallRestoring(int signalNumber) {
    struct sigaction action = {};
    action.sa_handler = RestoreAndReraise;
    sigemptyset(&action.sa_mask);
    return sigaction(signalNumber, &action, nullptr) == 0;
}

// Restores the terminal and lets the signal do what it would have done had we
// not been waiting: the handler is installed only over the default action.
// Suspension is the one signal the wait survives: once the shell continues the
// program, the wait goes on in key mode, as the shell's own line mode would
// otherwise make the user type Enter and see the key echoed.
extern "C" void RestoreAndReraise(int signalNumber) {
    const int savedErrno = errno;
    tcsetattr(savedHandle, TCSANOW, &savedMode);
    std::signal(signalNumber, SIG_DFL);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signalNumber);
    sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
    std::raise(signalNumber);
    // Only suspension comes back here, after the program was continued.
    InstallRestoring(signalNumber);
    tcsetattr(savedHandle, TCSANOW, &keyMode);
    errno = savedErrno;
}

// Installs the restoring handlers for the wait and puts the previous actions
// back when it ends, whichever way it ends.
class TSignalGuard {
public:
    TSignalGuard() {
        for (int i = 0; i < signalCount; ++i) {
            installed[i] = false;
            if (sigaction(restoringSignals[i], nullptr, &previous[i]) != 0) continue;
            if (previous[i].sa_handler != SIG_DFL) continue;
            installed[i] = InstallRestoring(restoringSignals[i]);
        }
    }
    TSignalGuard(const TSignalGuard&) = delete;
    TSignalGuard& operator=(const TSignalGuard&) = delete;
    ~TSignalGuard() {
        for (int i = 0; i < signalCount; ++i) {
            if (installed[i]) sigaction(restoringSignals[i], &previous[i], nullptr);
        }
    }

private:
    struct sigaction previous[signalCount];
    bool installed[signalCount];
};

}  // namespace

void WaitForKey(int handle) {
    if (!IsTerminal(handle)) return;
    termios mode;
    if (tcgetattr(handle, &mode) != 0) return;
    savedHandle = handle;
    savedMode = mode;
    keyMode = mode;
    keyMode.c_lflag &= ~(ICANON | ECHO);
    keyMode.c_cc[VMIN] = 1;
    keyMode.c_cc[VTIME] = 0;

    TSignalGuard guard;
    if (tcsetattr(handle, TCSANOW, &keyMode) != 0) return;

    char key;
    while (read(handle, &key, 1) < 0 && errno == EINTR) {
    }
    // A key such as an arrow arrives as several bytes; the rest of them must
    // not spill into whatever reads the terminal after us.
    tcflush(handle, TCIFLUSH);
    tcsetattr(handle, TCSANOW, &savedMode);
}
