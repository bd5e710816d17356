// VirtualInput: input set by a program (see VirtualInput.h).
#include "platform/headless/VirtualInput.h"

namespace plat::headless {

namespace {
bool validKey(int sc) {
    return sc >= 0 && sc < 256;
}
int clampAxis(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}
} // namespace

void VirtualInput::setKey(int scanCode, bool down) {
    if (!validKey(scanCode)) return;
    if (pendingKeys_[scanCode] && !down) wentUp_[scanCode] = true;
    pendingKeys_[scanCode] = down;
}

void VirtualInput::releaseAll() {
    for (int k = 0; k < 256; ++k) setKey(k, false);
}

void VirtualInput::examineKeyboard() {
    for (int k = 0; k < 256; ++k) {
        released_[k] = wentUp_[k];
        held_[k] = pendingKeys_[k];
        wentUp_[k] = false;
    }
    ++keyboardExams_;
}

bool VirtualInput::keyHeld(int scanCode) const {
    return validKey(scanCode) && held_[scanCode];
}
bool VirtualInput::keyReleased(int scanCode) const {
    return validKey(scanCode) && released_[scanCode];
}

void VirtualInput::setMouse(int x, int y) {
    pendingMouse_.x = x;
    pendingMouse_.y = y;
}

void VirtualInput::addWheel(int notches) {
    pendingMouse_.wheel += notches;
}

void VirtualInput::setMouseButton(int button, bool down) {
    if (button >= 1 && button <= 3) pendingMouse_.buttons[button] = down;
}

void VirtualInput::examineMouse() {
    mouseDx_ = mouseExamined_ ? pendingMouse_.x - mouse_.x : 0;
    mouseDy_ = mouseExamined_ ? pendingMouse_.y - mouse_.y : 0;
    mouse_ = pendingMouse_;
    pendingMouse_.wheel = 0;
    mouseExamined_ = true;
}

bool VirtualInput::mouseButton(int button) const {
    return button >= 1 && button <= 3 && mouse_.buttons[button];
}

void VirtualInput::setJoystick(bool present, int x, int y) {
    joyPresentPending_ = present;
    pendingJoy_.x = clampAxis(x);
    pendingJoy_.y = clampAxis(y);
}

void VirtualInput::setJoystickButton(int button, bool down) {
    if (button >= 1 && button < static_cast<int>(pendingJoy_.buttons.size()))
        pendingJoy_.buttons[button] = down;
}

void VirtualInput::examineJoystick() {
    joy_ = joyPresentPending_ ? pendingJoy_ : Joy{};
}

bool VirtualInput::joystickButton(int button) const {
    return button >= 1 && button < static_cast<int>(joy_.buttons.size()) && joy_.buttons[button];
}

} // namespace plat::headless
