// The platform layer: the one small set of operations that biosim and tarn need from the machine.
//
// Both programs talk to the machine only through these interfaces. No SDL (or any other library)
// type crosses them: handles are small integers, colours are 24-bit RGB values r + g*256 + b*65536.
// Backends:
//   platform/sdl/   the real one on SDL2 (full screen, windowed or offscreen/headless)
//   platform/headless/  production pieces of headless runs (scripted input, virtual clock, the
//                   input-script language, a platform that shows nothing)
//   platform/test/  a deterministic in-memory one for unit tests only (every draw recorded)
//
// Handle rules: 0 always means "none". A handle stays valid until it is freed or its backend is
// destroyed; freeing 0 or an already freed handle is harmless. Handle numbers are never reused
// while the backend lives, so a stale handle tests as invalid.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace plat {

using SpriteId = std::int32_t; // 0 = none. Images (loaded or grabbed) and drawable sprites share one space.
using SoundId = std::int32_t;  // 0 = none.
using Rgb = std::uint32_t;     // r + g*256 + b*65536

constexpr Rgb rgb(int r, int g, int b) {
    return static_cast<Rgb>((r & 255) | ((g & 255) << 8) | ((b & 255) << 16));
}

// How a screen is opened. Fullscreen is desktop-sized and borderless; Offscreen needs no display
// (headless runs and tests) but still renders real pixels.
enum class ScreenMode { Fullscreen, Windowed, Offscreen };

struct DesktopInfo {
    int width = 0;
    int height = 0;
    int depth = 0; // bits per pixel
};

// Blend factors are given as Direct3D 7 D3DBLEND numbers, as they are stored in DNA files.
enum Blend : int {
    BlendZero = 1,
    BlendOne = 2,
    BlendSrcColor = 3,
    BlendInvSrcColor = 4,
    BlendSrcAlpha = 5,
    BlendInvSrcAlpha = 6,
    BlendDestAlpha = 7,
    BlendInvDestAlpha = 8,
    BlendDestColor = 9,
    BlendInvDestColor = 10,
};

// ---------------------------------------------------------------------------------------------
// Screen, sprites and drawing.
// ---------------------------------------------------------------------------------------------
class Graphics {
public:
    virtual ~Graphics() = default;

    // Desktop 0: size and colour depth. Offscreen backends report their virtual desktop.
    virtual DesktopInfo desktop() = 0;
    // Opens the one screen. Returns false when it cannot be opened. The title is shown where the
    // mode has a title bar.
    virtual bool openScreen(int width, int height, int depth, const std::string& title, ScreenMode mode) = 0;
    virtual bool screenOpen() const = 0;
    virtual void closeScreen() = 0;
    virtual int screenWidth() const = 0;
    virtual int screenHeight() const = 0;
    // The area of the screen that is drawn in (a width of 0 means the whole screen). Positions of
    // sprites, boxes, points, text and grabs are relative to its top-left corner and nothing is
    // drawn outside it; clear() and screenshots still cover the whole screen, so the bars around the
    // area show the clear colour. Opening a screen resets it to the whole screen.
    virtual void setViewport(int x, int y, int width, int height) = 0;

    // Frame structure: clear, then 3D sprite drawing between begin3D/end3D, then 2D drawing between
    // begin2D/end2D, then flip. Drawing outside these blocks is still performed.
    virtual void clear(Rgb colour) = 0;
    virtual void begin3D() = 0;
    virtual void end3D() = 0;
    virtual void flip(int mode) = 0;
    // 0 = point sampling, 1 = bilinear filtering; applies to sprites drawn afterwards.
    virtual void setQuality(int quality) = 0;

