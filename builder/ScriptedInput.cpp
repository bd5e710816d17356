// ScriptedInput: scripted input for unattended runs.
#include "builder/ScriptedInput.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "platform/TextIo.h"

namespace tarn {

namespace {

bool number(const std::string& word, long& value) {
    if (word.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(word.c_str(), &end, 10);
    if (errno != 0 || end == nullptr || *end != '\0') return false;
    value = v;
    return true;
}

int buttonOf(const std::string& word) {
    if (word == "left") return 1;
    if (word == "right") return 2;
    if (word == "middle") return 3;
    return 0;
}

} // namespace

bool parseInputScript(std::string_view text, std::vector<ScriptAction>& out, std::string& error) {
    using Verb = ScriptAction::Verb;
    out.clear();
    const std::vector<std::string> lines = textio::splitLines(text);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::istringstream in(lines[n]);
        std::vector<std::string> words;
        for (std::string w; in >> w;) words.push_back(w);
        if (words.empty() || words[0][0] == '#') continue;
        if (words.size() >= 2 && words[1] == "answer") {
            // The path is the rest of the line after "answer" and one blank, kept whole.
            const std::string& line = lines[n];
            const std::size_t at = line.find("answer");
            std::string path = line.substr(at + 6);
            if (!path.empty()) path.erase(0, 1);
            while (!path.empty() && (path.back() == ' ' || path.back() == '\t')) path.pop_back();
            words.resize(2);
            words.push_back(path);
        }
        const auto fail = [&](const char* why) {
            error = "input script line " + std::to_string(n + 1) + ": " + why;
            return false;
        };
        ScriptAction act;
        long pass = 0;
        if (!number(words[0], pass) || pass < 1) return fail("the pass must be a number from 1");
        act.pass = pass;
        if (words.size() < 2) return fail("missing action");
        const std::string& verb = words[1];
        std::vector<long> nums;
        for (std::size_t i = 2; i < words.size(); ++i) {
            long v = 0;
            if (verb == "press" || verb == "release" || verb == "answer") break;
            if (!number(words[i], v) || v < -1000000 || v > 1000000) return fail("bad number");
            nums.push_back(v);
        }
        const auto need = [&](std::size_t lo, std::size_t hi) {
            return nums.size() >= lo && nums.size() <= hi;
        };
        if (verb == "move") {
            if (!need(2, 2)) return fail("move X Y");
            act.verb = Verb::Move;
        } else if (verb == "press" || verb == "release") {
            const int button = words.size() == 3 ? buttonOf(words[2]) : 0;
            if (button == 0) return fail("press|release left|right|middle");
            act.verb = verb == "press" ? Verb::Press : Verb::Release;
            nums = {button};
        } else if (verb == "wheel") {
            if (!need(1, 1)) return fail("wheel N");
            act.verb = Verb::Wheel;
        } else if (verb == "keydown" || verb == "keyup" || verb == "key") {
            if (!need(1, 1) || nums[0] < 1 || nums[0] > 255) return fail("key SCANCODE (1..255)");
            act.verb = verb == "keydown" ? Verb::KeyDown : verb == "keyup" ? Verb::KeyUp : Verb::Key;
        } else if (verb == "menu") {
            if (!need(1, 2)) return fail("menu ITEM [WINDOW]");
            act.verb = Verb::Menu;
            if (nums.size() == 1) nums.push_back(102);
        } else if (verb == "gadget") {
            if (!need(1, 2)) return fail("gadget N [WINDOW]");
            act.verb = Verb::Gadget;
            if (nums.size() == 1) nums.push_back(103);
        } else if (verb == "answer") {
            act.verb = Verb::Answer;
            act.text = words.size() > 2 ? words[2] : std::string();
        } else if (verb == "close") {
            if (!need(1, 1)) return fail("close WINDOW");
            act.verb = Verb::Close;
        } else {
            return fail("unknown action");
        }
        act.a = nums.size() > 0 ? static_cast<int>(nums[0]) : 0;
        act.b = nums.size() > 1 ? static_cast<int>(nums[1]) : 0;
        out.push_back(act);
    }
    // Ordered by pass, lines of one pass in file order (sorted by pass and line, without the
    // temporary buffer a stable sort takes).
    std::vector<std::pair<long, std::size_t>> order;
    order.reserve(out.size());
    for (std::size_t i = 0; i < out.size(); ++i) order.emplace_back(out[i].pass, i);
    std::sort(order.begin(), order.end());
    std::vector<ScriptAction> sorted;
    sorted.reserve(out.size());
    for (const auto& [pass, i] : order) sorted.push_back(std::move(out[i]));
    out = std::move(sorted);
    return true;
}

} // namespace tarn
