// BUILDERWINDOW: the builder's windows, as the editing code sees them.
//
// The editor works with numbered windows (100 main window with the editor screen, 102 tile window,
// 103 DNA window) and with window events carrying plain event values (13101 menu, 13100 gadget,
// 5 size, 15 paint, 16 close, 513 left button down, ...). `Windows` is that view. The real one
// (BUILDERWINDOW_sdl.cpp) puts the tool windows inside the SDL main window and turns what the user
// does into these events; tests use a scripted one. Nothing here includes SDL or ImGui.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "builder/BUILDERENV.h"

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

    // The next window event, without waiting; value 0 when none is pending.
    virtual WindowEvent poll() = 0;
    // Called by the main loop after a pass that took no event: a short sleep, so an idle editor
    // does not spin.
    virtual void idle() = 0;

    // Tile window pictures: load a picture file with the transparent colour; 0 when it cannot be
    // loaded. The handles belong to the window layer.
    virtual int loadMenuPicture(const std::string& path, plat::Rgb transparent) = 0;
    virtual void freeMenuPicture(int picture) = 0;
    // The tile window's picture grid changed (the window draws `b.tileMenu`).
    virtual void tileMenuChanged() = 0;
};

} // namespace tarn
