// InputScriptReader: the one input-script language (see InputScriptReader.h).
#include "platform/headless/InputScriptReader.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "platform/TextIo.h"

namespace plat::headless {

const ScriptRules kGameScriptRules{0,
                                   "line ",
                                   "a pass number (0 or more) must come first",
                                   "",
                                   "unknown event ",
                                   true,
                                   "wheel needs notches",
                                   "wheel needs notches"};

const ScriptRules kEditorScriptRules{1,
                                     "input script line ",
                                     "the pass must be a number from 1",
                                     "missing action",
                                     "unknown action",
                                     false,
                                     "bad number",
                                     "wheel N"};

namespace {

// A whole word of decimal digits with an optional sign.
bool toNumber(const std::string& s, long long& out) {
    const char* b = s.data();
    const char* end = s.data() + s.size();
    if (b != end && *b == '+') ++b;
    if (b != end && *b == '+') return false;
    auto [p, ec] = std::from_chars(b, end, out);
    return ec == std::errc() && p == end && b != end;
}

bool inRange(long long v, long long lo, long long hi) {
    return v >= lo && v <= hi;
}

int buttonOf(const std::string& word) {
    if (word == "left") return 1;
    if (word == "right") return 2;
    if (word == "middle") return 3;
    return 0;
}

// Reads one line that is neither blank nor a comment; "" when it holds an event, else why not.
std::string readLine(const std::string& line, std::vector<std::string> w, const ScriptRules& rules,
                     ScriptEvent& ev) {
    using Kind = ScriptEvent::Kind;
    if (w.size() >= 2 && w[1] == "answer") {
        // The path is the rest of the line after "answer" and one blank, kept whole.
        std::string path = line.substr(line.find("answer") + 6);
        if (!path.empty()) path.erase(0, 1);
        while (!path.empty() && (path.back() == ' ' || path.back() == '\t')) path.pop_back();
        w.resize(2);
        w.push_back(path);
    }
    long long pass = 0;
    if (!toNumber(w[0], pass) || pass < rules.firstPass) return rules.badPass;
    ev.pass = pass;
    if (w.size() < 2 && *rules.missingVerb) return rules.missingVerb;
    const std::string what = w.size() > 1 ? w[1] : "";

    // The spellings with a scan code first or `key` and a direction, the mouse, joystick and quit
    // words: each checks its own words.
    long long v1 = 0, v2 = 0;
    auto upDown = [&](std::size_t at, bool& down) {
        if (w.size() != at + 1) return false;
        if (w[at] == "down") {
            down = true;
        } else if (w[at] == "up") {
            down = false;
        } else {
            return false;
        }
        return true;
    };
    if ((what == "key" && w.size() == 4) || (!what.empty() && toNumber(what, v1))) {
        const std::size_t i = what == "key" ? 2 : 1;
        if (!toNumber(w[i], v1) || !inRange(v1, 0, 255)) return "a key needs a scan code 0..255";
        if (!upDown(i + 1, ev.down)) return "a key needs 'down' or 'up'";
        ev.kind = Kind::Key;
        ev.a = static_cast<int>(v1);
        return "";
    }
    if (what == "mouse") {
        if (w.size() != 4 || !toNumber(w[2], v1) || !toNumber(w[3], v2) || !inRange(v1, -100000, 100000) ||
            !inRange(v2, -100000, 100000))
            return "mouse needs x and y";
        ev.kind = Kind::Mouse;
        ev.a = static_cast<int>(v1);
        ev.b = static_cast<int>(v2);
        return "";
    }
    if (what == "mousebutton") {
        if (w.size() < 3 || !toNumber(w[2], v1) || !inRange(v1, 1, 3)) return "mousebutton needs 1, 2 or 3";
        if (!upDown(3, ev.down)) return "mousebutton needs 'down' or 'up'";
        ev.kind = Kind::MouseButton;
        ev.a = static_cast<int>(v1);
        return "";
    }
    if (what == "joystick") {
        if (w.size() != 4 || !toNumber(w[2], v1) || !toNumber(w[3], v2) || !inRange(v1, -1, 1) ||
            !inRange(v2, -1, 1))
            return "joystick needs x and y, each -1, 0 or 1";
        ev.kind = Kind::Joystick;
        ev.a = static_cast<int>(v1);
        ev.b = static_cast<int>(v2);
        return "";
    }
    if (what == "joybutton") {
        if (w.size() < 3 || !toNumber(w[2], v1) || !inRange(v1, 1, 32)) return "joybutton needs 1..32";
        if (!upDown(3, ev.down)) return "joybutton needs 'down' or 'up'";
        ev.kind = Kind::JoyButton;
        ev.a = static_cast<int>(v1);
        return "";
    }
    if (what == "quit") {
        if (w.size() != 2) return "quit takes nothing more";
        ev.kind = Kind::Quit;
        return "";
    }
    if (what == "press" || what == "release") {
        const int button = w.size() == 3 ? buttonOf(w[2]) : 0;
        if (button == 0) return "press|release left|right|middle";
        ev.kind = Kind::MouseButton;
        ev.a = button;
        ev.down = what == "press";
        return "";
    }
    if (what == "reply") {
        if (w.size() != 3 || (w[2] != "yes" && w[2] != "no")) return "reply yes|no";
        ev.kind = Kind::Reply;
        ev.down = w[2] == "yes";
        return "";
    }
    if (what == "answer") {
        ev.kind = Kind::Answer;
        ev.text = w.size() > 2 ? w[2] : std::string();
        return "";
    }

    // The verbs followed by plain numbers: every number is checked first, then their count.
    static const char* const numbered[] = {"move",  "wheel", "key",    "keydown",
                                           "keyup", "menu",  "gadget", "close"};
    if (std::find(std::begin(numbered), std::end(numbered), what) == std::end(numbered)) {
        if (rules.namesUnknown) return std::string(rules.unknownVerb) + "'" + what + "'";
        return rules.unknownVerb;
    }
    std::vector<long long> nums;
    for (std::size_t i = 2; i < w.size(); ++i) {
        long long v = 0;
        if (!toNumber(w[i], v) || !inRange(v, -1000000, 1000000))
            return what == "wheel" ? rules.wheelNumber : "bad number";
        nums.push_back(v);
    }
    const auto need = [&](std::size_t lo, std::size_t hi) { return nums.size() >= lo && nums.size() <= hi; };
    if (what == "move") {
        if (!need(2, 2)) return "move X Y";
        ev.kind = Kind::Mouse;
    } else if (what == "wheel") {
        if (!need(1, 1)) return rules.wheelCount;
        ev.kind = Kind::Wheel;
    } else if (what == "key" || what == "keydown" || what == "keyup") {
        if (!need(1, 1) || nums[0] < 1 || nums[0] > 255) return "key SCANCODE (1..255)";
        ev.kind = what == "key" ? Kind::KeyTap : Kind::Key;
        ev.down = what == "keydown";
    } else if (what == "menu") {
        if (!need(1, 2)) return "menu ITEM [WINDOW]";
        ev.kind = Kind::Menu;
        if (nums.size() == 1) nums.push_back(102); // the tile window
    } else if (what == "gadget") {
        if (!need(1, 2)) return "gadget N [WINDOW]";
        ev.kind = Kind::Gadget;
        if (nums.size() == 1) nums.push_back(103); // the DNA window
    } else {
        if (!need(1, 1)) return "close WINDOW";
        ev.kind = Kind::Close;
    }
    ev.a = static_cast<int>(nums[0]);
    ev.b = nums.size() > 1 ? static_cast<int>(nums[1]) : 0;
    return "";
}

} // namespace

bool readInputScript(std::string_view text, const ScriptRules& rules, std::vector<ScriptEvent>& out,
                     std::string& error) {
    out.clear();
    const std::vector<std::string> lines = textio::splitLines(text);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::istringstream in(lines[n]);
        std::vector<std::string> words;
        for (std::string word; in >> word;) words.push_back(word);
        if (words.empty() || words[0][0] == '#') continue;
        ScriptEvent ev;
        const std::string why = readLine(lines[n], std::move(words), rules, ev);
        if (!why.empty()) {
            error = rules.linePrefix + std::to_string(n + 1) + ": " + why;
            out.clear();
            return false;
        }
        out.push_back(std::move(ev));
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const ScriptEvent& x, const ScriptEvent& y) { return x.pass < y.pass; });
    return true;
}

} // namespace plat::headless
