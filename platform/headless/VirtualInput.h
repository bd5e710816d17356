// VirtualInput: input whose keys, mouse and joystick are set by a program instead of the hardware.
//
// Headless runs with an input script hand one to the SDL backend in place of the real devices; unit
// tests drive the test backend through the same class. Changes made by the setters are what "the
// hardware" sees; they reach keyHeld/keyReleased/mouse*/joystick* only at the next examine call,
// like real input. keyReleased(k) is true after an examination when k went up since the previous
// examination: it was held at the previous one and is up now, or it was pressed and released in
// between.
// Limits: scan codes 0..255 (others are ignored), mouse buttons 1..3, joystick buttons 1..32.
// Depends on: platform/Platform.h only.
#pragma once

#include <array>

#include "platform/Platform.h"

namespace plat::headless {

class VirtualInput : public plat::Input {
public:
    void press(int scanCode) { setKey(scanCode, true); }
    void release(int scanCode) { setKey(scanCode, false); }
    void setKey(int scanCode, bool down);
    void releaseAll();
    void setMouse(int x, int y);
    void addWheel(int notches);
    void setMouseButton(int button, bool down); // 1 left, 2 right, 3 middle
    void setJoystick(bool present, int x, int y);
    void setJoystickButton(int button, bool down); // numbered from 1
    void requestQuit() { quit_ = true; }
    int keyboardExaminations() const { return keyboardExams_; }

    void examineKeyboard() override;
    bool keyHeld(int scanCode) const override;
    bool keyReleased(int scanCode) const override;
    void examineMouse() override;
    int mouseX() const override { return mouse_.x; }
    int mouseY() const override { return mouse_.y; }
    int mouseDeltaX() const override { return mouseDx_; }
    int mouseDeltaY() const override { return mouseDy_; }
    int mouseWheel() const override { return mouse_.wheel; }
    bool mouseButton(int button) const override;
    bool joystickPresent() const override { return joyPresentPending_; }
    void examineJoystick() override;
    int joystickX() const override { return joy_.x; }
    int joystickY() const override { return joy_.y; }
    bool joystickButton(int button) const override;
    bool quitRequested() const override { return quit_; }

private:
    struct Mouse {
        int x = 0, y = 0, wheel = 0;
        std::array<bool, 4> buttons{};
    };
    struct Joy {
        int x = 0, y = 0;
        std::array<bool, 33> buttons{};
    };
    std::array<bool, 256> pendingKeys_{}; // what the keyboard has now
    std::array<bool, 256> wentUp_{};      // up events since the last examination
    std::array<bool, 256> held_{};        // snapshot of the last examination
    std::array<bool, 256> released_{};
    int keyboardExams_ = 0;
    Mouse pendingMouse_, mouse_;
    int mouseDx_ = 0, mouseDy_ = 0;
    bool mouseExamined_ = false;
    bool joyPresentPending_ = false;
    Joy pendingJoy_, joy_;
    bool quit_ = false;
};

} // namespace plat::headless