    // Images and sprites. loadSprite decodes PNG, JPEG, TIFF or BMP; returns 0 on any failure.
    virtual SpriteId loadSprite(const std::string& path) = 0;
    virtual bool isSprite(SpriteId id) const = 0;
    virtual void freeSprite(SpriteId id) = 0;
    // Natural size of the image behind the handle (not its zoom); 0 for an invalid handle.
    virtual int spriteWidth(SpriteId id) const = 0;
    virtual int spriteHeight(SpriteId id) const = 0;
    // Pixels of exactly this RGB become fully transparent. Affects the image and every drawable
    // sprite made from it.
    virtual void setTransparentColour(SpriteId id, Rgb colour) = 0;
    // A drawable (3D) sprite that shares the image of `source` (no pixel copy). 0 when source is
    // invalid. Freeing the source later leaves the drawable sprite working.
    virtual SpriteId createDrawable(SpriteId source) = 0;
    // Size the sprite is drawn at. Resets the corners set by setCorners.
    virtual void zoomSprite(SpriteId id, float width, float height) = 0;
    // Rotates the drawn quad by `degrees` relative to its current angle, around its centre.
    virtual void rotateSprite(SpriteId id, float degrees) = 0;
    // The four corners (top-left, top-right, bottom-right, bottom-left) relative to the drawing
    // position; replaces the rectangle given by the zoom until the next zoom.
    virtual void setCorners(SpriteId id, float x0, float y0, float x1, float y1, float x2, float y2, float x3,
                            float y3) = 0;
    // Blending of the sprites drawn afterwards, as a D3DBLEND pair. Pairs the renderer cannot do are
    // mapped to the nearest standard mode.
    virtual void setBlend(int source, int dest) = 0;
    // Draws the sprite with its top-left at (x, y) and a constant alpha 0-255.
    virtual void drawSprite(SpriteId id, float x, float y, int alpha) = 0;
    // Copies a rectangle of what has been drawn so far this frame into a new image. `mode` is kept
    // for callers (4 mirrors, 5 after-image) and does not change the copy. Returns 0 when the
    // rectangle lies wholly outside the screen or is empty; it is clipped otherwise.
    virtual SpriteId grabSprite(int x, int y, int width, int height, int mode) = 0;

    // 2D drawing (status layer, overlays, editor screen).
    virtual void begin2D() = 0;
    virtual void end2D() = 0;
    // true: text has no background box; false: text is drawn on its back colour.
    virtual void setTextTransparent(bool transparent) = 0;
    virtual void fillBox(float x, float y, float width, float height, Rgb colour) = 0;
    virtual void outlineBox(float x, float y, float width, float height, Rgb colour) = 0;
    virtual void point(float x, float y, Rgb colour) = 0;
    virtual void text(float x, float y, const std::string& text, Rgb front, Rgb back) = 0;
    virtual int textHeight() const = 0;

    // Writes what the screen shows now (the last flipped frame) as a PNG. false on failure.
    virtual bool saveScreenshot(const std::string& path) = 0;
};

// ---------------------------------------------------------------------------------------------
// Keyboard, mouse and joystick. Keys are DirectInput scan codes (see Keys.h).
// ---------------------------------------------------------------------------------------------
class Input {
public:
    virtual ~Input() = default;

    // Each examine call takes a new snapshot. keyHeld: down at the last examination.
    // keyReleased: went up between the previous examination and the last one.
    virtual void examineKeyboard() = 0;
    virtual bool keyHeld(int scanCode) const = 0;
    virtual bool keyReleased(int scanCode) const = 0;

    virtual void examineMouse() = 0;
    virtual int mouseX() const = 0;
    virtual int mouseY() const = 0;
    virtual int mouseDeltaX() const = 0; // movement since the previous examination
    virtual int mouseDeltaY() const = 0;
    virtual int mouseWheel() const = 0;             // notches since the previous examination, up positive
    virtual bool mouseButton(int button) const = 0; // 1 left, 2 right, 3 middle

    virtual bool joystickPresent() const = 0;
    virtual void examineJoystick() = 0;
    virtual int joystickX() const = 0;                 // -1, 0 or +1
    virtual int joystickY() const = 0;                 // -1, 0 or +1 (+1 is up)
    virtual bool joystickButton(int button) const = 0; // buttons numbered from 1

    // The user asked to close the program's window (window manager close). Stays set once set.
    virtual bool quitRequested() const = 0;
};

// ---------------------------------------------------------------------------------------------
// Sounds (OGG Vorbis and WAV). Without a sound device sounds still load and report playing.
// ---------------------------------------------------------------------------------------------
class Sound {
public:
    virtual ~Sound() = default;
    virtual SoundId loadSound(const std::string& path) = 0; // 0 on failure
    virtual bool isSound(SoundId id) const = 0;
    virtual void playSound(SoundId id, bool looped) = 0; // restarts a playing sound
    virtual void stopSound(SoundId id) = 0;
    virtual void setVolume(SoundId id, int volume) = 0; // 0-100
    virtual bool isPlaying(SoundId id) const = 0;
    virtual void freeSound(SoundId id) = 0;
};

