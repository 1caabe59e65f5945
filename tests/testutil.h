// Helpers shared by the tests: temporary folders, writing files, capturing what the program
// writes to standard output and standard error, and running the built converter.
#ifndef TAFCVT_TESTUTIL_H
#define TAFCVT_TESTUTIL_H

#include <string>
#include <vector>

namespace testutil {

// A fresh temporary folder, removed with everything in it when the object goes.
class TempDir {
   public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // path()/name
    std::string file(const std::string& name) const;

   private:
    std::string path_;
};

void write_file(const std::string& path, const std::string& text);
std::string read_file(const std::string& path);

// Captures standard output or standard error (file descriptor level) between start and
// stop; stop returns what was written.
class Capture {
   public:
    explicit Capture(int fd);  // 1 or 2
    ~Capture();
    std::string stop();

   private:
    int fd_;
    int saved_ = -1;
    std::string path_;
    bool stopped_ = false;
};

struct RunResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs a program with arguments and an environment of its own (only what is given plus
// PATH and HOME), feeding input to its standard input. The program is run from cwd when not
// empty; one still running after a minute is stopped (status -1).
RunResult run(const std::string& program, const std::vector<std::string>& args,
              const std::vector<std::string>& env, const std::string& input = "",
              const std::string& cwd = "");

// Folder of the project's own test bulletins and data.
std::string test_data(const std::string& name);

}  // namespace testutil

#endif
