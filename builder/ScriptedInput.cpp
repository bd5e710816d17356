// ScriptedInput: scripted input for unattended runs.
#include "builder/ScriptedInput.h"

#include "platform/headless/InputScriptReader.h"

namespace tarn {

bool parseInputScript(std::string_view text, std::vector<ScriptAction>& out, std::string& error) {
    using Verb = ScriptAction::Verb;
    using Kind = plat::headless::ScriptEvent::Kind;
    out.clear();
    std::vector<plat::headless::ScriptEvent> events;
    if (!plat::headless::readInputScript(text, plat::headless::kEditorScriptRules, events, error))
        return false;
    out.reserve(events.size());
    for (plat::headless::ScriptEvent& ev : events) {
        ScriptAction act;
        act.pass = static_cast<long>(ev.pass);
        act.a = ev.a;
        act.b = ev.b;
        switch (ev.kind) {
        case Kind::Key:
            act.verb = ev.down ? Verb::KeyDown : Verb::KeyUp;
            break;
        case Kind::KeyTap:
            act.verb = Verb::Key;
            break;
        case Kind::Mouse:
            act.verb = Verb::Move;
            break;
        case Kind::MouseButton:
            act.verb = ev.down ? Verb::Press : Verb::Release;
            break;
        case Kind::Wheel:
            act.verb = Verb::Wheel;
            break;
        case Kind::Menu:
            act.verb = Verb::Menu;
            break;
        case Kind::Gadget:
            act.verb = Verb::Gadget;
            break;
        case Kind::Close:
            act.verb = Verb::Close;
            break;
        case Kind::Answer:
            act.verb = Verb::Answer;
            act.text = std::move(ev.text);
            break;
        case Kind::Reply:
            act.verb = Verb::Reply;
            act.a = ev.down ? 1 : 0;
            break;
        case Kind::Joystick:
        case Kind::JoyButton:
        case Kind::Quit:
            continue; // no joystick and no quit event in the editor
        }
        out.push_back(std::move(act));
    }
    return true;
}

} // namespace tarn
