// SdlWindows: the builder's windows on SDL2 and Dear ImGui.
#include "builder/SdlWindows.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <imgui.h>
#include <imgui_impl_sdl.h>
#include <imgui_impl_sdlrenderer.h>
#include <map>
#include <unistd.h>

#include "builder/DnaWindow.h"
#include "builder/TileMenu.h"
#include "platform/Services.h"
#include "platform/TextIo.h"
#include "platform/headless/VirtualInput.h"
#include "platform/sdl/SdlAccess.h"

namespace tarn {

namespace {

ImU32 imColour(plat::Rgb c, int alpha = 255) {
    return IM_COL32(c & 255, (c >> 8) & 255, (c >> 16) & 255, alpha);
}

// ImGui text fields on a std::string (the field grows as the user types).
int growString(ImGuiInputTextCallbackData* data) {
    if (data->EventFlag == ImGuiInputTextFlags_CallbackResize) {
        auto* s = static_cast<std::string*>(data->UserData);
        s->resize(static_cast<std::size_t>(data->BufTextLen));
        data->Buf = s->data();
    }
    return 0;
}
bool inputString(const char* label, std::string& s) {
    return ImGui::InputText(label, s.data(), s.capacity() + 1, ImGuiInputTextFlags_CallbackResize, growString,
                            &s);
}

// The folder and file chooser of machines without zenity: a folder list, a path field, OK and
// Cancel, drawn as an ImGui window over the editor while the builder waits for the answer.
struct Chooser {
    bool open = false;
    bool accepted = false;
    std::string title;
    Windows::PathKind kind = Windows::PathKind::Folder;
    std::string folder; // listed folder, ending with '/'
    std::string path;   // the path field
    std::vector<std::string> folders, files;

    void list(const std::string& where) {
        namespace fs = std::filesystem;
        folder = textio::asFolder(where.empty() ? std::string("./") : where);
        folders.clear();
        files.clear();
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (name.empty() || name[0] == '.') continue;
            std::error_code e2;
            if (it->is_directory(e2))
                folders.push_back(name);
            else
                files.push_back(name);
        }
        std::sort(folders.begin(), folders.end());
        std::sort(files.begin(), files.end());
        if (kind == Windows::PathKind::Folder) path = folder;
    }
    void up() {
        std::string f = folder;
        if (f.size() > 1) f.pop_back();
        const std::size_t slash = f.rfind('/');
        list(slash == std::string::npos ? std::string("/") : f.substr(0, slash + 1));
    }
};

// A question or notice of the builder, drawn as an ImGui window over the editor while the builder
// waits for the answer (Y or Enter: yes, N or Escape: no; a notice closes with Enter or Escape).
struct Question {
    bool open = false;
    bool answer = false;
    bool yesNo = true;
    std::string title, text;
};

struct Tool {
    bool open = false;
    bool visible = true;
    std::string title;
    int x = 0, y = 0, w = 0, h = 0; // position and size it was opened with
    ToolWindowArea area;            // where it was in the last frame
    bool framed = false;            // at least one frame was built
    std::vector<Menu> menus;
    bool focusNext = false;
};

class SdlWindows final : public Windows {
public:
    SdlWindows(plat::Platform& p, SdlWindowOptions o) : platform_(p), opts_(std::move(o)) {}
    ~SdlWindows() override { shutdownImGui(); }

    bool openMain(const std::string& title, int width, int height) override {
        plat::Graphics& g = platform_.graphics();
        if (!g.openScreen(width, height, 32, title, plat::ScreenMode::Fullscreen)) return false;
        SDL_Window* window = plat::sdl::window(platform_);
        SDL_Renderer* renderer = plat::sdl::renderer(platform_);
        if (window == nullptr || renderer == nullptr) return false;
        IMGUI_CHECKVERSION();
        ImGui::CreateContext();
        ImGui::GetIO().IniFilename = nullptr; // window places are not kept between runs
        ImGui::StyleColorsDark();
        ImGui_ImplSDL2_InitForSDLRenderer(window);
        ImGui_ImplSDLRenderer_Init(renderer);
        imgui_ = true;
        mainOpen_ = true;
        plat::sdl::setEventHook(platform_, [this](const SDL_Event& e) { onSdlEvent(e); });
        plat::sdl::setPresentHook(platform_, [this] { onPresent(); });
        return true;
    }

    bool openTool(int number, const std::string& title, int x, int y, int width, int height) override {
        if (!mainOpen_ || (number != kTileWindow && number != kDnaWindow)) return false;
        Tool& t = tools_[number];
        t.open = true;
        t.visible = true;
        t.title = title;
        t.x = x;
        t.y = y;
        t.w = width;
        t.h = height;
        t.area = ToolWindowArea{
            number, true, x, y, width, height, x, y + titleHeight(), width, height - titleHeight()};
        needFrame_ = true;
        return true;
    }

