// The briefing table (TAF_TABLE_WRITER, -ou table): for a person at a terminal, each report
// as a heading line and one line per period in fixed columns, its flight category after
// carry-over beside the period's groups as written, in color when wanted.
//
// The driver settles the colors once (TAF_table_wants_color, TAF_table_set_color) before the
// first report. State: whether lines are colored, and the text of the last report written.
#ifndef TAFCVT_TAF_TABLE_H
#define TAFCVT_TAF_TABLE_H

#include <string_view>

// Whether the table is colored. setting is the resource color ("on", "off" or "auto", case
// ignored; null when not given); no_color the environment's NO_COLOR (null when not set);
// terminal whether standard output is one. auto (and no setting) colors a terminal when
// NO_COLOR is unset or empty. *unknown is set when the setting is none of the three words,
// which counts as auto.
bool TAF_table_wants_color(const char* setting, const char* no_color, bool terminal,
                           bool* unknown);
// Colors the lines of the reports written from now on (on) or not. Returns 0.
int TAF_table_set_color(bool on);

// What the table writer wrote for the last report, escape codes included, without the empty
// line that follows it; valid until the next report. For checks of what was written whatever
// the message level.
std::string_view TAF_table_last_text();

#endif
