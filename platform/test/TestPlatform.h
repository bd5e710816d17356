// The deterministic test backend: scripted input, virtual clock, seeded random, and every screen,
// sprite and sound call recorded in order, so a test can assert a frame exactly.
//
// Sprites are decoded from real image files (their sizes are real) but never drawn; grabs return new
// sprites of the grabbed size. Nothing here needs a display, a sound card or a network (downloads
// use the real libcurl transfer unless the network is set offline).
//
// Input, clock and image sizes come from platform/headless, which production runs use too.
#pragma once

#include "platform/Platform.h"
#include "platform/Services.h"
#include "platform/headless/ImageSizes.h"
#include "platform/headless/VirtualClock.h"
#include "platform/headless/VirtualInput.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace plat::test {

// Input and clock: the headless ones (scripted state, virtual milliseconds).
using TestInput = plat::headless::VirtualInput;
using TestClock = plat::headless::VirtualClock;

// Random: the seeded generator every backend uses; the same seed gives the same numbers everywhere.
class TestRandom : public plat::SeededRandom {
public:
    using SeededRandom::SeededRandom;
};

// ---------------------------------------------------------------------------------------------
// Graphics: records every call.
// ---------------------------------------------------------------------------------------------
enum class Op {
    OpenScreen, // w, h = size; quality = depth; text = title; mode = ScreenMode
    CloseScreen,
    Clear, // colour
    Begin3D,
    End3D,
    Flip,        // mode
    Quality,     // quality
    Load,        // sprite = new id (0 on failure); text = path; w, h = image size
    Free,        // sprite
    Transparent, // sprite, colour
    Drawable,    // sprite = new id; source = image
    Zoom,        // sprite, w, h
    Rotate,      // sprite, angle = degrees
    Corners,     // sprite, corners
    Blend,       // blendSrc, blendDst
    Draw,        // sprite, x, y, w, h (drawn size), alpha, blend pair, quality, angle, corners
    Grab,        // sprite = new id; x, y, w, h (clipped rectangle); mode
    Begin2D,
    End2D,
    TextMode,   // transparent
    FillBox,    // x, y, w, h, colour
    OutlineBox, // x, y, w, h, colour
    Point,      // x, y, colour
    Text,       // x, y, text, colour = front, back, transparent
    Screenshot, // text = path
};

struct Call {
    Op op{};
    SpriteId sprite = 0;
    SpriteId source = 0;
    float x = 0, y = 0, w = 0, h = 0;
    int alpha = 0;
    int blendSrc = 0, blendDst = 0;
    int quality = 0;
    int mode = 0;
    float angle = 0;
    bool hasCorners = false;
    std::array<float, 8> corners{};
    Rgb colour = 0;
    Rgb back = 0;
    bool transparent = false;
    std::string text;
};

// What the backend knows about one sprite handle.
struct SpriteInfo {
    bool drawable = false;      // made by createDrawable
    SpriteId source = 0;        // the image a drawable was made from
    std::string path;           // file it was loaded from ("" for grabs and drawables)
    int width = 0, height = 0;  // natural size
    float zoomW = 0, zoomH = 0; // drawn size
    float angle = 0;            // degrees
    bool hasCorners = false;
    std::array<float, 8> corners{};
    bool hasTransparent = false;
    Rgb transparent = 0;
    bool grabbed = false;
};

class TestGraphics : public plat::Graphics {
public:
    // Desktop 0 as this backend reports it (default 1024 x 768 x 32).
    void setDesktop(int width, int height, int depth) { desktop_ = {width, height, depth}; }
    // Makes the next openScreen calls fail (true) or succeed (false).
    void setOpenScreenFails(bool fails) { openFails_ = fails; }

