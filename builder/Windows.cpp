// Windows: mouse, wheel and keys turned into window events.
#include "builder/Windows.h"

namespace tarn {

const ToolWindowArea* EventTranslator::area(int window) const {
    for (const ToolWindowArea& a : areas_)
        if (a.number == window) return &a;
    return nullptr;
}

int EventTranslator::windowAt(int x, int y) const {
    if (capture_ != 0) return capture_;
    for (const ToolWindowArea& a : areas_)
        if (a.visible && x >= a.left && x < a.left + a.width && y >= a.top && y < a.top + a.height)
            return a.number;
    return kMainWindow;
}

WindowEvent EventTranslator::at(int value, int window, int x, int y) const {
    WindowEvent ev{value, window, 0, x, y};
    if (const ToolWindowArea* a = area(window)) {
        ev.x = x - a->innerLeft + a->scrollX;
        ev.y = y - a->innerTop + a->scrollY;
    }
    return ev;
}

void EventTranslator::mouseMove(int x, int y) {
    const WindowEvent ev = at(kEventMouseMove, windowAt(x, y), x, y);
    if (!queue_.empty() && queue_.back().value == kEventMouseMove && queue_.back().window == ev.window) {
        queue_.back() = ev;
        return;
    }
    queue_.push_back(ev);
}

void EventTranslator::mouseButton(int button, bool down, int x, int y) {
    if (button < 1 || button > 3) return;
    const int window = windowAt(x, y);
    const int bit = 1 << button;
    if (down) {
        if (buttonsDown_ == 0) capture_ = window;
        buttonsDown_ |= bit;
    } else {
        buttonsDown_ &= ~bit;
    }
    int value = 0;
    if (button == 1) value = down ? kEventLeftButtonDown : kEventLeftButtonUp;
    if (button == 2) value = down ? kEventRightButtonDown : kEventRightButtonUp;
    if (button == 3) value = down ? 519 : 520; // middle button down / up
    WindowEvent ev = at(value, window, x, y);
    if (value == kEventLeftButtonDown) {
        if (const ToolWindowArea* a = area(window)) {
            const int vx = ev.x - a->scrollX, vy = ev.y - a->scrollY; // within the visible area
            const bool inner = vx >= 0 && vy >= 0 && vx < a->innerWidth && vy < a->innerHeight;
            if (!inner) ev.value = 0; // title bar, menu bar or frame
        }
    }
    if (buttonsDown_ == 0) capture_ = 0;
    if (ev.value != 0) queue_.push_back(ev);
}

void EventTranslator::wheel(int x, int y) {
    queue_.push_back(at(kEventMouseWheel, windowAt(x, y), x, y));
}

void EventTranslator::key(bool down) {
    queue_.push_back(WindowEvent{down ? kEventKeyDown : kEventKeyUp, active_});
}

WindowEvent EventTranslator::pop() {
    if (queue_.empty()) return {};
    const WindowEvent ev = queue_.front();
    queue_.pop_front();
    return ev;
}

} // namespace tarn
