// Loop-window message queue: the exchange with the JOXloop window, a display program of the
// suite that can serve resources to the programs started from it. The window owns a System V
// message queue; a program opens it (never creates or removes it), connects with a
// handshake, then sends queries and reports and reads the answers addressed to it.
//
// Every message is MQ_TEXT_SIZE bytes: a status character ("0" plus a small number) and a
// NUL-terminated text. Messages to the window have type 1 and carry the connection number
// as status ("/" for the connection request); answers carry the connection number as type
// (2 for the connection answer) and a status: 0 a value line, 2 the connection answer, -3
// the window is not running its loop, anything else ends an answer.
//
// State: the alarm time (MQ_TIMEOUT seconds unless changed with MQ_set_timeout) and the
// receive buffer. Every send and every wait runs under the alarm; when it rings, MQ_intrp
// prints "Queue not responding!!" and ends the program with status JOX_EXIT_NO_WINDOW.
#ifndef JOX_MQUEUE_H
#define JOX_MQUEUE_H

inline constexpr int MQ_TEXT_SIZE = 120;  // bytes sent and received per message
inline constexpr int MQ_TIMEOUT = 20;     // seconds the window has to answer
inline constexpr int MQ_KEY_OFFSET = 0;   // added to a window number to form the queue key
inline constexpr int MQ_NO_QUEUE = -1;    // MQ_open: no queue for the window number
inline constexpr int MQ_NO_ACCESS = -2;   // MQ_open: the queue exists but cannot be opened
inline constexpr int MQ_CONN_MIN = 2;     // connection numbers a window may hand out
inline constexpr int MQ_CONN_MAX = 79;    // (the status character stays printable)

// Installs the alarm handler and opens the existing queue of window number num (never
// creating one). The queue identifier, MQ_NO_QUEUE when there is no such queue (or num is not
// a usable key), MQ_NO_ACCESS when it exists but cannot be opened.
int MQ_open(int num);
// The connection handshake: sends the user's numeric identifier as a connection request and
// waits for the answer. The connection number, or -1 when the window refuses or answers with
// a number outside MQ_CONN_MIN..MQ_CONN_MAX.
int MQ_connect(int msgqid);
// Sends one message of type 1 whose text is formatted like printf. 0, or -1 when the send
// fails or the text does not fit (then nothing is sent; a warning says so).
int MQ_put(int msgqid, int conn_id, const char* format, ...) __attribute__((format(printf, 3, 4)));
// Waits for the next message of type conn_id and copies its text into item (MQ_TEXT_SIZE
// bytes). The status number, or -1 (item empty) on a receive error.
int MQ_get(int msgqid, int conn_id, char* item);
// Discards every waiting message of type index. -1.
int MQ_clear(int msgqid, int index);
// Installs the alarm handler and starts the alarm. 0.
int MQ_enable_alarm();
// Cancels the alarm. 0.
int MQ_disable_alarm();
// The alarm handler: prints "Queue not responding!!" at level warn and ends the program with
// status JOX_EXIT_NO_WINDOW.
[[noreturn]] void MQ_intrp(int sig);
// Sets the alarm time in seconds (values below 1 are taken as 1); returns the previous one.
int MQ_set_timeout(int secs);
// Back to the start state (alarm time MQ_TIMEOUT, no alarm running). 0.
int MQ_reset();

#endif
