#pragma once

// Runs the vaskiro tool as a process, as a script would, in a folder of its
// own per test.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>

// Every program a test starts sees no real device, whatever is plugged in.
inline const bool kHardwareBarred = setenv("VASKIRO_NO_HARDWARE", "1", 1) == 0;

// Passes when `text` holds `part`; shows the whole text when it does not.
inline ::testing::AssertionResult holds(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

// The tool under test: the one built with these tests, or the command that
// VASKIRO_TOOL_COMMAND gives (the Windows build under wine, say). Its line
// ends are read as "\n" whatever the system writes.
inline const char* const kToolCommand = std::getenv("VASKIRO_TOOL_COMMAND");
inline std::string toolCommand() { return kToolCommand != nullptr ? kToolCommand : VASKIRO_TOOL; }

struct ToolRun {
    int code = -1;
    std::string out;  // standard output and standard error, in order
};

// A shell command line, in the shell.
inline ToolRun runShell(const std::string& command) {
    ToolRun run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    std::array<char, 512> buffer{};
    while (fgets(buffer.data(), static_cast<int>(buffer.size()), pipe)) run.out += buffer.data();
    std::erase(run.out, '\r');
    int status = pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}
inline ToolRun runTool(const std::string& arguments) { return runShell(toolCommand() + " " + arguments); }

inline double wallSeconds(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// How long a run took beyond the tool's own start and exit (a second or two
// under wine on a loaded machine), so that a bound tests the network wait.
inline double secondsFor(const std::function<void()>& run) {
    static const double startAndExit = wallSeconds([] { runTool("--version"); });
    return wallSeconds(run) - startAndExit;
}

class VaskiroTool : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("vaskiro-cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
                 std::to_string(getpid()));  // two suites at once (two clones) keep apart
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string path(const char* name) const { return (m_dir / name).string(); }

    std::filesystem::path m_dir;
};

// A tool process with its standard input and output (standard error with it) on pipes.
class Process {
public:
    // Waits for the first line that holds `readyWhen`, if given, and keeps it as `ready`.
    explicit Process(const std::string& arguments, const std::string& readyWhen = "") {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            dup2(out[1], STDERR_FILENO);
            for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
            execl("/bin/sh", "sh", "-c", ("exec " + toolCommand() + " " + arguments).c_str(), nullptr);
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        m_in = in[1];
        m_out = out[0];
        if (!readyWhen.empty()) ready = lineWith(readyWhen);
    }
    ~Process() {
        if (m_pid > 0 && m_code < 0) kill(m_pid, SIGKILL), finish();
        close(m_in);
        close(m_out);
    }
    void write(const std::string& line) { ::write(m_in, line.data(), line.size()); }
    // The next line that holds `text`, within `timeout`; empty when none came.
    std::string lineWith(const std::string& text, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        const auto until = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            for (std::size_t end; (end = m_buffer.find('\n')) != std::string::npos;) {
                std::string line = m_buffer.substr(0, end);
                m_buffer.erase(0, end + 1);
                all += line + '\n';
                if (line.find(text) != std::string::npos) return line;
            }
            pollfd p{m_out, POLLIN, 0};
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()).count();
            char chunk[4096];
            ssize_t got = 0;
            if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0 || (got = read(m_out, chunk, sizeof chunk)) <= 0)
                return {};
            m_buffer.append(chunk, static_cast<std::size_t>(got));
            std::erase(m_buffer, '\r');
        }
    }
    int finish() {
        int status = 0;
        if (m_code < 0 && waitpid(m_pid, &status, 0) == m_pid) m_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        lineWith("\x01", std::chrono::milliseconds(200));  // what is left of the output
        return m_code;
    }
    void interrupt(int signal = SIGINT) { kill(m_pid, signal); }
    void closeInput() { close(std::exchange(m_in, -1)); }
    void closeOutput() { close(std::exchange(m_out, -1)); }
    std::string all;  // every line read so far
    std::string ready;

private:
    pid_t m_pid = -1;
    int m_in = -1, m_out = -1, m_code = -1;
    std::string m_buffer;
};

// A loopback UDP port the kernel has just handed out.
inline int freePort() {
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    close(s);
    return ntohs(address.sin_port);
}
