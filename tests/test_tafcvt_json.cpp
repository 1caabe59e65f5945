// The JSON form (-ou json) end to end: the built program on bulletins of the tests' own,
// compared byte for byte with lines worked out by hand (tests/data/json, each expected file
// says how), and on every bulletin at hand read back with a real JSON parser: one object per
// report, nothing else on standard output, text of any bytes escaped.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "testutil.h"

using nlohmann::ordered_json;
using testutil::RunResult;

namespace {

namespace fs = std::filesystem;

// The golden bulletins' folder holds their own defaults file, name conventions and stations;
// the program runs there so that the file names it reports are the same on every checkout.
const std::string GOLDEN = testutil::test_data("json");
const std::string BUILD = fs::path(TAFCVT_BIN).parent_path().string();
const fs::path CORPUS = fs::path(TAFCVT_SOURCE_DIR) / "../shared/corpus";

RunResult run_golden(const std::vector<std::string>& args, const std::string& input = "",
                     const std::vector<std::string>& env = {}) {
    std::vector<std::string> all = {"-df", "."};
    all.insert(all.end(), args.begin(), args.end());
    return testutil::run(TAFCVT_BIN, all, env, input, GOLDEN);
}

// The lines of text, each ended by "\n" (a last line without one is kept as it is).
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

ordered_json parsed(const std::string& line) {
    return ordered_json::parse(line, nullptr, /*allow_exceptions=*/false);
}

// The string at key; nothing when the key is missing or holds no string (null).
std::optional<std::string> text_at(const ordered_json& object, const char* key) {
    const auto at = object.find(key);
    if (at == object.end() || !at->is_string()) return std::nullopt;
    return at->get<std::string>();
}

// Where two parsed values differ, key by key, so that a failing line says which field.
void differences(const ordered_json& got, const ordered_json& want, const std::string& where,
                 std::string* out) {
    if (got.is_object() && want.is_object()) {
        for (const auto& [key, value] : want.items())
            differences(got.contains(key) ? got[key] : ordered_json(), value, where + "." + key,
                        out);
        for (const auto& [key, value] : got.items())
            if (!want.contains(key)) *out += where + "." + key + ": not expected\n";
    } else if (got.is_array() && want.is_array() && got.size() == want.size()) {
        for (size_t i = 0; i < want.size(); ++i)
            differences(got[i], want[i], where + "[" + std::to_string(i) + "]", out);
    } else if (got != want) {
        *out += where + ": " + got.dump() + ", expected " + want.dump() + "\n";
    }
}

// Text of a JSON string with every character below 256 turned back into its one byte, as the
// input had it (Latin-1); nothing when a character lies beyond.
std::optional<std::string> latin1(const std::string& utf8) {
    std::string bytes;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            bytes += static_cast<char>(((c & 0x03) << 6) | (utf8[++i] & 0x3F));
        } else {
            return std::nullopt;
        }
    }
    return bytes;
}

// A bulletin's text as the reader hands it on: carriage returns dropped, other control bytes
// and bytes 0x80-0xFF made blanks; then, as raw has it, every run of blanks made one blank.
std::string read_as_blanks(const std::string& text) {
    std::string out;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\r') continue;
        const char kept = c < 0x20 || c >= 0x80 ? ' ' : ch;
        if (kept != ' ' || out.empty() || out.back() != ' ') out += kept;
    }
    return out;
}

int count_of(const std::string& text, const std::string& mark) {
    int n = 0;
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + 1)) ++n;
    return n;
}

TEST(TafcvtJson, GoldenLinesWorkedOutByHand) {
    for (const char* date : {"24061212", "24123112", "24063018"}) {
        SCOPED_TRACE(date);
        RunResult r = run_golden({"-ba", "-ou", "json", date});
        EXPECT_EQ(r.status, 0);
        std::vector<std::string> want;
        for (const std::string& line :
             lines_of(testutil::read_file(GOLDEN + "/" + date + "_taf.jsonl")))
            if (!line.empty() && line[0] != '#') want.push_back(line);
        const std::vector<std::string> got = lines_of(r.out);
        ASSERT_FALSE(want.empty());
        EXPECT_EQ(got.size(), want.size());
        for (size_t i = 0; i < std::min(got.size(), want.size()); ++i) {
            SCOPED_TRACE("line " + std::to_string(i + 1));
            if (got[i] == want[i]) continue;
            const ordered_json report = parsed(got[i]);
            std::string diff = report.is_object() ? "" : "not a JSON object\n";
            if (report.is_object()) differences(report, parsed(want[i]), "report", &diff);
            ADD_FAILURE() << (diff.empty() ? "same values, other bytes" : diff);
            EXPECT_EQ(got[i], want[i]);
        }
    }
}

