// Windows: the builder's windows, as the editing code sees them.
//
// The editor works with numbered windows (100 main window with the editor screen, 102 tile window,
// 103 DNA window) and with window events carrying plain event values (13101 menu, 13100 gadget,
// 5 size, 15 paint, 16 close, 513 left button down, ...). `Windows` is that view. The real one
// (SdlWindows.cpp) puts the tool windows inside the SDL main window and turns what the user
// does into these events; tests use a scripted one. Nothing here includes SDL or ImGui.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "builder/Builder.h"

namespace tarn {

// A menu of a menu bar: its title and items; item number 0 marks a separator line.
struct MenuItem {
    std::string_view text;
    int number = 0;
};
struct Menu {
    std::string_view title;
    std::vector<MenuItem> items;
};

class Windows {
public:
    virtual ~Windows() = default;

    // Opens window 100 (desktop-sized, at (0, 0)) with the editor screen inside it, using the
    // platform's screen. false when the window or its screen cannot be opened.
    virtual bool openMain(const std::string& title, int width, int height) = 0;
    // Opens tool window `number` (102 or 103) inside the main window. false when it cannot be opened.
    virtual bool openTool(int number, const std::string& title, int x, int y, int width, int height) = 0;
    virtual bool isOpen(int number) const = 0;
    virtual void close(int number) = 0;
    virtual void activate(int number) = 0;
    // Tool windows only: hidden windows take no input and are not drawn.
    virtual void setVisible(int number, bool visible) = 0;
    virtual bool isVisible(int number) const = 0;
    virtual void setTitle(int number, const std::string& title) = 0;
    virtual std::string title(int number) const = 0;
    // Size of the window's inner (client) area in pixels.
    virtual int innerWidth(int number) const = 0;
    virtual int innerHeight(int number) const = 0;
    // Screen position of the window's inner area: the mouse relative to the window is the mouse on
    // the screen minus this.
    virtual int innerLeft(int number) const = 0;
    virtual int innerTop(int number) const = 0;
    // Gives the window a menu bar (only windows that carry one).
    virtual void setMenuBar(int number, const std::vector<Menu>& menus) = 0;
    virtual bool hasMenuBar(int number) const = 0;

    // A folder (ending with '/') or file chosen by the user; "" when cancelled. The default asks the
    // platform's folder requester (for a file the chosen path loses its last '/'); the SDL window
    // layer answers from the input script, zenity or a chooser of its own.
    enum class PathKind { Folder, OpenFile, SaveFile };
    virtual std::string choosePath(plat::Dialogs& dialogs, const std::string& title, const std::string& start,
                                   PathKind kind) {
        std::string path = dialogs.folderRequester(title, start);
        if (kind != PathKind::Folder && !path.empty() && path.back() == '/') path.pop_back();
        return path;
    }

    // A question (Yes/No) or a notice (OK) of the builder; true for yes (always for a notice). The
    // default asks the platform's message box; the SDL window layer asks in a window of its own,
    // takes a scripted reply first, and gives `safeAnswer` (the answer that loses nothing) when the
    // question cannot be shown to anyone.
    virtual bool ask(plat::Dialogs& dialogs, const std::string& title, const std::string& text,
                     plat::Buttons buttons, bool /*safeAnswer*/) {
        return dialogs.messageBox(title, text, buttons);
    }

    // Raises the main window and gives it the keyboard, after another program had it (the play-test).
    virtual void takeFocus() {}

    // The DNA window's entries, owned by the builder: the window shows them and edits the values in
    // place. Called again whenever the entries were rebuilt.
    virtual void dnaFieldsChanged(std::vector<DnaField>* /*fields*/) {}

    // The next window event, without waiting; value 0 when none is pending.
    virtual WindowEvent poll() = 0;
    // Called by the main loop after a pass that took no event: a short sleep, so an idle editor
    // does not spin.
    virtual void idle() = 0;

    // Tile window pictures: load a picture file with the transparent colour; 0 when it cannot be
    // loaded. The handles belong to the window layer.
    virtual int loadMenuPicture(const std::string& path, plat::Rgb transparent) = 0;
    virtual void freeMenuPicture(int picture) = 0;
    // The tile window's picture grid as the last "draw tile menu" laid it out; the window shows it.
    virtual void tileMenuChanged(const std::vector<TileMenuCell>& cells) = 0;
};

// Where a tool window is on the screen, for sending mouse events to the window under the mouse.
struct ToolWindowArea {
    int number = 0;
    bool visible = false;
    int left = 0, top = 0, width = 0, height = 0;                     // the whole window, title bar included
    int innerLeft = 0, innerTop = 0, innerWidth = 0, innerHeight = 0; // the inner (client) area
    int scrollX = 0, scrollY = 0; // how far the inner area's contents are scrolled
};

// Turns what the user does (mouse, wheel, keys on the screen) into window events: mouse events go
// to the window under the mouse, or to the window where a button went down until all buttons are
// up again; key events go to the active window. A left button press in a tool window's title or
// menu bar is that window's own business and gives no event. Consecutive mouse moves for the same
// window are merged into one event, as a window system does while its queue is busy.
class EventTranslator {
public:
    // Tool windows, topmost first.
    void setToolAreas(std::vector<ToolWindowArea> areas) { areas_ = std::move(areas); }
    void setActive(int window) { active_ = window; }
    int active() const { return active_; }

    void mouseMove(int x, int y);
    void mouseButton(int button, bool down, int x, int y); // 1 left, 2 right, 3 middle
    void wheel(int x, int y);
    void key(bool down);
    void push(const WindowEvent& ev) { queue_.push_back(ev); }

    bool empty() const { return queue_.empty(); }
    WindowEvent pop();
    // The window that gets mouse events at (x, y): the captured one while a button is down.
    int windowAt(int x, int y) const;

private:
    const ToolWindowArea* area(int window) const;
    WindowEvent at(int value, int window, int x, int y) const;

    std::vector<ToolWindowArea> areas_;
    std::deque<WindowEvent> queue_;
    int active_ = kMainWindow;
    int capture_ = 0;
    int buttonsDown_ = 0; // bit per button
};

} // namespace tarn
