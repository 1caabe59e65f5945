// Helpers shared by the tests; see testutil.h.
#include "testutil.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testutil {

namespace {
// A program run by a test that has not ended by then is stopped (it hangs): the test then
// fails at once instead of waiting for the test runner's limit.
constexpr unsigned RUN_SECONDS_MAX = 60;
}  // namespace

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tafcvt-test-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = buf.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& name) const { return path_ + "/" + name; }

void write_file(const std::string& path, const std::string& text) {
    std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

Capture::Capture(int fd) : fd_(fd) {
    fflush(stdout);
    fflush(stderr);
    char tmpl[] = "/tmp/tafcvt-capture-XXXXXX";
    int tmp = mkstemp(tmpl);
    if (tmp < 0) throw std::runtime_error("mkstemp failed");
    path_ = tmpl;
    saved_ = dup(fd_);
    dup2(tmp, fd_);
    close(tmp);
}

std::string Capture::stop() {
    if (stopped_) return "";
    fflush(stdout);
    fflush(stderr);
    dup2(saved_, fd_);
    close(saved_);
    stopped_ = true;
    std::string text = read_file(path_);
    unlink(path_.c_str());
    return text;
}

Capture::~Capture() { stop(); }

RunResult run(const std::string& program, const std::vector<std::string>& args,
              const std::vector<std::string>& env, const std::string& input,
              const std::string& cwd) {
    TempDir io;
    std::string in_path = io.file("stdin");
    std::string out_path = io.file("stdout");
    std::string err_path = io.file("stderr");
    write_file(in_path, input);

    std::vector<std::string> envs = env;
    if (const char* path = getenv("PATH")) envs.push_back(std::string("PATH=") + path);
    if (const char* home = getenv("HOME")) envs.push_back(std::string("HOME=") + home);
    for (const char* keep : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* v = getenv(keep)) envs.push_back(std::string(keep) + "=" + v);

    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        int in = open(in_path.c_str(), O_RDONLY);
        int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
        alarm(RUN_SECONDS_MAX);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const auto& e : envs) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    RunResult result;
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    result.out = read_file(out_path);
    result.err = read_file(err_path);
    return result;
}

std::string test_data(const std::string& name) { return std::string(TAFCVT_TEST_DATA) + "/" + name; }

}  // namespace testutil