    // The record.
    const std::vector<Call>& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }
    std::vector<Call> callsOf(Op op) const;
    std::size_t count(Op op) const;
    std::vector<Call> draws() const { return callsOf(Op::Draw); }
    // Calls since the last Flip (the frame being built), or of the last complete frame.
    std::vector<Call> lastFrame() const;
    int flips() const { return flips_; }
    // State queries.
    std::optional<SpriteInfo> sprite(SpriteId id) const;
    int liveSprites() const { return static_cast<int>(sprites_.size()); }
    int blendSrc() const { return blendSrc_; }
    int blendDst() const { return blendDst_; }
    int quality() const { return quality_; }
    bool textTransparent() const { return textTransparent_; }
    bool in3D() const { return in3D_; }
    bool in2D() const { return in2D_; }
    ScreenMode screenMode() const { return mode_; }
    std::string title() const { return title_; }

    DesktopInfo desktop() override { return desktop_; }
    bool openScreen(int width, int height, int depth, const std::string& title, ScreenMode mode) override;
    bool screenOpen() const override { return open_; }
    void closeScreen() override;
    int screenWidth() const override { return open_ ? width_ : 0; }
    int screenHeight() const override { return open_ ? height_ : 0; }
    // Recorded only: draws stay in viewport coordinates.
    void setViewport(int x, int y, int width, int height) override { viewport_ = {x, y, width, height}; }
    std::array<int, 4> viewport() const { return viewport_; }
    void clear(Rgb colour) override;
    void begin3D() override;
    void end3D() override;
    void flip(int mode) override;
    void setQuality(int quality) override;
    SpriteId loadSprite(const std::string& path) override;
    bool isSprite(SpriteId id) const override { return sprites_.count(id) != 0; }
    void freeSprite(SpriteId id) override;
    int spriteWidth(SpriteId id) const override;
    int spriteHeight(SpriteId id) const override;
    void setTransparentColour(SpriteId id, Rgb colour) override;
    SpriteId createDrawable(SpriteId source) override;
    void zoomSprite(SpriteId id, float width, float height) override;
    void rotateSprite(SpriteId id, float degrees) override;
    void setCorners(SpriteId id, float x0, float y0, float x1, float y1, float x2, float y2, float x3,
                    float y3) override;
    void setBlend(int source, int dest) override;
    void drawSprite(SpriteId id, float x, float y, int alpha) override;
    SpriteId grabSprite(int x, int y, int width, int height, int mode) override;
    void begin2D() override;
    void end2D() override;
    void setTextTransparent(bool transparent) override;
    void fillBox(float x, float y, float width, float height, Rgb colour) override;
    void outlineBox(float x, float y, float width, float height, Rgb colour) override;
    void point(float x, float y, Rgb colour) override;
    void text(float x, float y, const std::string& text, Rgb front, Rgb back) override;
    int textHeight() const override { return 14; }
    // Records the call and writes nothing; returns false when the screen is closed or path empty.
    bool saveScreenshot(const std::string& path) override;

private:
    Call& record(Op op);
    SpriteId newId() { return nextId_++; }

    DesktopInfo desktop_{1024, 768, 32};
    std::array<int, 4> viewport_{};
    bool openFails_ = false;
    bool open_ = false;
    int width_ = 0, height_ = 0;
    ScreenMode mode_ = ScreenMode::Fullscreen;
    std::string title_;
    std::vector<Call> calls_;
    std::map<SpriteId, SpriteInfo> sprites_;
    SpriteId nextId_ = 1;
    int blendSrc_ = BlendSrcAlpha, blendDst_ = BlendInvSrcAlpha;
    int quality_ = 0;
    bool textTransparent_ = false;
    bool in3D_ = false, in2D_ = false;
    int flips_ = 0;
    plat::headless::ImageSizes images_; // sizes by file, decoded again only when a file changed
};

// ---------------------------------------------------------------------------------------------
// Sound: loads succeed for existing files; plays, stops and volumes are recorded.
// ---------------------------------------------------------------------------------------------
enum class SoundOp { Load, Play, Stop, Volume, Free };

struct SoundCall {
    SoundOp op{};
    SoundId sound = 0; // for Load: the new id, 0 on failure
    bool looped = false;
    int volume = 0;
    std::string path;
};