// ---------------------------------------------------------------------------------------------
// Message boxes and requesters. Headless backends print boxes to standard error and answer them
// with a configured default; requesters return "".
// ---------------------------------------------------------------------------------------------
enum class Buttons { Ok, YesNo };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Returns true for OK or Yes, false for No.
    virtual bool messageBox(const std::string& title, const std::string& text, Buttons buttons) = 0;
    // A folder chosen by the user, ending with '/', or "" when cancelled.
    virtual std::string folderRequester(const std::string& title, const std::string& startFolder) = 0;
};

// ---------------------------------------------------------------------------------------------
// Time and chance.
// ---------------------------------------------------------------------------------------------
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t ticks() = 0; // milliseconds, monotonic
    virtual void sleep(int ms) = 0;
};

class Random {
public:
    virtual ~Random() = default;
    virtual void seed(std::uint64_t seed) = 0;
    virtual int next(int n) = 0; // uniform in 0..n inclusive; 0 when n <= 0
};

// ---------------------------------------------------------------------------------------------
// Network: fetch a URL (http://, https://, file:// only) into a local file. The data goes to a
// temporary name beside the file and replaces it only when the whole transfer succeeded, so a
// failed or cut download leaves the old file as it was. Every transfer is bounded by the limits.
// ---------------------------------------------------------------------------------------------
struct DownloadLimits {
    long connectSeconds = 5;         // to reach the server
    long totalSeconds = 30;          // for the whole transfer, redirects included
    long lowSpeedBytes = 1024;       // slower than this (bytes per second) ...
    long lowSpeedSeconds = 10;       // ... for this long fails the transfer
    long long maxBytes = 32ll << 20; // larger files fail (and leave nothing behind)
    long maxRedirects = 3;           // to http or https only
};

enum class Fetch {
    Failed,      // an answer that may not be stored (a status other than 200, 304, 404 or 410, a
                 // 304 to a question that was not asked, a body shorter than its length, a
                 // limit passed, a refused redirect) or a local file error
    Missing,     // the server answered that it has no such file (HTTP 404 or 410, or no such file://)
    Fetched,     // the file was written (HTTP 200)
    Unchanged,   // revalidated: the server's copy is the one kept locally (HTTP 304), which stays
    Unreachable, // no answer: the server could not be reached, or the transfer timed out or broke off
};

// Where a fetched file's ETag is kept: beside it, "." + its name + ".etag".
inline std::string etagFile(const std::string& file) {
    const std::size_t slash = file.find_last_of('/');
    const std::size_t at = slash == std::string::npos ? 0 : slash + 1;
    return file.substr(0, at) + "." + file.substr(at) + ".etag";
}

class Network {
public:
    virtual ~Network() = default;
    // Fetches `url` into `file`. With `revalidate` and an existing `file`, the request is
    // conditional on what the server said of the kept copy: its ETag (kept beside the file, in
    // "." + file name + ".etag") as If-None-Match and the file's time (the server's Last-Modified;
    // a file without one carries time 0 and sends no date) as If-Modified-Since; an unchanged
    // file costs no transfer. Requests of one Network share one connection where the server
    // allows it.
    virtual Fetch fetch(const std::string& url, const std::string& file, bool revalidate) = 0;
    virtual void setLimits(const DownloadLimits& limits) = 0;
    // A plain fetch: true when the file was written.
    bool download(const std::string& url, const std::string& file) {
        return fetch(url, file, false) == Fetch::Fetched;
    }
};

// One bundle of services handed to a program. The backend that made it owns all of them.
struct Platform {
    virtual ~Platform() = default;
    virtual Graphics& graphics() = 0;
    virtual Input& input() = 0;
    virtual Sound& sound() = 0;
    virtual Dialogs& dialogs() = 0;
    virtual Clock& clock() = 0;
    virtual Random& random() = 0;
    virtual Network& network() = 0;
};

} // namespace plat
