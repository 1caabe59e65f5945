// Process services shared by every program: the version text, an orderly exit, a sleep,
// and the terminal prompts with their two typed commands ("set" to set or list resources,
// "exit" to leave).
//
// Prompts are asked only outside batch mode; the callers test that. End of standard input at
// a prompt is reported at level error and ends the program with status 1 (no answer can come).
#ifndef JOX_SYSTEM_H
#define JOX_SYSTEM_H

inline constexpr int JOX_EXIT_OK = 0;
inline constexpr int JOX_EXIT_FAILURE = 1;
inline constexpr int JOX_EXIT_WRITE = 3;      // output could not be written (a full disk)
inline constexpr int JOX_EXIT_NO_WINDOW = 7;  // the loop window did not answer in time

// Asks for one word of at most length - 1 characters (a longer word is cut), showing prompt
// at level print without a newline. Lines are read up to 79 characters (the rest of a longer
// line is dropped); a command line ("set ...", "exit") or a line without a word asks again.
// str must hold length bytes; a null str gets length + 1 bytes allocated, owned by the caller
// (a length of 1 or less is then taken as 2). Returns str; null when allocation fails or when
// a given str has a length below 2 (it cannot hold a word; nothing is asked).
char* JOX_prompts(const char* prompt, char* str, int length);
// Asks for a number in the same way; text that is not a number asks again.
float JOX_promptf(const char* prompt);
// Carries out a typed command line: "set name value" or "set name=value" sets an unlisted
// resource (a name longer than 19 characters is refused with a warning), "set" alone lists
// them all; returns 1 for any line beginning with "set", 0 for no command; a line beginning
// with "exit" ends the program with status 0 (case ignored throughout).
int JOX_set_command(const char* string);
// Ends the program with status, flushing and closing the output streams; when output could
// not be written, says so once on standard error and ends with JOX_EXIT_WRITE instead.
[[noreturn]] void JOX_exit(int status);
// Waits secs seconds; -1 without waiting when secs is 0 or less, else 0.
int JOX_sleep(float secs);
// "5.60.2-LINUX-X11"
const char* JOX_version();

#endif
