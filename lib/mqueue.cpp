// Loop-window message queue; see mqueue.h.
#include "mqueue.h"

#include <sys/ipc.h>
#include <sys/msg.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mess.h"
#include "system.h"

namespace {

constexpr long TO_WINDOW = 1;          // type of every message a program sends
constexpr long CONNECT_ANSWER = 2;     // type of the answer to a connection request
constexpr int CONNECT_STATUS = 2;      // status of that answer
constexpr int CONNECT_REQUEST = -1;    // connection number of the request ("/")
constexpr M_type TRACE = 0x80000000u;  // debug sub-level d
constexpr int QUICK_POLLS = 2;         // polls followed at once by the next
constexpr int SHORT_WAIT_POLLS = 200;  // up to here 0.1 s between polls, then 1 s
constexpr float SHORT_WAIT = 0.1f;
constexpr float LONG_WAIT = 1.0f;

struct mqueuebuf {
    long mtype;                    // 1 to the window; the connection number from it
    char mtext[MQ_TEXT_SIZE + 4];  // status character, then the text and its NUL
};

int timeout = MQ_TIMEOUT;  // seconds the window has to answer
mqueuebuf msgb;            // receive buffer

void install_handler() {
    struct sigaction action = {};
    action.sa_handler = MQ_intrp;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
}

int status_of(const mqueuebuf& buf) {
    return buf.mtext[0] - '0';
}

// One non-blocking receive into msgb: its size, or -1 with the error number in *err.
long poll_once(int msgqid, long type, int* err) {
    long got = msgrcv(msgqid, &msgb, MQ_TEXT_SIZE, type, IPC_NOWAIT | MSG_NOERROR);
    *err = got < 0 ? errno : 0;
    return got;
}

}  // namespace

int MQ_open(int num) {
    install_handler();
    long key = static_cast<long>(num) + MQ_KEY_OFFSET;
    // The private key would make a new queue instead of finding the window's.
    if (key <= 0 || key > 0x7FFFFFFF) return MQ_NO_QUEUE;
    int id = msgget(static_cast<key_t>(key), 0);
    if (id >= 0) return id;
    return errno == ENOENT ? MQ_NO_QUEUE : MQ_NO_ACCESS;
}

int MQ_connect(int msgqid) {
    MQ_clear(msgqid, CONNECT_ANSWER);
    if (MQ_put(msgqid, CONNECT_REQUEST, "%d", static_cast<int>(getuid())) != 0) return -1;
    char item[MQ_TEXT_SIZE];
    if (MQ_get(msgqid, CONNECT_ANSWER, item) != CONNECT_STATUS) return -1;
    char* end = nullptr;
    long conn = strtol(item, &end, 10);
    if (end == item || conn < MQ_CONN_MIN || conn > MQ_CONN_MAX) return -1;
    MQ_clear(msgqid, conn);
    return static_cast<int>(conn);
}

int MQ_put(int msgqid, int conn_id, const char* format, ...) {
    mqueuebuf buf = {};
    buf.mtype = TO_WINDOW;
    buf.mtext[0] = static_cast<char>('0' + conn_id);
    va_list args;
    va_start(args, format);
    int len = vsnprintf(buf.mtext + 1, MQ_TEXT_SIZE - 1, format, args);
    va_end(args);
    if (len < 0 || len >= MQ_TEXT_SIZE - 1) {
        MESS_print(MESS_WARN, "MQ_put: message too long, not sent\n");
        return -1;
    }
    MESS_print(TRACE, "PUT:%d:%s\n", conn_id, buf.mtext + 1);
    MQ_enable_alarm();
    int result = msgsnd(msgqid, &buf, MQ_TEXT_SIZE, 0);
    MQ_disable_alarm();
    return result < 0 ? -1 : 0;
}

int MQ_get(int msgqid, int conn_id, char* item) {
    MQ_enable_alarm();
    long got;
    int err;
    for (int polls = 0;;) {
        got = poll_once(msgqid, conn_id, &err);
        MESS_print(TRACE, "GET-MSG:%d %ld %d %d\n", conn_id, got, err, polls);
        ++polls;
        if (polls > QUICK_POLLS) JOX_sleep(polls <= SHORT_WAIT_POLLS ? SHORT_WAIT : LONG_WAIT);
        if (got >= 0 || (err != ENOMSG && err != EINTR)) break;
    }
    MQ_disable_alarm();
    if (got <= 0) {
        item[0] = '\0';
        return -1;
    }
    msgb.mtext[got] = '\0';
    MESS_print(TRACE, "GET:%s\n", msgb.mtext + 1);
    // The answer may fill the whole receive text; item keeps what fits.
    size_t len = strnlen(msgb.mtext + 1, MQ_TEXT_SIZE - 1);
    memcpy(item, msgb.mtext + 1, len);
    item[len] = '\0';
    return status_of(msgb);
}

int MQ_clear(int msgqid, int index) {
    int err;
    while (poll_once(msgqid, index, &err) >= 0) {
    }
    return -1;
}

int MQ_enable_alarm() {
    install_handler();
    alarm(static_cast<unsigned>(timeout));
    return 0;
}

int MQ_disable_alarm() {
    alarm(0);
    return 0;
}

void MQ_intrp(int) {
    MESS_print(MESS_WARN, "Queue not responding!!\n");
    JOX_exit(JOX_EXIT_NO_WINDOW);
}

int MQ_set_timeout(int secs) {
    int previous = timeout;
    timeout = secs < 1 ? 1 : secs;
    return previous;
}

int MQ_reset() {
    MQ_disable_alarm();
    timeout = MQ_TIMEOUT;
    return 0;
}
