#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "system.h"

namespace {

// A pseudo-terminal: the test types on the master side, WaitForKey reads the slave.
class TPseudoTerminal {
public:
    TPseudoTerminal() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
        slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    }
    TPseudoTerminal(const TPseudoTerminal&) = delete;
    TPseudoTerminal& operator=(const TPseudoTerminal&) = delete;
    ~TPseudoTerminal() {
        if (slave >= 0) close(slave);
        if (master >= 0) close(master);
    }

    bool Canonical() const {
        termios mode;
        tcgetattr(slave, &mode);
        return (mode.c_lflag & ICANON) != 0 && (mode.c_lflag & ECHO) != 0;
    }
    // Waits until the slave has been switched to key mode.
    bool WaitForKeyMode() const {
        for (int i = 0; i < 500; ++i) {
            if (!Canonical()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    bool SlaveHasInput() const {
        pollfd request = {slave, POLLIN, 0};
        return poll(&request, 1, 0) > 0;
    }

    int master = -1;
    int slave = -1;
};

TEST(WaitForKeyTest, ReturnsAtOnceWithoutATerminal) {
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    WaitForKey(pipeEnds[0]);
    WaitForKey(-1);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
}

TEST(WaitForKeyTest, OneKeyEndsTheWaitAndTheModeIsRestored) {
    TPseudoTerminal terminal;
    ASSERT_GE(terminal.slave, 0);
    ASSERT_TRUE(terminal.Canonical());
    std::thread typist([&] {
        terminal.WaitForKeyMode();
        const char arrow[] = "\x1b[A";
        EXPECT_EQ(write(terminal.master, arrow, 3), 3);
    });
    WaitForKey(terminal.slave);
    typist.join();
    EXPECT_TRUE(terminal.Canonical());
    // The rest of a key's byte sequence is not left for the next reader.
    EXPECT_FALSE(terminal.SlaveHasInput());
}

// Ctrl+C (SIGINT) and a termination request end the program during the wait,
// with the terminal back in its mode and the signal's usual end.
TEST(WaitForKeyTest, InterruptOrTerminationDuringTheWaitRestoresTheMode) {
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signalNumber);
        TPseudoTerminal terminal;
        ASSERT_GE(terminal.slave, 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::signal(signalNumber, SIG_DFL);
            WaitForKey(terminal.slave);
            _exit(0);
        }
        const bool keyMode = terminal.WaitForKeyMode();
        kill(child, signalNumber);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(keyMode);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber);
        EXPECT_TRUE(terminal.Canonical());
    }
}

// Ctrl+C, as the console host sees it: the first one only asks, and also ends
// a wait for input that another thread is in; the second one ends the process.
TEST(InterruptTest, TheFirstAsksAndTheSecondEnds) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGINT, SIG_DFL);
        InstallInterruptHandler();
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) _exit(10);
        std::thread reader([&] {
            char byte;
            // Nothing is ever written: only the interrupt can end the read.
            if (ReadInput(pipeEnds[0], &byte, 1) != -1) _exit(11);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (InterruptRequested()) _exit(12);
        kill(getpid(), SIGINT);
        reader.join();
        if (!InterruptRequested()) _exit(13);
        kill(getpid(), SIGINT);
        std::this_thread::sleep_for(std::chrono::seconds(5));
        _exit(14);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), exitInterrupted);
}

// A program started with interrupts ignored keeps ignoring them; removing the
// handler puts back what was there.
TEST(InterruptTest, IgnoredInterruptsStayIgnored) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGINT, SIG_IGN);
        InstallInterruptHandler();
        raise(SIGINT);
        if (InterruptRequested()) _exit(1);
        RemoveInterruptHandler();
        std::signal(SIGINT, SIG_DFL);
        InstallInterruptHandler();
        RemoveInterruptHandler();
        raise(SIGINT);
        _exit(2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
}

// The locale's character set, whether or not the locale is installed.
TEST(TerminalCodesetTest, TheLocaleNamesIt) {
    const char* saved = std::getenv("LC_ALL");
    const std::string before = saved ? saved : "";
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(TerminalCodeset(), "");
    setenv("LC_ALL", "C.UTF-8", 1);
    EXPECT_EQ(TerminalCodeset(), "UTF-8");
    setenv("LC_ALL", "xx_YY.eucJP@none", 1);
    EXPECT_EQ(TerminalCodeset(), "eucJP");
    if (saved) {
        setenv("LC_ALL", before.c_str(), 1);
    } else {
        unsetenv("LC_ALL");
    }
}

}  // namespace
