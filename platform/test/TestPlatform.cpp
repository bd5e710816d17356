// The deterministic test backend (see TestPlatform.h).
#include "platform/test/TestPlatform.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace plat::test {

// -------------------------------------------------------------------------------------- graphics

Call& TestGraphics::record(Op op) {
    calls_.emplace_back();
    calls_.back().op = op;
    return calls_.back();
}

std::vector<Call> TestGraphics::callsOf(Op op) const {
    std::vector<Call> out;
    for (const Call& c : calls_)
        if (c.op == op) out.push_back(c);
    return out;
}

std::size_t TestGraphics::count(Op op) const {
    return static_cast<std::size_t>(
        std::count_if(calls_.begin(), calls_.end(), [op](const Call& c) { return c.op == op; }));
}

std::vector<Call> TestGraphics::lastFrame() const {
    // The calls after the last Flip; when the record ends with a Flip, the frame that flip showed.
    std::size_t end = calls_.size();
    if (end > 0 && calls_[end - 1].op == Op::Flip) --end;
    std::size_t begin = end;
    while (begin > 0 && calls_[begin - 1].op != Op::Flip) --begin;
    return std::vector<Call>(calls_.begin() + static_cast<std::ptrdiff_t>(begin),
                             calls_.begin() + static_cast<std::ptrdiff_t>(end));
}

std::optional<SpriteInfo> TestGraphics::sprite(SpriteId id) const {
    auto it = sprites_.find(id);
    if (it == sprites_.end()) return std::nullopt;
    return it->second;
}

bool TestGraphics::openScreen(int width, int height, int depth, const std::string& title, ScreenMode mode) {
    Call& c = record(Op::OpenScreen);
    c.w = static_cast<float>(width);
    c.h = static_cast<float>(height);
    c.quality = depth;
    c.text = title;
    c.mode = static_cast<int>(mode);
    if (openFails_ || width <= 0 || height <= 0) return false;
    open_ = true;
    width_ = width;
    height_ = height;
    viewport_ = {};
    mode_ = mode;
    title_ = title;
    return true;
}

void TestGraphics::closeScreen() {
    record(Op::CloseScreen);
    open_ = false;
}

void TestGraphics::clear(Rgb colour) {
    record(Op::Clear).colour = colour;
}

void TestGraphics::begin3D() {
    record(Op::Begin3D);
    in3D_ = true;
}

void TestGraphics::end3D() {
    record(Op::End3D);
    in3D_ = false;
}

void TestGraphics::flip(int mode) {
    record(Op::Flip).mode = mode;
    ++flips_;
}

void TestGraphics::setQuality(int quality) {
    record(Op::Quality).quality = quality;
    quality_ = quality;
}

SpriteId TestGraphics::loadSprite(const std::string& path) {
    Call& c = record(Op::Load);
    c.text = path;
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return 0;
    int w = 0, h = 0;
    if (!images_.sizeOf(path, w, h)) return 0;
    SpriteInfo info;
    info.path = path;
    info.width = w;
    info.height = h;
    info.zoomW = static_cast<float>(info.width);
    info.zoomH = static_cast<float>(info.height);
    const SpriteId id = newId();
    sprites_[id] = info;
    // `c` may have moved if the record grew; fetch the last Load again.
    calls_.back().sprite = id;
    calls_.back().w = static_cast<float>(info.width);
    calls_.back().h = static_cast<float>(info.height);
    return id;
}

void TestGraphics::freeSprite(SpriteId id) {
    record(Op::Free).sprite = id;
    sprites_.erase(id);
}

int TestGraphics::spriteWidth(SpriteId id) const {
    auto it = sprites_.find(id);
    return it == sprites_.end() ? 0 : it->second.width;
}

int TestGraphics::spriteHeight(SpriteId id) const {
    auto it = sprites_.find(id);
    return it == sprites_.end() ? 0 : it->second.height;
}

void TestGraphics::setTransparentColour(SpriteId id, Rgb colour) {
    Call& c = record(Op::Transparent);
    c.sprite = id;
    c.colour = colour;
    auto it = sprites_.find(id);
    if (it == sprites_.end()) return;
    // The key belongs to the image: a drawable's image is its source's.
    const SpriteId image = it->second.drawable ? it->second.source : id;
    for (auto& [sid, info] : sprites_) {
        if (sid == image || (info.drawable && info.source == image)) {
            info.hasTransparent = true;
            info.transparent = colour;
        }
    }
}

