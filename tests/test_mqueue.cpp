// Loop-window exchange over a real System V message queue. A stand-in window runs as a child
// process of the test: it owns nothing, answers on a queue the test creates, and writes every
// message it receives to a log ("<status character><text>" per line). Every queue the test
// creates is removed, also when a test fails or the program dies of a signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "def_read.h"
#include "flag.h"
#include "mess.h"
#include "mqueue.h"
#include "resrc.h"
#include "system.h"
#include "testutil.h"

extern char** environ;

using testutil::Capture;
using testutil::TempDir;
using testutil::write_file;

namespace {

// ---- Queues of this test, removed whatever happens ----

constexpr int MAX_QUEUES = 16;
int created[MAX_QUEUES];
int created_count = 0;
pid_t owner = 0;

void remove_created() {
    if (getpid() != owner) return;  // forked children leave the queues to the test
    for (int i = 0; i < created_count; ++i)
        if (created[i] >= 0) msgctl(created[i], IPC_RMID, nullptr);
    created_count = 0;
}

void remove_on_signal(int sig) {
    remove_created();
    signal(sig, SIG_DFL);
    raise(sig);
}

void guard_queues() {
    if (owner != 0) return;
    owner = getpid();
    atexit(remove_created);
    for (int sig : {SIGINT, SIGTERM, SIGSEGV, SIGABRT, SIGBUS, SIGFPE})
        signal(sig, remove_on_signal);
}

// A fresh queue under a key nobody uses.
class Queue {
   public:
    Queue() {
        guard_queues();
        key_ = 0x3A000000 + (getpid() & 0xFFFF) * 64 + created_count;
        while ((id_ = msgget(key_, IPC_CREAT | IPC_EXCL | 0600)) < 0 && errno == EEXIST) ++key_;
        if (id_ >= 0 && created_count < MAX_QUEUES) created[slot_ = created_count++] = id_;
    }
    ~Queue() {
        if (id_ >= 0) msgctl(id_, IPC_RMID, nullptr);
        if (slot_ >= 0) created[slot_] = -1;
    }
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;
    int id() const { return id_; }
    std::string number() const { return std::to_string(key_); }

   private:
    int key_ = 0;
    int id_ = -1;
    int slot_ = -1;
};

// ---- The stand-in window ----

struct Script {
    bool silent = false;  // answers nothing, not even the handshake
    bool refuse = false;  // answers the handshake with a status other than 2
    int conn = 5;         // connection number handed out
    int end_status = 1;   // status that ends each answer to a query
    std::map<std::string, std::vector<std::string>> values;  // value lines per resource
};

struct Message {
    long mtype;
    char mtext[MQ_TEXT_SIZE + 4];
};

void reply(int qid, long type, char status, const std::string& text) {
    Message m = {};
    m.mtype = type;
    m.mtext[0] = status;
    snprintf(m.mtext + 1, MQ_TEXT_SIZE - 1, "%s", text.c_str());
    msgsnd(qid, &m, MQ_TEXT_SIZE, 0);
}

[[noreturn]] void serve(int qid, const Script& s, const std::string& log_path) {
    alarm(20);  // never outlive a broken test
    FILE* log = fopen(log_path.c_str(), "w");
    Message m;
    while (msgrcv(qid, &m, MQ_TEXT_SIZE, 1, 0) >= 0) {
        std::string text(m.mtext + 1);
        fprintf(log, "%c%s\n", m.mtext[0], text.c_str());
        fflush(log);
        if (s.silent) continue;
        if (m.mtext[0] == '/') {
            reply(qid, 2, s.refuse ? '1' : '2', std::to_string(s.conn));
        } else if (text.rfind("query res ", 0) == 0) {
            auto found = s.values.find(text.substr(10));
            if (found != s.values.end())
                for (const auto& v : found->second) reply(qid, s.conn, '0', v);
            reply(qid, s.conn, static_cast<char>('0' + s.end_status), "");
        } else {
            reply(qid, s.conn, '1', "");
        }
    }
    _exit(0);
}

class Window {
   public:
    Window(const Queue& q, const Script& s) : log_(dir_.file("log")) {
        fflush(stdout);
        fflush(stderr);
        pid_ = fork();
        if (pid_ == 0) serve(q.id(), s, log_);
    }
    ~Window() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    // Every message received so far, one per line.
    std::vector<std::string> log() const {
        std::vector<std::string> lines;
        std::istringstream in(testutil::read_file(log_));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

   private:
    TempDir dir_;
    std::string log_;
    pid_t pid_ = -1;
};

// ---- The program side ----

const res_type KEYS[] = {RES_identifier, RES_output, RES_product, RES_null};
const res_type POS[] = {RES_null};

class Mqueue : public ::testing::Test {
   protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        MESS_reset();
        RES_reset();
        DEF_reset();
        MQ_reset();
        std::vector<std::string> names;
        for (char** e = environ; *e != nullptr; ++e)
            if (strncmp(*e, "jox", 3) == 0) names.emplace_back(*e, strcspn(*e, "="));
        for (const auto& n : names) unsetenv(n.c_str());
    }

