// InputScript: biosim's scripted input for headless runs.
#include "engine/InputScript.h"

#include "platform/TextIo.h"
#include "platform/headless/VirtualInput.h"

namespace engine {

bool InputScript::parse(const std::string& text, std::string& error) {
    next_ = 0;
    return plat::headless::readInputScript(text, plat::headless::kGameScriptRules, events_, error);
}

bool InputScript::load(const std::string& path, std::string& error) {
    std::string text;
    if (!textio::readFile(path, text)) {
        error = "cannot read " + path;
        return false;
    }
    return parse(text, error);
}

void InputScript::applyUpTo(plat::headless::VirtualInput& in, std::int64_t pass) {
    // Joystick axes are kept between events so a button event does not move the stick.
    for (; next_ < events_.size() && events_[next_].pass <= pass; ++next_) {
        const InputEvent& ev = events_[next_];
        switch (ev.kind) {
        case InputEvent::Kind::Key:
            in.setKey(ev.a, ev.down);
            break;
        case InputEvent::Kind::KeyTap:
            in.press(ev.a);
            in.release(ev.a);
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
        case InputEvent::Kind::Menu:
        case InputEvent::Kind::Gadget:
        case InputEvent::Kind::Close:
        case InputEvent::Kind::Answer:
        case InputEvent::Kind::Reply:
            break; // the editor's windows and requesters: nothing of biosim's
        }
    }
}

} // namespace engine