    bool isOpen(int number) const override {
        if (number == kMainWindow) return mainOpen_;
        const auto it = tools_.find(number);
        return it != tools_.end() && it->second.open;
    }

    void close(int number) override {
        if (number == kMainWindow) {
            if (!mainOpen_) return;
            plat::sdl::setEventHook(platform_, {});
            plat::sdl::setPresentHook(platform_, {});
            for (auto& [id, tex] : pictures_) SDL_DestroyTexture(tex);
            pictures_.clear();
            shutdownImGui();
            platform_.graphics().closeScreen();
            mainOpen_ = false;
            return;
        }
        auto it = tools_.find(number);
        if (it != tools_.end()) it->second.open = false;
        needFrame_ = true;
    }

    void activate(int number) override {
        translator_.setActive(number);
        auto it = tools_.find(number);
        if (it != tools_.end()) it->second.focusNext = true;
        needFrame_ = true;
    }

    void setVisible(int number, bool visible) override {
        auto it = tools_.find(number);
        if (it == tools_.end() || it->second.visible == visible) return;
        it->second.visible = visible;
        needFrame_ = true;
    }
    bool isVisible(int number) const override {
        if (number == kMainWindow) return mainOpen_;
        const auto it = tools_.find(number);
        return it != tools_.end() && it->second.open && it->second.visible;
    }

    void setTitle(int number, const std::string& title) override {
        auto it = tools_.find(number);
        if (it == tools_.end() || it->second.title == title) return;
        it->second.title = title;
        needFrame_ = true;
    }
    std::string title(int number) const override {
        const auto it = tools_.find(number);
        return it == tools_.end() ? std::string() : it->second.title;
    }

    int innerWidth(int number) const override {
        if (number == kMainWindow) return platform_.graphics().screenWidth();
        const auto it = tools_.find(number);
        return it == tools_.end() ? 0 : it->second.area.innerWidth;
    }
    int innerHeight(int number) const override {
        if (number == kMainWindow) return platform_.graphics().screenHeight();
        const auto it = tools_.find(number);
        return it == tools_.end() ? 0 : it->second.area.innerHeight;
    }
    int innerLeft(int number) const override {
        const auto it = tools_.find(number);
        return it == tools_.end() ? 0 : it->second.area.innerLeft;
    }
    int innerTop(int number) const override {
        const auto it = tools_.find(number);
        return it == tools_.end() ? 0 : it->second.area.innerTop;
    }

    void setMenuBar(int number, const std::vector<Menu>& menus) override {
        auto it = tools_.find(number);
        if (it != tools_.end()) it->second.menus = menus;
        needFrame_ = true;
    }
    bool hasMenuBar(int number) const override {
        const auto it = tools_.find(number);
        return it != tools_.end() && !it->second.menus.empty();
    }

    WindowEvent poll() override {
        ++pass_;
        // An ImGui frame built after the last editor frame has not been shown yet: show it now.
        if (pendingPresent_ && mainOpen_) platform_.graphics().flip(0);
        runScript();
        plat::sdl::pumpEvents(platform_);
        if (mainOpen_ && imgui_ && (sdlEvents_ || needFrame_ || settleFrames_ > 0)) buildFrame();
        // A window that appears (a tool tip, a menu) is laid out in its first frame and drawn from
        // the second: every frame built for the user's input gets a second one.
        if (sdlEvents_) settleFrames_ = std::max(settleFrames_, 1);
        sdlEvents_ = false;
        return translator_.pop();
    }

    void idle() override {
        if (opts_.idleSleepMs > 0 && opts_.script.empty()) SDL_Delay(static_cast<Uint32>(opts_.idleSleepMs));
    }

    std::string choosePath(plat::Dialogs& dialogs, const std::string& title, const std::string& start,
                           PathKind kind) override {
        // An input script answers requesters itself; one that gave no answer cancels them.
        if (!answers_.empty()) {
            std::string path = answers_.front();
            answers_.pop_front();
            return kind == PathKind::Folder ? textio::asFolder(std::move(path)) : path;
        }
        if (!opts_.script.empty() || !mainOpen_ || !imgui_) return {};
        if (offscreenDriver()) return {};
        if (kind == PathKind::Folder && plat::onPath("zenity")) return dialogs.folderRequester(title, start);
        return runChooser(title, start, kind);
    }

    bool ask(plat::Dialogs& dialogs, const std::string& title, const std::string& text, plat::Buttons buttons,
             bool safeAnswer) override {
        const bool yesNo = buttons == plat::Buttons::YesNo;
        if (yesNo) {
            // A reply the script gave before the question, or the script's next line when it is one.
            bool reply = false;
            if (takeReply(reply, false)) return said(title, text, reply, "the input script");
        }
        if (!mainOpen_ || !imgui_ || offscreenDriver()) {
            if (!yesNo) return dialogs.messageBox(title, text, buttons);
            // No one can see the question: --answer decides, else the answer that loses nothing.
            const bool answer = opts_.answer >= 0 ? opts_.answer == 1 : safeAnswer;
            return said(title, text, answer,
                        opts_.answer >= 0 ? "--answer" : "nobody can see it: the safe answer");
        }
        return runQuestion(title, text, yesNo, safeAnswer);
    }