// Every bulletin at hand: the tests' own, the shipped samples, and the real ones of the
// corpus when it is there.
std::vector<fs::path> bulletins_at_hand() {
    std::vector<fs::path> files;
    auto add = [&files](const fs::path& dir, bool (*wanted)(const fs::path&)) {
        if (!fs::is_directory(dir)) return;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.is_regular_file() && wanted(entry.path())) files.push_back(entry.path());
    };
    add(GOLDEN, [](const fs::path& p) { return p.filename().string().ends_with("_taf"); });
    add(fs::path(TAFCVT_SOURCE_DIR) / "data/samples", [](const fs::path&) { return true; });
    for (const char* set : {"pyiem", "peers"})
        add(CORPUS / set, [](const fs::path& p) { return p.extension() == ".txt"; });
    std::sort(files.begin(), files.end());
    return files;
}

// The station of each report the decoded form heads with "ID: ", in order.
std::vector<std::string> decoded_stations(const std::string& decoded) {
    std::vector<std::string> stations;
    for (const std::string& line : lines_of(decoded))
        if (line.starts_with("ID: ")) stations.push_back(line.substr(4, 4));
    return stations;
}

TEST(TafcvtJson, EveryReportOfEveryBulletinIsOneObject) {
    int files = 0;
    for (const fs::path& file : bulletins_at_hand()) {
        SCOPED_TRACE(file.string());
        ++files;
        auto form = [&file](const char* output) {
            return testutil::run(TAFCVT_BIN,
                                 {"-df", BUILD, "-ba", "-ou", output, "@" + file.string()}, {});
        };
        RunResult json = form("json");
        RunResult eng = form("eng");
        RunResult dec = form("dec");
        EXPECT_EQ(json.status, 0);
        EXPECT_TRUE(json.out.empty() || json.out.back() == '\n');
        const int reports = count_of(eng.out, "The initial weather is:\n") +
                            count_of(eng.out, "(NIL).\n") + count_of(eng.out, "(CNL).\n");
        const std::vector<std::string> lines = lines_of(json.out);
        EXPECT_GT(reports, 0);  // each bulletin at hand holds reports
        EXPECT_EQ(static_cast<int>(lines.size()), reports);
        const std::string text = read_as_blanks(testutil::read_file(file.string()));
        std::vector<std::string> stations;
        std::vector<std::string> bad;  // told once a file: one fault of the form hides no other
        for (const std::string& line : lines) {
            const ordered_json report = parsed(line);
            const std::optional<std::string> raw_text = text_at(report, "raw");
            const std::optional<std::string> raw = latin1(raw_text.value_or(""));
            if (!report.is_object() || !raw_text || !raw) {
                bad.push_back(line.substr(0, 120));
                continue;
            }
            SCOPED_TRACE(line.substr(0, 120));
            EXPECT_NE(text.find(*raw), std::string::npos) << "raw is not the report's text";
            const std::optional<std::string> station = text_at(report, "station");
            if (!station) continue;
            stations.push_back(*station);
            EXPECT_NE(raw->find(*station), std::string::npos);
        }
        if (!bad.empty())
            ADD_FAILURE() << bad.size()
                          << " lines not an object with a Latin-1 raw text, the first: "
                          << bad.front();
        EXPECT_EQ(stations, decoded_stations(dec.out));
    }
    EXPECT_GE(files, 6);  // three of the tests' own, three shipped samples
}