SpriteId TestGraphics::createDrawable(SpriteId source) {
    Call& c = record(Op::Drawable);
    c.source = source;
    auto it = sprites_.find(source);
    if (it == sprites_.end()) return 0;
    SpriteInfo info = it->second;
    info.drawable = true;
    info.source = it->second.drawable ? it->second.source : source;
    info.path.clear();
    info.zoomW = static_cast<float>(info.width);
    info.zoomH = static_cast<float>(info.height);
    info.angle = 0;
    info.hasCorners = false;
    const SpriteId id = newId();
    sprites_[id] = info;
    calls_.back().sprite = id;
    return id;
}

void TestGraphics::zoomSprite(SpriteId id, float width, float height) {
    Call& c = record(Op::Zoom);
    c.sprite = id;
    c.w = width;
    c.h = height;
    auto it = sprites_.find(id);
    if (it == sprites_.end()) return;
    it->second.zoomW = width;
    it->second.zoomH = height;
    it->second.hasCorners = false;
}

void TestGraphics::rotateSprite(SpriteId id, float degrees) {
    Call& c = record(Op::Rotate);
    c.sprite = id;
    c.angle = degrees;
    auto it = sprites_.find(id);
    if (it == sprites_.end()) return;
    it->second.angle = std::fmod(it->second.angle + degrees, 360.0f);
}

void TestGraphics::setCorners(SpriteId id, float x0, float y0, float x1, float y1, float x2, float y2,
                              float x3, float y3) {
    Call& c = record(Op::Corners);
    c.sprite = id;
    c.hasCorners = true;
    c.corners = {x0, y0, x1, y1, x2, y2, x3, y3};
    auto it = sprites_.find(id);
    if (it == sprites_.end()) return;
    it->second.hasCorners = true;
    it->second.corners = c.corners;
}

void TestGraphics::setBlend(int source, int dest) {
    Call& c = record(Op::Blend);
    c.blendSrc = source;
    c.blendDst = dest;
    blendSrc_ = source;
    blendDst_ = dest;
}

void TestGraphics::drawSprite(SpriteId id, float x, float y, int alpha) {
    Call& c = record(Op::Draw);
    c.sprite = id;
    c.x = x;
    c.y = y;
    c.alpha = std::clamp(alpha, 0, 255);
    c.blendSrc = blendSrc_;
    c.blendDst = blendDst_;
    c.quality = quality_;
    auto it = sprites_.find(id);
    if (it == sprites_.end()) return;
    c.w = it->second.zoomW;
    c.h = it->second.zoomH;
    c.angle = it->second.angle;
    c.hasCorners = it->second.hasCorners;
    c.corners = it->second.corners;
}

SpriteId TestGraphics::grabSprite(int x, int y, int width, int height, int mode) {
    Call& c = record(Op::Grab);
    c.mode = mode;
    if (!open_) return 0;
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + width, width_), y1 = std::min(y + height, height_);
    if (width <= 0 || height <= 0 || x1 <= x0 || y1 <= y0) return 0;
    SpriteInfo info;
    info.grabbed = true;
    info.width = x1 - x0;
    info.height = y1 - y0;
    info.zoomW = static_cast<float>(info.width);
    info.zoomH = static_cast<float>(info.height);
    const SpriteId id = newId();
    sprites_[id] = info;
    Call& g = calls_.back();
    g.sprite = id;
    g.x = static_cast<float>(x0);
    g.y = static_cast<float>(y0);
    g.w = static_cast<float>(info.width);
    g.h = static_cast<float>(info.height);
    return id;
}

void TestGraphics::begin2D() {
    record(Op::Begin2D);
    in2D_ = true;
}

void TestGraphics::end2D() {
    record(Op::End2D);
    in2D_ = false;
}

void TestGraphics::setTextTransparent(bool transparent) {
    record(Op::TextMode).transparent = transparent;
    textTransparent_ = transparent;
}

void TestGraphics::fillBox(float x, float y, float width, float height, Rgb colour) {
    Call& c = record(Op::FillBox);
    c.x = x;
    c.y = y;
    c.w = width;
    c.h = height;
    c.colour = colour;
}