    void takeFocus() override {
        SDL_Window* window = plat::sdl::window(platform_);
        if (window == nullptr || !mainOpen_) return;
        SDL_RaiseWindow(window);
        // A bare X server has no window manager to hand the keyboard back after biosim's window closed.
        SDL_SetWindowInputFocus(window);
        needFrame_ = true;
    }

    void dnaFieldsChanged(std::vector<DnaField>* fields) override {
        dnaFields_ = fields;
        needFrame_ = true;
    }

    int loadMenuPicture(const std::string& path, plat::Rgb transparent) override {
        SDL_Renderer* renderer = plat::sdl::renderer(platform_);
        if (renderer == nullptr) return 0;
        SDL_Surface* raw = plat::sdl::loadImageSurface(path);
        if (raw == nullptr) return 0;
        SDL_Surface* px = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_ARGB8888, 0);
        SDL_FreeSurface(raw);
        if (px == nullptr) return 0;
        SDL_SetColorKey(
            px, SDL_TRUE,
            SDL_MapRGB(px->format, transparent & 255, (transparent >> 8) & 255, (transparent >> 16) & 255));
        SDL_Texture* tex = SDL_CreateTextureFromSurface(renderer, px);
        SDL_FreeSurface(px);
        if (tex == nullptr) return 0;
        const int id = nextPicture_++;
        pictures_[id] = tex;
        return id;
    }

    void freeMenuPicture(int picture) override {
        auto it = pictures_.find(picture);
        if (it == pictures_.end()) return;
        SDL_DestroyTexture(it->second);
        pictures_.erase(it);
    }

    void tileMenuChanged(const std::vector<TileMenuCell>& cells) override {
        cells_ = cells;
        needFrame_ = true;
    }

private:
    static int titleHeight() { return 19; }

    static bool offscreenDriver() {
        const char* driver = SDL_GetCurrentVideoDriver();
        return driver == nullptr || std::string(driver) == "offscreen" || std::string(driver) == "dummy";
    }

    // Writes an answer nobody gave in the window on standard error, so a run's log shows it.
    static bool said(const std::string& title, const std::string& text, bool answer, const char* by) {
        std::fprintf(stderr, "[%s] %s -> %s (%s)\n", title.c_str(), text.c_str(), answer ? "yes" : "no", by);
        return answer;
    }

    // A scripted reply: one read before (queued), or the script's next unread line when it is a reply
    // (in a window only once its pass has come, when `due` is set).
    bool takeReply(bool& reply, bool due) {
        if (!replies_.empty()) {
            reply = replies_.front();
            replies_.pop_front();
            return true;
        }
        if (scriptPos_ < opts_.script.size() && opts_.script[scriptPos_].verb == ScriptAction::Verb::Reply &&
            (!due || opts_.script[scriptPos_].pass <= pass_)) {
            reply = opts_.script[scriptPos_++].a == 1;
            return true;
        }
        return false;
    }

    // Shows the question until it is answered; the editor gets no events meanwhile. With an input
    // script, a reply line answers it once its pass has come; otherwise it waits for the user.
    bool runQuestion(const std::string& title, const std::string& text, bool yesNo, bool safeAnswer) {
        question_ = Question{true, false, yesNo, title, text};
        while (question_.open && mainOpen_) {
            ++pass_;
            bool reply = false;
            if (yesNo && takeReply(reply, true)) {
                question_.open = false;
                needFrame_ = true;
                return said(title, text, reply, "the input script");
            }
            plat::sdl::pumpEvents(platform_);
            buildFrame();
            platform_.graphics().flip(0);
            SDL_Delay(10);
        }
        const bool unanswered = question_.open;
        question_.open = false;
        needFrame_ = true;
        if (!yesNo) return true;
        // A window that closed under the question gives the answer that loses nothing.
        return unanswered ? safeAnswer : question_.answer;
    }