// Bytes of every kind where the JSON form writes input text: report words (the reader makes
// control bytes and bytes 0x80-0xFF blanks), a station name and a file name (kept as they
// are, read as Latin-1).
TEST(TafcvtJson, AnyBytesGiveValidJson) {
    testutil::TempDir dir;
    std::string odd = "\"\\";
    for (int c = 1; c < 0x20; ++c)
        if (c != '\n') odd += static_cast<char>(c);
    for (int c = 0x7F; c <= 0xFF; ++c) odd += static_cast<char>(c);
    // Short lines: the reader cuts the control bytes that end one of its 128-byte pieces.
    std::string report = "TAF KXYZ 121130Z 1212/1312 18010KT P6SM SCT250";
    for (size_t i = 0; i < odd.size(); ++i)
        report += std::string(i % 16 == 0 ? "\n " : " ") + "Q" + odd[i] + "Z";
    const std::string name = "N\"\\\x01\x7f\x80\xe9\xff_Q";  // 20 characters at most
    const std::string path = dir.file("caf\xe9 \"q\" \\.txt");
    testutil::write_file(dir.file("sao.cty"), name + " ST US KXYZ 5 40.00 -90.00 200 99999 0\n");
    testutil::write_file(dir.file("jox.cfg"), "*.file_path " + dir.path() + "/\n");
    testutil::write_file(dir.file("name_conv"), "term_dat %D/%y%m%d%h_taf - 0\n");
    testutil::write_file(path, report + "=\n");
    RunResult r =
        testutil::run(TAFCVT_BIN, {"-df", dir.path(), "-ba", "-ou", "json", "@" + path}, {});
    EXPECT_EQ(r.status, 0);
    const std::vector<std::string> lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 1u) << r.out;
    EXPECT_EQ(lines[0].find('\x7f'), std::string::npos) << "0x7F is written \\u007f";
    const ordered_json j = parsed(lines[0]);  // the parser also refuses bytes that are not UTF-8
    ASSERT_TRUE(j.is_object()) << lines[0];
    struct Case {
        const char* key;
        std::string bytes;
    };
    const Case cases[] = {
        {"raw", read_as_blanks(report)},
        {"name", "N\"\\\x01\x7f\x80\xe9\xff Q"},
        {"file", path},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const std::optional<std::string> text = text_at(j, c.key);
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(latin1(*text), c.bytes);
    }
}

// Standard output carries the JSON lines alone, whatever else the output items and the
// message levels ask for; what those add goes to standard error.
TEST(TafcvtJson, StandardOutputHoldsOnlyTheLines) {
    const RunResult plain = run_golden({"-ba", "-ou", "json", "24061212"});
    const std::vector<std::string> lines = lines_of(plain.out);
    ASSERT_EQ(lines.size(), 5u);
    for (const std::string& line : lines) EXPECT_TRUE(parsed(line).is_object()) << line;
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::vector<std::string> env;
        std::string input;
        std::string out;
        const char* on_error;  // a text the added messages show on standard error, or null
    };
    // clang-format off
    const Case cases[] = {
        {"raw echo asked before", {"-ba", "-ou", "code+eng,json", "24061212"}, {}, "", plain.out, nullptr},
        {"decoded and echo before", {"-ba", "-ou", "dec+eng,json", "24061212"}, {}, "", plain.out, nullptr},
        {"heading, echo and LEFT", {"-ba", "-ou", "json", "-me", "out4", "24061212"}, {}, "", plain.out, "LEFT: "},
        {"scanner traces", {"-ba", "-ou", "json", "-me", "debug", "24061212"}, {}, "", plain.out, "SCANP:"},
        {"from the environment", {"-ba", "24061212"}, {"joxout=json"}, "", plain.out, nullptr},
        {"station prompt", {"-ou", "json", "24061212"}, {}, "KDSM\n", lines[0] + "\n",
         "Enter the desired identifier"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunResult r = run_golden(c.args, c.input, c.env);
        EXPECT_EQ(r.status, 0);
        for (const std::string& line : lines_of(r.out))
            if (!parsed(line).is_object())
                ADD_FAILURE() << "standard output: " << line.substr(0, 120);
        EXPECT_TRUE(r.out == c.out) << "other lines than -ou json alone writes";
        if (c.on_error != nullptr) {
            EXPECT_NE(r.err.find(c.on_error), std::string::npos)
                << "standard error lacks \"" << c.on_error << "\": " << r.err.substr(0, 300);
        }
    }
}

}  // namespace