class TestSound : public plat::Sound {
public:
    const std::vector<SoundCall>& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }
    std::size_t count(SoundOp op) const;
    std::string path(SoundId id) const;
    int volume(SoundId id) const;  // 100 until set; -1 for an invalid handle
    bool looped(SoundId id) const; // of the last play
    int liveSounds() const { return static_cast<int>(sounds_.size()); }
    // Ends a sound as if it had played to its end (loops never end by themselves).
    void finish(SoundId id);

    SoundId loadSound(const std::string& path) override;
    bool isSound(SoundId id) const override { return sounds_.count(id) != 0; }
    void playSound(SoundId id, bool looped) override;
    void stopSound(SoundId id) override;
    void setVolume(SoundId id, int volume) override;
    bool isPlaying(SoundId id) const override;
    void freeSound(SoundId id) override;

private:
    struct Entry {
        std::string path;
        int volume = 100;
        bool playing = false;
        bool looped = false;
    };
    std::vector<SoundCall> calls_;
    std::map<SoundId, Entry> sounds_;
    SoundId nextId_ = 1;
};

// ---------------------------------------------------------------------------------------------
// Dialogs: boxes are recorded; Yes/No boxes are answered from a script (then the default, yes), OK
// boxes always with OK; requesters are answered from their own script (then "").
// ---------------------------------------------------------------------------------------------
struct Box {
    std::string title;
    std::string text;
    Buttons buttons = Buttons::Ok;
    bool answer = true;
};

struct FolderRequest {
    std::string title;
    std::string startFolder;
    std::string answer;
};

class TestDialogs : public plat::Dialogs {
public:
    void queueAnswer(bool yes) { answers_.push_back(yes); }
    void setDefaultAnswer(bool yes) { defaultAnswer_ = yes; }
    void queueFolder(const std::string& folder) { folders_.push_back(folder); }
    const std::vector<Box>& boxes() const { return boxes_; }
    const std::vector<FolderRequest>& requests() const { return requests_; }
    void clear() {
        boxes_.clear();
        requests_.clear();
    }

    bool messageBox(const std::string& title, const std::string& text, Buttons buttons) override;
    std::string folderRequester(const std::string& title, const std::string& startFolder) override;

private:
    std::deque<bool> answers_;
    bool defaultAnswer_ = true;
    std::deque<std::string> folders_;
    std::vector<Box> boxes_;
    std::vector<FolderRequest> requests_;
};

// ---------------------------------------------------------------------------------------------
// Network: real libcurl downloads (file:// works without a network) unless set offline; every
// request is recorded.
// ---------------------------------------------------------------------------------------------
struct Download {
    std::string url;
    std::string file;
    bool ok = false; // the file was written
    plat::Fetch result = plat::Fetch::Failed;
};

class TestNetwork : public plat::Network {
public:
    void setOffline(bool offline) { offline_ = offline; }
    const std::vector<Download>& requests() const { return requests_; }
    void clearRequests() { requests_.clear(); }
    plat::Fetch fetch(const std::string& url, const std::string& file, bool revalidate) override;
    void setLimits(const plat::DownloadLimits& limits) override { limits_ = limits; }
    const plat::DownloadLimits& limits() const { return limits_; }

private:
    bool offline_ = false;
    std::vector<Download> requests_;
    plat::CurlSession session_;
    plat::DownloadLimits limits_;
};

// ---------------------------------------------------------------------------------------------
// The bundle. The covariant accessors give tests the concrete parts directly:
// `tp.input().press(plat::key::Escape)`, `tp.graphics().draws()`.
// ---------------------------------------------------------------------------------------------
class TestPlatform : public plat::Platform {
public:
    explicit TestPlatform(std::uint64_t seed = 0) : random_(seed) {}
    TestGraphics& graphics() override { return graphics_; }
    TestInput& input() override { return input_; }
    TestSound& sound() override { return sound_; }
    TestDialogs& dialogs() override { return dialogs_; }
    TestClock& clock() override { return clock_; }
    TestRandom& random() override { return random_; }
    TestNetwork& network() override { return network_; }

private:
    TestGraphics graphics_;
    TestInput input_;
    TestSound sound_;
    TestDialogs dialogs_;
    TestClock clock_;
    TestRandom random_;
    TestNetwork network_;
};

} // namespace plat::test