    void buildQuestion() {
        Question& q = question_;
        const ImGuiIO& io = ImGui::GetIO();
        ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y * 0.5f), ImGuiCond_Always,
                                ImVec2(0.5f, 0.5f));
        ImGui::SetNextWindowFocus();
        ImGui::SetNextWindowBgAlpha(1.0f);
        ImGui::Begin((q.title + "###question").c_str(), nullptr,
                     ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_AlwaysAutoResize |
                         ImGuiWindowFlags_NoSavedSettings);
        ImGui::TextUnformatted(q.text.c_str());
        ImGui::Spacing();
        const bool enter = ImGui::IsKeyPressed(SDL_SCANCODE_RETURN, false) ||
                           ImGui::IsKeyPressed(SDL_SCANCODE_KP_ENTER, false);
        const bool escape = ImGui::IsKeyPressed(SDL_SCANCODE_ESCAPE, false);
        if (q.yesNo) {
            const bool yes = ImGui::Button("Yes (Y)", ImVec2(110, 0)) || enter ||
                             ImGui::IsKeyPressed(SDL_SCANCODE_Y, false);
            ImGui::SameLine();
            const bool no = ImGui::Button("No (N)", ImVec2(110, 0)) || escape ||
                            ImGui::IsKeyPressed(SDL_SCANCODE_N, false);
            if (yes || no) {
                q.answer = yes && !no;
                q.open = false;
            }
        } else if (ImGui::Button("OK", ImVec2(110, 0)) || enter || escape) {
            q.answer = true;
            q.open = false;
        }
        ImGui::End();
    }

    // Shows the chooser until OK or Cancel; the editor gets no events meanwhile.
    std::string runChooser(const std::string& title, const std::string& start, PathKind kind) {
        chooser_ = Chooser{};
        chooser_.open = true;
        chooser_.title = title;
        chooser_.kind = kind;
        chooser_.list(start);
        while (chooser_.open && mainOpen_) {
            plat::sdl::pumpEvents(platform_);
            buildFrame();
            platform_.graphics().flip(0);
            SDL_Delay(10);
        }
        chooser_.open = false;
        needFrame_ = true;
        // Clicks made in the chooser are the chooser's: the editor must not take them as a press.
        platform_.input().examineMouse();
        if (!chooser_.accepted) return {};
        std::string path = chooser_.path;
        if (kind == PathKind::Folder) path = textio::asFolder(std::move(path));
        if (kind != PathKind::Folder && !path.empty() && path.back() == '/') return {};
        return path;
    }

    void buildChooser() {
        Chooser& c = chooser_;
        const ImGuiIO& io = ImGui::GetIO();
        ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y * 0.5f), ImGuiCond_Appearing,
                                ImVec2(0.5f, 0.5f));
        ImGui::SetNextWindowSize(
            ImVec2(std::min(560.0f, io.DisplaySize.x - 20), std::min(420.0f, io.DisplaySize.y - 20)),
            ImGuiCond_Appearing);
        ImGui::SetNextWindowFocus();
        ImGui::SetNextWindowBgAlpha(1.0f); // opaque: the map behind it must not show through the list
        ImGui::Begin((c.title + "###chooser").c_str(), nullptr, ImGuiWindowFlags_NoCollapse);
        ImGui::TextUnformatted(c.kind == PathKind::Folder ? "Folder:" : "File:");
        ImGui::SameLine();
        ImGui::SetNextItemWidth(-1);
        if (inputString("##path", c.path) && c.kind == PathKind::Folder && !c.path.empty() &&
            c.path.back() == '/') {
            std::error_code ec;
            if (std::filesystem::is_directory(c.path, ec)) c.list(c.path);
        }
        const float buttons = ImGui::GetFrameHeightWithSpacing();
        ImGui::BeginChild("##entries", ImVec2(0, -buttons), true);
        ImGui::TextDisabled("%s", c.folder.c_str());
        std::string go;
        if (ImGui::Selectable("../")) go = "..";
        for (const std::string& f : c.folders)
            if (ImGui::Selectable((f + "/").c_str())) go = f;
        if (c.kind != PathKind::Folder)
            for (const std::string& f : c.files)
                if (ImGui::Selectable(f.c_str(), c.path == c.folder + f)) c.path = c.folder + f;
        ImGui::EndChild();
        if (go == "..")
            c.up();
        else if (!go.empty())
            c.list(c.folder + go + "/");
        if (ImGui::Button("OK", ImVec2(100, 0))) {
            c.accepted = true;
            c.open = false;
        }
        ImGui::SameLine();
        if (ImGui::Button("Cancel", ImVec2(100, 0))) c.open = false;
        ImGui::End();
    }

    void shutdownImGui() {
        if (!imgui_) return;
        ImGui_ImplSDLRenderer_Shutdown();
        ImGui_ImplSDL2_Shutdown();
        ImGui::DestroyContext();
        imgui_ = false;
    }

    void onSdlEvent(const SDL_Event& e) {
        if (!imgui_) return;
        ImGui_ImplSDL2_ProcessEvent(&e);
        sdlEvents_ = true;
        if (e.type == SDL_MOUSEMOTION) {
            mouseSeen_ = true;
            lastMouseX_ = e.motion.x;
            lastMouseY_ = e.motion.y;
        }
        if (e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_MOUSEBUTTONUP) {
            mouseSeen_ = true;
            lastMouseX_ = e.button.x;
            lastMouseY_ = e.button.y;
        }
        if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_LEAVE) mouseSeen_ = false;
        // A quick click that the chooser, a menu or a tool window takes is no press of the main window.
        if (e.type == SDL_MOUSEBUTTONDOWN &&
            (chooser_.open || question_.open ||
             ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId | ImGuiPopupFlags_AnyPopupLevel) ||
             translator_.windowAt(e.button.x, e.button.y) != kMainWindow)) {
            const int b = e.button.button == SDL_BUTTON_LEFT    ? 1
                          : e.button.button == SDL_BUTTON_RIGHT ? 2
                                                                : 3;
            plat::sdl::pressNotForInput(platform_, b);
        }
        if (!opts_.script.empty()) return;           // the script is the user
        if (chooser_.open || question_.open) return; // the chooser or a question has the user's attention
        switch (e.type) {
        case SDL_MOUSEMOTION:
            translator_.mouseMove(e.motion.x, e.motion.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const int button = e.button.button == SDL_BUTTON_LEFT     ? 1
                               : e.button.button == SDL_BUTTON_RIGHT  ? 2
                               : e.button.button == SDL_BUTTON_MIDDLE ? 3
                                                                      : 0;
            // A press while a menu is open belongs to the menu (choosing an item or closing it),
            // wherever the menu lies: no window gets it.
            if (e.type == SDL_MOUSEBUTTONDOWN &&
                ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId | ImGuiPopupFlags_AnyPopupLevel))
                break;
            translator_.mouseButton(button, e.type == SDL_MOUSEBUTTONDOWN, e.button.x, e.button.y);
            break;
        }
        case SDL_MOUSEWHEEL: {
            int x = 0, y = 0;
            SDL_GetMouseState(&x, &y);
            translator_.wheel(x, y);
            break;
        }
        case SDL_KEYDOWN:
            translator_.key(true);
            break;
        case SDL_KEYUP:
            translator_.key(false);
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_EXPOSED) translator_.push({kEventPaint, kMainWindow});
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) translator_.push({kEventSize, kMainWindow});
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) askToQuit();
            break;
        case SDL_QUIT:
            askToQuit();
            break;
        default:
            break;
        }
    }

    // The window manager's close request of the main window asks the quit question, like the menu.
    void askToQuit() {
        if (hasMenuBar(kTileWindow)) translator_.push({kEventMenu, kTileWindow, 106});
    }

    void runScript() {
        plat::headless::VirtualInput* in = opts_.scriptedInput;
        using Verb = ScriptAction::Verb;
        // An action waits until the events of the one before it were handled: the mouse buttons and
        // keys it sets must still hold when its own event is handled (a "key" gives two events).
        while (scriptPos_ < opts_.script.size() && opts_.script[scriptPos_].pass <= pass_ &&
               translator_.empty()) {
            const ScriptAction& a = opts_.script[scriptPos_++];
            switch (a.verb) {
            case Verb::Move:
                mouseX_ = a.a;
                mouseY_ = a.b;
                if (in) in->setMouse(a.a, a.b);
                translator_.mouseMove(a.a, a.b);
                break;
            case Verb::Press:
            case Verb::Release:
                if (in) in->setMouseButton(a.a, a.verb == Verb::Press);
                translator_.mouseButton(a.a, a.verb == Verb::Press, mouseX_, mouseY_);
                break;
            case Verb::Wheel: {
                if (in) in->addWheel(a.a);
                translator_.wheel(mouseX_, mouseY_);
                // Over the tile grid the wheel scrolls it, one row per notch, as the user's wheel does.
                const auto it = tools_.find(kTileWindow);
                if (it != tools_.end() && it->second.area.visible) {
                    const ToolWindowArea& g = it->second.area;
                    if (mouseX_ >= g.innerLeft && mouseX_ < g.innerLeft + g.innerWidth &&
                        mouseY_ >= g.innerTop && mouseY_ < g.innerTop + g.innerHeight) {
                        gridScroll_ -= a.a * kTilePitch;
                        needFrame_ = true;
                    }
                }
                break;
            }
            case Verb::KeyDown:
            case Verb::KeyUp:
                if (in) in->setKey(a.a, a.verb == Verb::KeyDown);
                translator_.key(a.verb == Verb::KeyDown);
                break;
            case Verb::Key:
                if (in) {
                    in->press(a.a);
                    in->release(a.a);
                }
                translator_.key(true);
                translator_.key(false);
                break;
            case Verb::Menu:
                translator_.push({kEventMenu, a.b, a.a});
                break;
            case Verb::Gadget:
                translator_.push({kEventGadget, a.b, a.a});
                break;
            case Verb::Close:
                translator_.push({kEventClose, a.a});
                break;
            case Verb::Answer:
                answers_.push_back(a.text);
                break;
            case Verb::Reply:
                replies_.push_back(a.a == 1);
                break;
            }
        }
    }

    void buildFrame() {
        ImGui_ImplSDLRenderer_NewFrame();
        ImGui_ImplSDL2_NewFrame();
        // The mouse position comes from the last mouse event over the window. The backend asks the
        // display for the global pointer instead, which is unknown without the keyboard focus (a
        // display without a window manager: nothing would highlight or show a tip) and, on some X
        // servers, frozen while a drag holds the pointer (a tool window would not move or resize).
        ImGuiIO& io = ImGui::GetIO();
        if (mouseSeen_)
            io.MousePos = ImVec2(static_cast<float>(lastMouseX_), static_cast<float>(lastMouseY_));
        ImGui::NewFrame();
        const bool hadFrame = needFrame_;
        needFrame_ = false;
        std::vector<ToolWindowArea> areas;
        int focused = 0;
        for (int number : {kTileWindow, kDnaWindow}) {
            auto it = tools_.find(number);
            if (it == tools_.end() || !it->second.open || !it->second.visible) {
                if (it != tools_.end()) it->second.area.visible = false;
                continue;
            }
            if (buildTool(number, it->second)) focused = number;
            areas.push_back(it->second.area);
        }
        if (chooser_.open) buildChooser();
        if (question_.open) buildQuestion();
        // Topmost first: the focused window is above the other one.
        if (areas.size() == 2 && areas[1].number == focused) std::swap(areas[0], areas[1]);
        translator_.setToolAreas(areas);
        if (focused != 0)
            translator_.setActive(focused);
        else if (ImGui::GetIO().WantCaptureMouse == false && translator_.active() != kMainWindow &&
                 !ImGui::IsAnyItemActive() && ImGui::IsMouseClicked(0))
            translator_.setActive(kMainWindow);
        ImGui::Render();
        pendingPresent_ = true;
        // A change may need a second frame before ImGui's layout settles (sizes, focus).
        settleFrames_ = hadFrame ? 1 : (settleFrames_ > 0 ? settleFrames_ - 1 : 0);
        // A press seen in this frame is released in a later one even when the release event came in
        // the same batch: ImGui acts on menu items and buttons at the release.
        if (ImGui::IsAnyMouseDown() && ImGui::GetIO().WantCaptureMouse)
            settleFrames_ = std::max(settleFrames_, 1);
    }

    // Builds one tool window; true when it has the focus.
    bool buildTool(int number, Tool& t) {
        ImGui::SetNextWindowPos(ImVec2(static_cast<float>(t.x), static_cast<float>(t.y)), ImGuiCond_Once);
        ImGui::SetNextWindowSize(ImVec2(static_cast<float>(t.w), static_cast<float>(t.h)), ImGuiCond_Once);
        if (t.focusNext) {
            ImGui::SetNextWindowFocus();
            t.focusNext = false;
        }
        // The arrow at the title's left (or a double click on the title) folds a window to its title
        // bar and opens it again.
        ImGuiWindowFlags flags = ImGuiWindowFlags_NoScrollbar;
        if (!t.menus.empty()) flags |= ImGuiWindowFlags_MenuBar;
        bool open = true;
        ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
        const std::string label = t.title + "###tool" + std::to_string(number);
        const bool shown = ImGui::Begin(label.c_str(), &open, flags);
        ImGui::PopStyleVar();
        if (!open) translator_.push({kEventClose, number});
        if (!shown) {
            // Folded: only the title bar covers the editor screen; the contents keep their width.
            const ImVec2 pos = ImGui::GetWindowPos(), size = ImGui::GetWindowSize();
            t.area = ToolWindowArea{number,
                                    true,
                                    static_cast<int>(pos.x),
                                    static_cast<int>(pos.y),
                                    static_cast<int>(size.x),
                                    static_cast<int>(size.y),
                                    static_cast<int>(pos.x),
                                    static_cast<int>(pos.y + size.y),
                                    t.area.innerWidth,
                                    0};
        } else {
            if (!t.menus.empty() && ImGui::BeginMenuBar()) {
                buildMenuBar(number, t.menus);
                ImGui::EndMenuBar();
            }
            const ImVec2 pos = ImGui::GetWindowPos(), size = ImGui::GetWindowSize();
            ToolWindowArea a{number,
                             true,
                             static_cast<int>(pos.x),
                             static_cast<int>(pos.y),
                             static_cast<int>(size.x),
                             static_cast<int>(size.y)};
            if (number == kTileWindow) {
                drawTileGrid(a);
            } else {
                const ImVec2 inner = ImGui::GetCursorScreenPos();
                const ImVec2 avail = ImGui::GetContentRegionAvail();
                a.innerLeft = static_cast<int>(inner.x);
                a.innerTop = static_cast<int>(inner.y);
                a.innerWidth = static_cast<int>(avail.x);
                a.innerHeight = static_cast<int>(avail.y);
                if (number == kDnaWindow) drawDnaContents();
            }
            const bool resized =
                t.framed && (a.innerWidth != t.area.innerWidth || a.innerHeight != t.area.innerHeight);
            const bool firstSizeDiffers = !t.framed && a.innerWidth != t.area.innerWidth;
            t.area = a;
            t.framed = true;
            if (resized || firstSizeDiffers) {
                // A window system sends a size message and then a paint message.
                translator_.push({kEventSize, number});
                translator_.push({kEventPaint, number});
            }
        }
        const bool focused = ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows);
        ImGui::End();
        return focused;
    }

    void buildMenu(int number, const Menu& m) {
        for (const MenuItem& item : m.items) {
            if (item.number == 0)
                ImGui::Separator();
            else if (ImGui::MenuItem(std::string(item.text).c_str()))
                translator_.push({kEventMenu, number, item.number});
        }
    }

    // The menus that fit the window's width stand in the bar; the others move, with their titles and
    // items unchanged, into a last menu ">>", so every item stays reachable in a narrow window.
    void buildMenuBar(int number, const std::vector<Menu>& menus) {
        const ImGuiStyle& style = ImGui::GetStyle();
        const float right = ImGui::GetWindowPos().x + ImGui::GetWindowWidth();
        const float moreWidth = ImGui::CalcTextSize(">>").x + style.ItemSpacing.x * 2;
        std::size_t i = 0;
        for (; i < menus.size(); ++i) {
            const std::string title(menus[i].title);
            const float w = ImGui::CalcTextSize(title.c_str()).x + style.ItemSpacing.x * 2;
            const bool last = i + 1 == menus.size();
            if (ImGui::GetCursorScreenPos().x + w + (last ? 0.0f : moreWidth) > right) break;
            if (ImGui::BeginMenu(title.c_str())) {
                buildMenu(number, menus[i]);
                ImGui::EndMenu();
            }
        }
        if (i < menus.size() && ImGui::BeginMenu(">>")) {
            for (; i < menus.size(); ++i) {
                if (ImGui::BeginMenu(std::string(menus[i].title).c_str())) {
                    buildMenu(number, menus[i]);
                    ImGui::EndMenu();
                }
            }
            ImGui::EndMenu();
        }
    }

    // The picture grid scrolls inside the window (wheel and scroll bar); mouse positions reach the
    // builder relative to the grid's top-left, scrolling included.
    void drawTileGrid(ToolWindowArea& a) {
        const ImVec2 avail = ImGui::GetContentRegionAvail();
        ImGui::PushStyleColor(ImGuiCol_ChildBg, imColour(kTileMenuBackground));
        ImGui::BeginChild("##grid", avail, false, ImGuiWindowFlags_AlwaysVerticalScrollbar);
        ImGui::PopStyleColor();
        if (gridScroll_ != 0) {
            ImGui::SetScrollY(std::max(0.0f, ImGui::GetScrollY() + static_cast<float>(gridScroll_)));
            gridScroll_ = 0;
        }
        const ImVec2 view = ImGui::GetWindowPos();
        const float width = ImGui::GetContentRegionAvail().x;
        const float scrollX = ImGui::GetScrollX(), scrollY = ImGui::GetScrollY();
        const ImVec2 o(view.x - scrollX, view.y - scrollY);
        int bottom = 0;
        for (const TileMenuCell& c : cells_) bottom = std::max(bottom, c.y + kTileCell + 2);
        ImGui::Dummy(ImVec2(width, static_cast<float>(bottom)));
        ImDrawList* dl = ImGui::GetWindowDrawList();
        for (const TileMenuCell& c : cells_) {
            const auto it = pictures_.find(c.picture);
            if (it == pictures_.end()) continue;
            const ImVec2 p(o.x + static_cast<float>(c.x), o.y + static_cast<float>(c.y));
            dl->AddImage(reinterpret_cast<ImTextureID>(it->second), p,
                         ImVec2(p.x + static_cast<float>(kTileCell), p.y + static_cast<float>(kTileCell)));
            const std::string n = std::to_string(c.kind);
            const ImVec2 ts = ImGui::CalcTextSize(n.c_str());
            dl->AddRectFilled(p, ImVec2(p.x + ts.x, p.y + ts.y), IM_COL32(0, 0, 0, 255));
            dl->AddText(p, imColour(kTileNumberColour), n.c_str());
        }
        a.innerLeft = static_cast<int>(view.x);
        a.innerTop = static_cast<int>(view.y);
        a.innerWidth = static_cast<int>(width);
        a.innerHeight = static_cast<int>(ImGui::GetWindowHeight());
        a.scrollX = static_cast<int>(scrollX);
        a.scrollY = static_cast<int>(scrollY);
        ImGui::EndChild();
    }

    // Window 103: the two buttons, then the entries in columns of 16 (key label above its value
    // field); the window scrolls both ways.
    void drawDnaContents() {
        ImGui::BeginChild("##dna", ImVec2(0, 0), false, ImGuiWindowFlags_HorizontalScrollbar);
        ImGui::PushStyleColor(ImGuiCol_Text, imColour(plat::rgb(50, 200, 200)));
        if (ImGui::Button("SET_DNA", ImVec2(kDnaFieldWidth, kDnaButtonHeight)))
            translator_.push({kEventGadget, kDnaWindow, 100});
        if (ImGui::IsItemHovered()) ImGui::SetTooltip("Save The Tile-*DNA* ");
        ImGui::SameLine();
        if (ImGui::Button("KILL_DNA", ImVec2(kDnaFieldWidth, kDnaButtonHeight)))
            translator_.push({kEventGadget, kDnaWindow, 101});
        if (ImGui::IsItemHovered()) ImGui::SetTooltip("Reset To Default *DNA*");
        ImGui::PopStyleColor();
        if (dnaFields_ != nullptr) {
            std::vector<DnaField>& fields = *dnaFields_;
            ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(0, 0));
            for (std::size_t col = 0; col * kDnaEntriesPerColumn < fields.size(); ++col) {
                if (col > 0) ImGui::SameLine();
                ImGui::BeginGroup();
                const std::size_t end = std::min(fields.size(), (col + 1) * kDnaEntriesPerColumn);
                for (std::size_t i = col * kDnaEntriesPerColumn; i < end; ++i) drawDnaField(fields[i], i);
                ImGui::EndGroup();
            }
            ImGui::PopStyleVar();
        }
        ImGui::EndChild();
    }

    void drawDnaField(DnaField& f, std::size_t i) {
        const plat::Rgb labelColour = f.placeholder ? plat::rgb(240, 240, 240)
                                      : f.fromTile  ? plat::rgb(0, 255, 0)
                                                    : plat::rgb(250, 250, 0);
        const plat::Rgb fieldColour = f.placeholder ? plat::rgb(150, 220, 220) : plat::rgb(255, 255, 255);
        const ImVec2 size(static_cast<float>(kDnaFieldWidth), static_cast<float>(kDnaFieldHeight));
        const ImVec2 p = ImGui::GetCursorScreenPos();
        ImGui::InvisibleButton(("##key" + std::to_string(i)).c_str(), size);
        ImDrawList* dl = ImGui::GetWindowDrawList();
        dl->AddRectFilled(p, ImVec2(p.x + size.x, p.y + size.y), imColour(labelColour));
        const ImVec2 ts = ImGui::CalcTextSize(f.key.c_str());
        dl->PushClipRect(p, ImVec2(p.x + size.x, p.y + size.y), true);
        dl->AddText(ImVec2(p.x + std::max(0.0f, (size.x - ts.x) / 2), p.y + (size.y - ts.y) / 2),
                    IM_COL32(0, 0, 0, 255), f.key.c_str());
        dl->PopClipRect();
        if (ImGui::IsItemHovered())
            ImGui::SetTooltip("Please enter value for %s below:%s%s", f.key.c_str(),
                              f.help.empty() ? "" : "\n", f.help.c_str());
        ImGui::PushStyleColor(ImGuiCol_FrameBg, imColour(fieldColour));
        ImGui::PushStyleColor(ImGuiCol_Text, IM_COL32(0, 0, 0, 255));
        ImGui::SetNextItemWidth(size.x);
        inputString(("##value" + std::to_string(i)).c_str(), f.value);
        ImGui::PopStyleColor(2);
    }

    void onPresent() {
        if (!imgui_) return;
        ImDrawData* data = ImGui::GetDrawData();
        if (data != nullptr && data->Valid) ImGui_ImplSDLRenderer_RenderDrawData(data);
        pendingPresent_ = false;
    }

    plat::Platform& platform_;
    SdlWindowOptions opts_;
    std::vector<TileMenuCell> cells_;
    EventTranslator translator_;
    std::map<int, Tool> tools_;
    std::map<int, SDL_Texture*> pictures_;
    int nextPicture_ = 1;
    bool mainOpen_ = false;
    bool imgui_ = false;
    bool needFrame_ = false;
    bool sdlEvents_ = false;
    bool pendingPresent_ = false;
    int settleFrames_ = 0;
    long pass_ = 0;
    std::size_t scriptPos_ = 0;
    std::deque<std::string> answers_;
    std::deque<bool> replies_;
    Question question_;
    bool mouseSeen_ = false;
    int lastMouseX_ = 0, lastMouseY_ = 0;
    int gridScroll_ = 0; // pixels the tile grid scrolls in the next frame (scripted wheel)
    Chooser chooser_;
    std::vector<DnaField>* dnaFields_ = nullptr;
    int mouseX_ = 0, mouseY_ = 0;
};

} // namespace

void prepareSdlWindows() {
    // Ctrl+C and kill end the builder like any program; only the window's close box asks first.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

std::unique_ptr<Windows> createSdlWindows(plat::Platform& platform, SdlWindowOptions options) {
    return std::make_unique<SdlWindows>(platform, std::move(options));
}

} // namespace tarn
