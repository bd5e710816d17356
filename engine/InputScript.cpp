// InputScript: scripted input for headless runs.
#include "engine/InputScript.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "platform/TextIo.h"
#include "platform/test/TestPlatform.h"

namespace engine {

namespace {

bool toNumber(const std::string& s, long long& out) {
    const char* b = s.data();
    const char* end = s.data() + s.size();
    if (b != end && *b == '+') ++b;
    auto [p, ec] = std::from_chars(b, end, out);
    return ec == std::errc() && p == end && b != end;
}

bool inRange(long long v, long long lo, long long hi) {
    return v >= lo && v <= hi;
}

} // namespace

bool InputScript::parse(const std::string& text, std::string& error) {
    events_.clear();
    next_ = 0;
    const std::vector<std::string> lines = textio::splitLines(text);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::istringstream in(lines[n]);
        std::vector<std::string> w;
        for (std::string word; in >> word;) w.push_back(word);
        if (w.empty() || w[0][0] == '#') continue;
        auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(n + 1) + ": " + why;
            events_.clear();
            return false;
        };
        long long pass = 0;
        if (!toNumber(w[0], pass) || pass < 0) return fail("a pass number (0 or more) must come first");
        InputEvent ev;
        ev.pass = pass;
        std::size_t i = 1;
        std::string what = w.size() > 1 ? w[1] : "";
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
        if (what == "key" || (what.size() && toNumber(what, v1))) {
            if (what == "key") i = 2;
            if (w.size() <= i || !toNumber(w[i], v1) || !inRange(v1, 0, 255))
                return fail("a key needs a scan code 0..255");
            if (!upDown(i + 1, ev.down)) return fail("a key needs 'down' or 'up'");
            ev.kind = InputEvent::Kind::Key;
            ev.a = static_cast<int>(v1);
        } else if (what == "mouse") {
            if (w.size() != 4 || !toNumber(w[2], v1) || !toNumber(w[3], v2) ||
                !inRange(v1, -100000, 100000) || !inRange(v2, -100000, 100000))
                return fail("mouse needs x and y");
            ev.kind = InputEvent::Kind::Mouse;
            ev.a = static_cast<int>(v1);
            ev.b = static_cast<int>(v2);
        } else if (what == "mousebutton") {
            if (w.size() < 3 || !toNumber(w[2], v1) || !inRange(v1, 1, 3))
                return fail("mousebutton needs 1, 2 or 3");
            if (!upDown(3, ev.down)) return fail("mousebutton needs 'down' or 'up'");
            ev.kind = InputEvent::Kind::MouseButton;
            ev.a = static_cast<int>(v1);
        } else if (what == "wheel") {
            if (w.size() != 3 || !toNumber(w[2], v1) || !inRange(v1, -1000, 1000))
                return fail("wheel needs notches");
            ev.kind = InputEvent::Kind::Wheel;
            ev.a = static_cast<int>(v1);
        } else if (what == "joystick") {
            if (w.size() != 4 || !toNumber(w[2], v1) || !toNumber(w[3], v2) || !inRange(v1, -1, 1) ||
                !inRange(v2, -1, 1))
                return fail("joystick needs x and y, each -1, 0 or 1");
            ev.kind = InputEvent::Kind::Joystick;
            ev.a = static_cast<int>(v1);
            ev.b = static_cast<int>(v2);
        } else if (what == "joybutton") {
            if (w.size() < 3 || !toNumber(w[2], v1) || !inRange(v1, 1, 32))
                return fail("joybutton needs 1..32");
            if (!upDown(3, ev.down)) return fail("joybutton needs 'down' or 'up'");
            ev.kind = InputEvent::Kind::JoyButton;
            ev.a = static_cast<int>(v1);
        } else if (what == "quit") {
            if (w.size() != 2) return fail("quit takes nothing more");
            ev.kind = InputEvent::Kind::Quit;
        } else {
            return fail("unknown event '" + what + "'");
        }
        events_.push_back(ev);
    }
    std::stable_sort(events_.begin(), events_.end(),
                     [](const InputEvent& x, const InputEvent& y) { return x.pass < y.pass; });
    return true;
}

bool InputScript::load(const std::string& path, std::string& error) {
    std::string text;
    if (!textio::readFile(path, text)) {
        error = "cannot read " + path;
        return false;
    }
    return parse(text, error);
}

void InputScript::applyUpTo(plat::test::TestInput& in, std::int64_t pass) {
    // Joystick axes are kept between events so a button event does not move the stick.
    for (; next_ < events_.size() && events_[next_].pass <= pass; ++next_) {
        const InputEvent& ev = events_[next_];
        switch (ev.kind) {
        case InputEvent::Kind::Key:
            in.setKey(ev.a, ev.down);
            break;
        case InputEvent::Kind::Mouse:
            in.setMouse(ev.a, ev.b);
            break;
        case InputEvent::Kind::MouseButton:
            in.setMouseButton(ev.a, ev.down);
            break;
        case InputEvent::Kind::Wheel:
            in.addWheel(ev.a);
            break;
        case InputEvent::Kind::Joystick:
            joyX_ = ev.a;
            joyY_ = ev.b;
            in.setJoystick(true, ev.a, ev.b);
            break;
        case InputEvent::Kind::JoyButton:
            in.setJoystick(true, joyX_, joyY_);
            in.setJoystickButton(ev.a, ev.down);
            break;
        case InputEvent::Kind::Quit:
            in.requestQuit();
            break;
        }
    }
}

} // namespace engine