    void init(const std::string& path, const std::vector<std::string>& args = {}) {
        setenv("joxdefault", path.c_str(), 1);
        args_ = {"tafcvt"};
        args_.insert(args_.end(), args.begin(), args.end());
        argv_.clear();
        for (auto& a : args_) argv_.push_back(a.data());
        argv_.push_back(nullptr);
        RES_init(static_cast<int>(args_.size()), argv_.data(), KEYS, POS);
    }
    std::string get(const char* name) {
        const char* v = RES_get(name);
        return v != nullptr ? v : "<null>";
    }
    std::string uid() { return std::to_string(getuid()); }

    TempDir files_;
    std::vector<std::string> args_;
    std::vector<char*> argv_;
};

TEST_F(Mqueue, NoQueueWarnsAndTheRunGoesOn) {
    std::string unused;
    {
        Queue gone;
        unused = gone.number();
    }
    write_file(files_.file("jox.cfg"), "tafcvt.identifier KORD\n");
    Capture err(2);
    init("#" + unused + ":#abc:#0:" + files_.path());
    EXPECT_EQ(err.stop(), "JOXloop window: " + unused +
                              " not running or no message queue exists\n"
                              "JOXloop window: abc not running or no message queue exists\n"
                              "JOXloop window: 0 not running or no message queue exists\n");
    EXPECT_EQ(get("identifier"), "KORD");
}

TEST_F(Mqueue, ExchangeWithTheWindow) {
    Queue q;
    ASSERT_GE(q.id(), 0);
    Script s;
    s.values["identifier"] = {"KORD\n"};
    s.values["output"] = {"!remark\n", "\n", "english\n"};
    Window w(q, s);
    write_file(files_.file("jox.cfg"), "tafcvt.product FT%s\n");
    init(files_.path() + ":#" + q.number(), {"-ou", "100%d", "-unknown", "x"});
    EXPECT_EQ(get("identifier"), "KORD");  // from the window
    EXPECT_EQ(get("output"), "100%d");     // the command line wins over the window
    EXPECT_EQ(get("product"), "FT%s");
    std::vector<std::string> want = {
        "/" + uid(),
        "5query res identifier",
        "5query res output",
        "5query res product",
        "5set res product FT%s",  // a value the window lacked, sent as it stands
        "5set res output 100%d",  // an option that found a row
        "5quit",
    };
    EXPECT_EQ(w.log(), want);
}

TEST_F(Mqueue, WindowRanksLikeADefaultsFileAtItsPlace) {
    Queue q;
    Script s;
    s.values["identifier"] = {"WINDOW\n"};
    s.values["output"] = {"WINDOW\n"};
    s.values["product"] = {"WINDOW\n"};
    Window w(q, s);
    write_file(files_.file("jox.cfg"), "tafcvt.identifier FILE\n");
    setenv("joxout", "ENV", 1);
    init("#" + q.number() + ":" + files_.path());
    EXPECT_EQ(get("identifier"), "FILE");
    EXPECT_EQ(get("output"), "ENV");
    EXPECT_EQ(get("product"), "WINDOW");
}

TEST_F(Mqueue, WindowNotRunningItsLoop) {
    Queue q;
    Script s;
    s.end_status = -3;
    Window w(q, s);
    Capture err(2);
    init("#" + q.number());
    EXPECT_EQ(err.stop(), "JOXloop not running!\nJOXloop not running!\nJOXloop not running!\n");
}

TEST_F(Mqueue, RefusedHandshake) {
    Queue q;
    Script s;
    s.refuse = true;
    Window w(q, s);
    write_file(files_.file("jox.cfg"), "tafcvt.identifier KORD\n");
    Capture err(2);
    init("#" + q.number() + ":" + files_.path(), {"-id", "KDEN"});
    EXPECT_EQ(err.stop(), "JOXloop window: " + q.number() + " unable to connect\n");
    EXPECT_EQ(get("identifier"), "KDEN");
    EXPECT_EQ(w.log(), std::vector<std::string>{"/" + uid()});  // nothing after the refusal
}

TEST_F(Mqueue, LaterWindowReplacesTheFirst) {
    Queue q1;
    Queue q2;
    Script s;
    Window w1(q1, s);
    s.conn = 6;
    Window w2(q2, s);
    init("#" + q1.number() + ":#" + q2.number(), {"-id", "KORD"});
    EXPECT_EQ(w1.log().back(), "5quit");
    EXPECT_EQ(w1.log().size(), 5u);  // handshake, three queries, quit
    std::vector<std::string> log2 = w2.log();
    ASSERT_EQ(log2.size(), 6u);
    EXPECT_EQ(log2[4], "6set res identifier KORD");
    EXPECT_EQ(log2[5], "6quit");
}

TEST_F(Mqueue, SilentWindowEndsTheProgram) {
    Queue q;
    Script s;
    s.silent = true;
    Window w(q, s);
    MQ_set_timeout(1);
    EXPECT_EXIT(init("#" + q.number()), ::testing::ExitedWithCode(JOX_EXIT_NO_WINDOW),
                "Queue not responding!!");
}

TEST_F(Mqueue, MessagesThatDoNotFit) {
    Queue q;
    Capture err(2);
    // Status character, text and NUL share the MQ_TEXT_SIZE bytes.
    EXPECT_EQ(MQ_put(q.id(), 5, "%s", std::string(MQ_TEXT_SIZE - 1, 'x').c_str()), -1);
    EXPECT_EQ(MQ_put(q.id(), 5, "%s", std::string(MQ_TEXT_SIZE - 2, 'x').c_str()), 0);
    EXPECT_EQ(err.stop(), "MQ_put: message too long, not sent\n");
    struct msqid_ds info;
    ASSERT_EQ(msgctl(q.id(), IPC_STAT, &info), 0);
    EXPECT_EQ(info.msg_qnum, 1u);
    char item[MQ_TEXT_SIZE];
    EXPECT_EQ(MQ_get(q.id(), 1, item), 5);
    EXPECT_EQ(std::string(item), std::string(MQ_TEXT_SIZE - 2, 'x'));
    EXPECT_EQ(MQ_clear(q.id(), 1), -1);
}

TEST_F(Mqueue, OpeningAndReceiveErrors) {
    EXPECT_EQ(MQ_open(0), MQ_NO_QUEUE);  // never the private key, which would make a queue
    EXPECT_EQ(MQ_open(-4), MQ_NO_QUEUE);
    int id;
    {
        Queue q;
        id = q.id();
        EXPECT_EQ(MQ_open(std::stoi(q.number())), q.id());
    }
    char item[MQ_TEXT_SIZE] = "stale";
    EXPECT_EQ(MQ_get(id, 5, item), -1);  // the queue is gone
    EXPECT_STREQ(item, "");
}

}  // namespace