void TestGraphics::outlineBox(float x, float y, float width, float height, Rgb colour) {
    Call& c = record(Op::OutlineBox);
    c.x = x;
    c.y = y;
    c.w = width;
    c.h = height;
    c.colour = colour;
}

void TestGraphics::point(float x, float y, Rgb colour) {
    Call& c = record(Op::Point);
    c.x = x;
    c.y = y;
    c.colour = colour;
}

void TestGraphics::text(float x, float y, const std::string& text, Rgb front, Rgb back) {
    Call& c = record(Op::Text);
    c.x = x;
    c.y = y;
    c.text = text;
    c.colour = front;
    c.back = back;
    c.transparent = textTransparent_;
}

bool TestGraphics::saveScreenshot(const std::string& path) {
    record(Op::Screenshot).text = path;
    return open_ && !path.empty();
}

// ----------------------------------------------------------------------------------------- sound

std::size_t TestSound::count(SoundOp op) const {
    return static_cast<std::size_t>(
        std::count_if(calls_.begin(), calls_.end(), [op](const SoundCall& c) { return c.op == op; }));
}

std::string TestSound::path(SoundId id) const {
    auto it = sounds_.find(id);
    return it == sounds_.end() ? std::string() : it->second.path;
}

int TestSound::volume(SoundId id) const {
    auto it = sounds_.find(id);
    return it == sounds_.end() ? -1 : it->second.volume;
}

bool TestSound::looped(SoundId id) const {
    auto it = sounds_.find(id);
    return it != sounds_.end() && it->second.looped;
}

void TestSound::finish(SoundId id) {
    auto it = sounds_.find(id);
    if (it != sounds_.end() && !it->second.looped) it->second.playing = false;
}

SoundId TestSound::loadSound(const std::string& path) {
    SoundCall c;
    c.op = SoundOp::Load;
    c.path = path;
    std::error_code ec;
    if (!path.empty() && std::filesystem::is_regular_file(path, ec)) {
        c.sound = nextId_++;
        sounds_[c.sound].path = path;
    }
    calls_.push_back(c);
    return c.sound;
}

void TestSound::playSound(SoundId id, bool looped) {
    calls_.push_back({SoundOp::Play, id, looped, 0, {}});
    auto it = sounds_.find(id);
    if (it == sounds_.end()) return;
    it->second.playing = true;
    it->second.looped = looped;
}

void TestSound::stopSound(SoundId id) {
    calls_.push_back({SoundOp::Stop, id, false, 0, {}});
    auto it = sounds_.find(id);
    if (it != sounds_.end()) it->second.playing = false;
}

void TestSound::setVolume(SoundId id, int volume) {
    volume = std::clamp(volume, 0, 100);
    calls_.push_back({SoundOp::Volume, id, false, volume, {}});
    auto it = sounds_.find(id);
    if (it != sounds_.end()) it->second.volume = volume;
}

bool TestSound::isPlaying(SoundId id) const {
    auto it = sounds_.find(id);
    return it != sounds_.end() && it->second.playing;
}

void TestSound::freeSound(SoundId id) {
    calls_.push_back({SoundOp::Free, id, false, 0, {}});
    sounds_.erase(id);
}

// --------------------------------------------------------------------------------------- dialogs

bool TestDialogs::messageBox(const std::string& title, const std::string& text, Buttons buttons) {
    // An OK box has one answer and leaves the scripted answers for the questions.
    bool answer = true;
    if (buttons == Buttons::YesNo) {
        answer = defaultAnswer_;
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        }
    }
    boxes_.push_back({title, text, buttons, answer});
    return answer;
}

std::string TestDialogs::folderRequester(const std::string& title, const std::string& startFolder) {
    std::string answer;
    if (!folders_.empty()) {
        answer = folders_.front();
        folders_.pop_front();
    }
    requests_.push_back({title, startFolder, answer});
    return answer;
}

// --------------------------------------------------------------------------------------- network

plat::Fetch TestNetwork::fetch(const std::string& url, const std::string& file, bool revalidate) {
    const plat::Fetch r =
        offline_ ? plat::Fetch::Unreachable : session_.fetch(url, file, revalidate, limits_);
    requests_.push_back({url, file, r == plat::Fetch::Fetched, r});
    return r;
}

} // namespace plat::test
